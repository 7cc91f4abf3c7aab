#!/usr/bin/env bash
# The Debian package, checked by Debian's tools and used as an installed program: built by
# scripts/package.sh, checked by lintian, installed with apt-get, then run from /usr/bin (help,
# version, a refused word, the manual page, the completion, a conversion against the SQL Server
# stand-in), its desktop files and the example units verified, and removed. The ODBC driver
# registration is checked twice: on this machine, whose "SQL Server" driver the set-up script
# registered and which must stay as it is, and on an empty odbcinst.ini (ODBCSYSINI), where the
# package registers FreeTDS and takes it back. A trap removes the package whatever happens.
# Needs root (apt-get). Prints "N passed, N failed" last.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
server=
installed() { [ "$(dpkg-query -W -f='${Status}' marravex 2>/dev/null)" = "install ok installed" ]; }
if installed; then
    echo "marravex is installed already: remove it first (apt-get remove marravex)" >&2
    exit 2
fi
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    if installed; then apt-get remove -y -qq marravex >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
# check "what is checked" COMMAND...: counts the outcome; a failure names the check.
check() {
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what" >&2
        sed 's/^/    /' "$work/out" >&2
    fi
}
# completes WORDS...: what bash completion offers for the last word of "marravex WORDS...".
completes() {
    bash -c 'source /usr/share/bash-completion/completions/marravex
             COMP_WORDS=(marravex "$@"); COMP_CWORD=$#; _marravex; echo "${COMPREPLY[*]}"' _ "$@"
}

deb=$(bash "$top/scripts/package.sh" | tail -n 1)
echo "package: $deb"
# lintian fails on errors; its warnings are shown.
lintian_status=0
lintian --allow-root "$deb" || lintian_status=$?
check "lintian finds no error" test "$lintian_status" -eq 0

cp /etc/odbcinst.ini "$work/odbcinst.before"
apt-get install -y -qq "$deb" >/dev/null
version=$(dpkg-query -W -f='${Version}' marravex)
check "the driver registered before is kept" cmp /etc/odbcinst.ini "$work/odbcinst.before"
check "--help prints the usage" bash -c '/usr/bin/marravex --help | grep -q "^SYNOPSIS"'
check "--version prints the package's version, without a display" \
    bash -c '[ "$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/marravex --version)" = "marravex $0" ]' "$version"
check "an unknown first word is refused with status 2 and a pointer to --help" \
    bash -c 'said=$(env -u DISPLAY /usr/bin/marravex frobnicate 2>&1); [ $? -eq 2 ] && grep -q "marravex --help" <<<"$said"'
check "man marravex shows the page" bash -c 'man -P cat marravex | grep -q "saved-settings"'
check "completion: the commands" test "$(completes ex)" = execute
check "completion: an option" test "$(completes convert --ov)" = --overwrite
check "completion: the words of --overwrite" test "$(completes convert --overwrite '')" = "ask yes no"
check "the desktop entry is valid" desktop-file-validate /usr/share/applications/org.example.marravex.desktop
check "the AppStream metadata is valid" appstreamcli validate --no-net /usr/share/metainfo/org.example.marravex.metainfo.xml
check "the example units verify" systemd-analyze verify "$top/docs/marravex-nightly.service" "$top/docs/marravex-nightly.timer"

# One conversion from /usr/bin against the stand-in, from a folder that is not the build's.
stand_in="$top/tests/tools/tds-server"
/usr/bin/python3 "$stand_in/make_fixture.py" --rows 20 --out "$work/fixture.sqlite" >/dev/null
/usr/bin/python3 "$stand_in/tds_server.py" --port 0 --port-file "$work/port" --fixture "$work/fixture.sqlite" \
    >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
mkdir "$work/tables"
check "a conversion from /usr/bin writes the tables" bash -c 'cd / && env -u DISPLAY LANG=en_US.UTF-8 \
    MARRAVEX_PASSWORD="Test#Pass1" /usr/bin/marravex convert --server 127.0.0.1 --port "$(cat "$0/port")" \
    --database TestDB --user testuser --to "$0/tables" --tables "Order Details,LongColumnNames" &&
    [ "$(od -An -tu4 -j4 -N4 "$0/tables/order details.dbf" | tr -d " ")" = 3 ]' "$work"

apt-get remove -y -qq marravex >/dev/null
check "removing keeps the driver registered before" cmp /etc/odbcinst.ini "$work/odbcinst.before"

# On a machine without a "SQL Server" driver the package registers FreeTDS's, and takes it back.
mkdir "$work/odbc"
export ODBCSYSINI=$work/odbc
apt-get install -y -qq "$deb" >/dev/null
check "installing registers FreeTDS as \"SQL Server\", counted once" \
    bash -c 'odbcinst -q -d -n "SQL Server" | grep -q "^Driver=.*/libtdsodbc\.so$" &&
             odbcinst -q -d -n "SQL Server" | grep -qx "UsageCount=1"'
apt-get remove -y -qq marravex >/dev/null
check "removing takes the registration back" bash -c '! odbcinst -q -d -n "SQL Server"'
unset ODBCSYSINI

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
