#!/bin/sh
# Downloads Wine's Windows modules for amd64 and i386 and the MinGW-w64 runtime DLLs from Debian's
# packages and unpacks them into a cache folder, one folder of modules per kind:
#
#   CACHE/wine-x86_64   PE32+ modules of libwine:amd64 (x86_64-windows)
#   CACHE/wine-i386     PE32 modules of libwine:i386 (i386-windows)
#   CACHE/mingw-x86_64  the x86_64 MinGW runtime DLLs (libstdc++, libgcc, libgnat, ...)
#   CACHE/mingw-i686    the i686 ones
#
#   scripts/fetch-real-modules.sh [CACHE]
#
# CACHE defaults to $TARNVIEW_REAL_MODULES, else ~/.cache/tarnview/real-modules. It prints CACHE on
# its last line. The i386 package lists are fetched into a private apt state inside CACHE, so the
# machine's dpkg architectures and apt lists stay as they are. Running it again downloads nothing
# once every folder is there.
set -eu

cache=${1:-${TARNVIEW_REAL_MODULES:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnview/real-modules}}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

# folder:package:path inside the package
kinds="wine-x86_64:libwine:amd64:usr/lib/x86_64-linux-gnu/wine/x86_64-windows
wine-i386:libwine:i386:usr/lib/i386-linux-gnu/wine/i386-windows
mingw-x86_64:gcc-mingw-w64-x86-64-win32-runtime:amd64:usr/lib/gcc/x86_64-w64-mingw32
mingw-i686:gcc-mingw-w64-i686-win32-runtime:amd64:usr/lib/gcc/i686-w64-mingw32"

need=
for line in $kinds; do
    folder=${line%%:*}
    [ -d "$cache/$folder" ] || need=yes
done
if [ -z "$need" ]; then
    echo "$cache"
    exit 0
fi

state="$cache/.apt"
mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$cache/.debs"
apt_opts="-q -o APT::Architectures::=amd64 -o APT::Architectures::=i386
    -o Dir::State::Lists=$state/lists -o Dir::Cache=$state/cache -o APT::Sandbox::User=root"
# A failed index (a mirror in sync, the security archive's i386 list) is not fatal as long as the
# packages below can be found in the lists that did arrive.
# shellcheck disable=SC2086
apt-get $apt_opts update >"$state/update.log" 2>&1 || true

for line in $kinds; do
    folder=${line%%:*}
    rest=${line#*:}
    package=${rest%%:*}
    rest=${rest#*:}
    arch=${rest%%:*}
    inside=${rest#*:}
    [ -d "$cache/$folder" ] && continue
    echo "fetching $package:$arch for $folder" >&2
    # shellcheck disable=SC2086
    (cd "$cache/.debs" && apt-get $apt_opts download "$package:$arch" >/dev/null)
    deb=$(ls "$cache/.debs/${package}_"*"_$arch.deb" | head -n 1)
    unpacked="$cache/.unpacked/$folder"
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    dpkg-deb -x "$deb" "$unpacked"
    mkdir -p "$cache/$folder.partial"
    # The MinGW runtimes keep their DLLs in a versioned folder and in adalib below it; the kind's
    # folder holds every module of the package, flat.
    find "$unpacked/$inside" -type f \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' \
        -o -iname '*.cpl' -o -iname '*.ocx' -o -iname '*.sys' -o -iname '*.acm' -o -iname '*.ax' \
        -o -iname '*.tlb' -o -iname '*.ds' -o -iname '*.msstyles' -o -iname '*.com' \) \
        -exec cp -p {} "$cache/$folder.partial/" \;
    mv "$cache/$folder.partial" "$cache/$folder"
    rm -rf "$unpacked" "$deb"
done
rm -rf "$cache/.unpacked"
echo "$cache"
