#!/usr/bin/env bash
# libtiff's static library alone (README.md beside this file): no tools,
# tests, C++ stream API or documentation. zlib (Debian's mingw build) and
# JPEG (our libjpeg-turbo) are its only codecs beyond those it carries.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" tiff 4.5.0-6+deb12u4 \
    638f43d7dea33948d5dee7f39572fc0194d9cc3c74195de9dd26a4388a1f880a "$PWD/src"
jpeg="$ARDENFOLD_DEPS/libjpeg-turbo"
cmake -S src -B build -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$ARDENFOLD_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DBUILD_SHARED_LIBS=OFF \
    -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dtiff-deprecated=OFF -Dcxx=OFF \
    -Dzlib=ON -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a \
    -Djpeg=ON -DJPEG_INCLUDE_DIR="$jpeg/include" -DJPEG_LIBRARY="$jpeg/lib/libjpeg.a" \
    -Dold-jpeg=OFF -Djpeg12=OFF -Dlibdeflate=OFF -Dpixarlog=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF
cmake --build build -j2 --target tiff
mkdir -p "$PREFIX/include" "$PREFIX/lib" "$PREFIX/share/licenses/libtiff"
cp build/libtiff/libtiff.a "$PREFIX/lib/"
cp src/libtiff/tiff.h src/libtiff/tiffio.h src/libtiff/tiffvers.h build/libtiff/tiffconf.h "$PREFIX/include/"
cp src/LICENSE.md "$PREFIX/share/licenses/libtiff/"
cp src/debian/copyright "$PREFIX/share/licenses/libtiff/copyright"
