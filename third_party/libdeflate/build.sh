#!/usr/bin/env bash
# libdeflate's static library for i686 Windows (see README.md).
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" libdeflate 1.14-1 \
    89e7df898c37c3427b0f39aadcf733731321a278771d20fc553f92da8d4808ac "$PWD/source"
cd source
# The hash tables filled two entries at a time in a build without SSE2.
patch -p1 <"$ARDENFOLD_SOURCE/third_party/libdeflate/i686-matchfinder-init.patch"
make -j2 CC=i686-w64-mingw32-gcc-posix AR=i686-w64-mingw32-ar CFLAGS=-O2 libdeflatestatic.lib
mkdir -p "$PREFIX/include" "$PREFIX/lib" "$PREFIX/share/licenses/libdeflate"
cp libdeflate.h "$PREFIX/include/"
# The Makefile names the static library for MSVC when it targets Windows.
cp libdeflatestatic.lib "$PREFIX/lib/libdeflate.a"
cp COPYING "$PREFIX/share/licenses/libdeflate/"
