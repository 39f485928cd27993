#!/usr/bin/env bash
# qpdf's static library only, with its own (native) crypto: no command-line
# tool, no tests, no examples, no documentation, no shared library. It needs
# zlib (Debian's libz-mingw-w64-dev) and libjpeg (built before it, see
# deps.list).
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" qpdf 11.3.0-1+deb12u1 \
    547cee67de77b5c4ef4917e57d2db9c848cfe3aa950361f68d36367a3a03936e "$PWD/src"
# rijndael.h uses uint32_t without including its header, which the native
# crypto code of this version needs and mingw-w64's headers do not bring in.
sed -i 's/^#include <stddef.h>$/#include <stddef.h>\n#include <stdint.h>/' src/libqpdf/qpdf/rijndael.h
grep -q '^#include <stdint.h>$' src/libqpdf/qpdf/rijndael.h
# Only what the converter links is compiled: the command-line tool's job
# layer, JSON, argument parsing, the C API and the document helpers it never
# calls are a third of the library's compile time. A call into one of them
# later fails at link time, naming the symbol; take its file off this list.
unused="ClosedFileInputSource InsecureRandomDataProvider JSONHandler NNTree Pl_Function
    QPDFArgParser QPDFEFStreamObjectHelper QPDFEmbeddedFileDocumentHelper QPDFFileSpecObjectHelper
    QPDFJob QPDFJob_argv QPDFJob_config QPDFJob_json QPDFNameTreeObjectHelper QPDFNumberTreeObjectHelper
    QPDFOutlineDocumentHelper QPDFOutlineObjectHelper QPDFPageLabelDocumentHelper QPDFUsage QPDF_json
    QTC qpdf-c qpdfjob-c qpdflogger-c"
for name in $unused; do
    sed -i -E "s/^  $name\.cc(\)?)\$/\1/" src/libqpdf/CMakeLists.txt
    ! grep -q "^  $name\.cc" src/libqpdf/CMakeLists.txt
done
# The host's pkg-config would offer the host's zlib and libjpeg: give it none,
# so that the paths below are the only ones used.
export PKG_CONFIG_LIBDIR=$PWD/no-pkg-config PKG_CONFIG_PATH=
jpeg=$ARDENFOLD_DEPS/libjpeg-turbo
mingw=/usr/i686-w64-mingw32
cmake -S src -B build -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$ARDENFOLD_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_DOC=OFF \
    -DUSE_IMPLICIT_CRYPTO=OFF -DREQUIRE_CRYPTO_NATIVE=ON \
    -DINSTALL_EXAMPLES=OFF -DINSTALL_PKGCONFIG=OFF -DINSTALL_CMAKE_PACKAGE=OFF \
    -DZLIB_H_PATH=$mingw/include -DZLIB_LIB_PATH=$mingw/lib/libz.a \
    -DLIBJPEG_H_PATH="$jpeg/include" -DLIBJPEG_LIB_PATH="$jpeg/lib/libjpeg.a"
cmake --build build -j2 --target libqpdf
mkdir -p "$PREFIX/include" "$PREFIX/lib" "$PREFIX/share/licenses/qpdf"
cp build/libqpdf/libqpdf.a "$PREFIX/lib/"
cp -r src/include/qpdf "$PREFIX/include/"
cp src/LICENSE.txt src/Artistic-2.0 src/NOTICE.md "$PREFIX/share/licenses/qpdf/"
cp src/debian/copyright "$PREFIX/share/licenses/qpdf/copyright"
