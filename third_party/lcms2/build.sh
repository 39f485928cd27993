#!/usr/bin/env bash
# Little CMS as a static library for i686 Windows, for Ghostscript's colour
# management. Its library is plain C that needs nothing configure probes, so
# its sources are compiled directly, without its autotools.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" lcms2 2.14-2+deb12u1 \
    28474ea6f6591c4d4cee972123587001a4e6e353412a41b3e9e82219818d5740 "$PWD/src"
cd src
# Two compilers at a time; xargs fails when one of them does.
printf '%s\n' src/*.c | xargs -P 2 -I {} sh -c \
    'i686-w64-mingw32-gcc-posix -O2 -DNDEBUG -Iinclude -c "$1" -o "$(basename "${1%.c}").o"' sh {}
mkdir -p "$PREFIX/lib" "$PREFIX/include" "$PREFIX/share/licenses/lcms2"
i686-w64-mingw32-ar rcs "$PREFIX/lib/liblcms2.a" ./*.o
cp include/lcms2.h include/lcms2_plugin.h "$PREFIX/include/"
cp COPYING "$PREFIX/share/licenses/lcms2/"
cp debian/copyright "$PREFIX/share/licenses/lcms2/copyright"
