#!/usr/bin/env bash
# Builds the Debian package build/package/marravex_VERSION_amd64.deb: a Release build with
# Debian's hardening flags (dpkg-buildflags), packed by CPack, which finds the shared libraries'
# packages with dpkg-shlibdeps. Install it with: apt-get install ./build/package/marravex_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
dir="$top/build/package"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CPack strips the programs (CPACK_STRIP_FILES), so their debug information would only be thrown
# away: it is not made, as making it only slows the compile.
export DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
# Configured each time: the version carries the commit. With these flags GCC 12 warns, wrongly, of
# overlapping copies inside std::string (its bug 105329): -Wno-restrict.
CFLAGS=$(dpkg-buildflags --get CFLAGS) \
    CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) -Wno-restrict" \
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
    cmake -G Ninja -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" --target marravex samples install_files
rm -f "$dir"/marravex_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/marravex_*.deb
