#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt that are missing and registers the ODBC
# drivers the program and its tests use. Idempotent: with everything in place it only checks.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

missing=()
while read -r pkg; do
    pkg=${pkg%%#*}
    pkg=$(echo "$pkg" | tr -d '[:space:]')
    [ -z "$pkg" ] && continue
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
done <"$top/packages.txt"

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    # Wait for another apt run (unattended upgrades, a parallel set-up) to let go of the lock.
    for _ in $(seq 1 120); do
        fuser /var/lib/dpkg/lock-frontend >/dev/null 2>&1 || break
        sleep 2
    done
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Register a driver only when no driver of that name exists, so a registration the user made
# (or a newer driver path) is left as it is.
register_driver() {
    local name=$1 lib=$2 desc=$3
    if odbcinst -q -d -n "$name" >/dev/null 2>&1; then
        return
    fi
    local path
    path=$(find /usr/lib -name "$lib" -path '*odbc*' 2>/dev/null | head -n 1)
    if [ -z "$path" ]; then
        echo "warning: $lib not found; driver \"$name\" not registered" >&2
        return
    fi
    local ini
    ini=$(mktemp)
    printf '[%s]\nDescription=%s\nDriver=%s\nUsageCount=1\n' "$name" "$desc" "$path" >"$ini"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd odbcinst -i -d -f "$ini" >/dev/null
    rm -f "$ini"
    echo "Registered ODBC driver \"$name\" ($path)"
}
register_driver "SQL Server" libtdsodbc.so "FreeTDS driver for Microsoft SQL Server"
register_driver "SQLite3" libsqlite3odbc.so "SQLite3 ODBC Driver"
