#!/bin/sh
# Builds the MinGW fixtures for every target whose tools are installed, into OUTDIR/<arch>/:
# lib.dll (GCC and GNU ld) and app.exe (GCC, linked by LLD with a delay-loaded import library
# from llvm-dlltool). Exit 77 when no target has its tools.
# usage: build_fixtures.sh OUTDIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$1
built=0
for arch in x86_64 i686; do
    gcc=$arch-w64-mingw32-gcc
    machine=i386:x86-64
    [ "$arch" = i686 ] && machine=i386
    for tool in "$gcc" clang-14 llvm-dlltool-14 ld.lld-14; do
        command -v "$tool" >/dev/null || continue 2
    done
    dir=$out/$arch
    mkdir -p "$dir"
    "$gcc" -O1 -shared -o "$dir/lib.dll" "$here/fixture_lib.c" -Wl,--build-id \
        -Wl,--out-implib,"$dir/lib.a"
    llvm-dlltool-14 -m "$machine" -d "$here/fixture_delayed.def" -l "$dir/delayed.a"
    "$gcc" -O1 -c -o "$dir/app.o" "$here/fixture_app.c"
    # Linked inside the folder, so that the PDB lands there (LLD records its absolute path).
    (cd "$dir" && clang-14 --target="$arch-w64-mingw32" -fuse-ld=lld \
        -L"$(dirname "$("$gcc" -print-libgcc-file-name)")" -o app.exe app.o lib.a delayed.a \
        -Wl,--delayload=fixture_delayed.dll -Wl,--pdb=fixture_app.pdb -Wl,--no-insert-timestamp)
    built=$((built + 1))
done
[ "$built" -gt 0 ] || exit 77
