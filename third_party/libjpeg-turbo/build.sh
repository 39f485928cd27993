#!/usr/bin/env bash
# libjpeg-turbo's static library only (qpdf decodes and encodes DCT streams
# with it): no tools, no TurboJPEG API, no tests. The SIMD code needs nasm,
# which the build does not otherwise need; the plain C code is enough for the
# few JPEG streams a structural repair touches.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" libjpeg-turbo 1:2.1.5-2 \
    254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c "$PWD/src"
cmake -S src -B build -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$ARDENFOLD_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JAVA=OFF -DWITH_FUZZ=OFF
cmake --build build -j2 --target jpeg-static
mkdir -p "$PREFIX/include" "$PREFIX/lib" "$PREFIX/share/licenses/libjpeg-turbo"
cp build/libjpeg.a "$PREFIX/lib/"
cp src/jpeglib.h src/jerror.h src/jmorecfg.h build/jconfig.h "$PREFIX/include/"
cp src/LICENSE.md src/README.ijg "$PREFIX/share/licenses/libjpeg-turbo/"
cp src/debian/copyright "$PREFIX/share/licenses/libjpeg-turbo/copyright"
