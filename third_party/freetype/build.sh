#!/usr/bin/env bash
# FreeType as a static library for i686 Windows, for Ghostscript's font
# rendering. Built with the system's zlib (Debian's libz-mingw-w64-dev): its
# own copy of zlib's inflater would otherwise clash with the zlib that
# Ghostscript links. No bzip2, PNG, HarfBuzz or Brotli: Ghostscript needs
# none of them.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" freetype 2.12.1+dfsg-5+deb12u4 \
    7dedb6b9adf331559daea614a83b8de42a753e685ec8e1c4bdb4529eb880b0d1 "$PWD/src"
# The host's pkg-config would offer the host's libraries: give it none.
export PKG_CONFIG_LIBDIR=$PWD/no-pkg-config PKG_CONFIG_PATH=
cmake -S src -B build -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$ARDENFOLD_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DBUILD_SHARED_LIBS=OFF -DFT_REQUIRE_ZLIB=ON -DZLIB_USE_STATIC_LIBS=ON \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
cmake --build build -j2
cmake --install build
# Ghostscript's configure asks pkg-config for it: the installed file names
# the absolute prefix of the build, which the cache renames afterwards.
pc=$PREFIX/lib/pkgconfig/freetype2.pc
sed -i 's|^prefix=.*|prefix=${pcfiledir}/../..|' "$pc"
grep -qx 'prefix=${pcfiledir}/../..' "$pc"
mkdir -p "$PREFIX/share/licenses/freetype"
cp src/LICENSE.TXT src/docs/FTL.TXT "$PREFIX/share/licenses/freetype/"
cp src/debian/copyright "$PREFIX/share/licenses/freetype/copyright"
