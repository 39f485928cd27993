#!/usr/bin/env bash
# Ghostscript's console program for i686 Windows, gs.exe: the PostScript
# interpreter with the PDF-writing devices, its initialisation files
# compiled into the executable, statically linked with zlib (Debian's
# libz-mingw-w64-dev), libjpeg, Little CMS and FreeType (built before it, see
# deps.list). No PDF, PCL or XPS input, no printer or raster devices.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" ghostscript 10.0.0~dfsg-11+deb12u8 \
    67a288151fd88f0d44e165429c48cc85d69b3e4d3765c95e60839a094bfb8df3 "$PWD/src"
cd src

# Runs the sed EXPRESSION on FILE and fails when it changed nothing: an edit
# that no longer applies to a new version must stop the build, not pass.
edit() { # FILE EXPRESSION
    cp "$1" "$1.unedited"
    sed -i -e "$2" "$1"
    if cmp -s "$1" "$1.unedited"; then
        echo "ghostscript: '$2' no longer changes $1" >&2
        exit 1
    fi
    rm "$1.unedited"
}

# Debian's cross-compiling patch changes configure.ac, but the configure it
# ships was generated before: the same two changes, made to configure (the
# recursive configure of the build machine's tools).
edit configure 's/ --disable-fapi / /'
edit configure 's/^if test x"$with_pdf" != x"no" ; then$/if test x"$with_pdf" != x"no" -a x"$enable_auxtools_only" != x"yes" ; then/'
# The makefile asks for the PNG library whether or not a PNG device is built,
# and Debian removed its source; no device here needs it.
edit Makefile.in 's/ $(GLD)libpng.dev//'
# Debian's patch for reproducible dates sets TZ with setenv, which Windows'
# C runtime lacks; putenv does the same there.
edit base/gp_unix.c 's/setenv("TZ", "UTC", 1);/putenv("TZ=UTC");/'
# The program reads no folder of the machine but those it is told: its
# built-in search path names only the files compiled into it, not the
# /usr/local/share/ghostscript/... of a Unix installation, which under
# -dSAFER it would also be allowed to read (on Windows, a folder of the
# current drive).
edit Makefile.in 's|^GS_LIB_DEFAULT=.*$|GS_LIB_DEFAULT=%rom%Resource/Init/:%rom%lib/|'
# The recipe's patches, each of which must apply exactly or stop the build.
# windows-file-names: Unix's file names part only at '/': built for Windows,
# the path control must also part them at '\' and know drive and network
# roots, or it takes "allowed/..\..\secret" for a file in an allowed folder.
# CVE-*: the fixes of Debian's 10.0.0~dfsg-11+deb12u9, whose source the
# archive does not serve (README.md; each patch says where it comes from).
# The JPEG 2000 fix of that revision (CVE-2026-39919) has no patch: this
# build has no JPEG 2000 decoder (--disable-openjpeg).
patches=(windows-file-names.patch CVE-2026-125396-putgstringcopy.patch
    CVE-2026-103226-type1-callsubr.patch CVE-2026-101258-shading-functions-procedure-strings.patch)
for name in "${patches[@]}"; do
    patch -p1 --forward --no-backup-if-mismatch --fuzz=0 <"$ARDENFOLD_SOURCE/third_party/ghostscript/$name"
done

deps=$ARDENFOLD_DEPS
mingw=/usr/i686-w64-mingw32
# configure finds FreeType only through pkg-config, which it skips when
# cross-compiling unless told which to use; pkg-config then sees only the
# libraries built for Windows, none of the host's. libjpeg and Little CMS
# it finds by the flags below.
export PKG_CONFIG_LIBDIR=$deps/freetype/lib/pkgconfig:$mingw/lib/pkgconfig
export PKG_CONFIG_PATH=
./configure --host=i686-w64-mingw32 --build="$(./config.guess)" \
    CC=i686-w64-mingw32-gcc-posix CCAUX=gcc PKGCONFIG=pkg-config \
    CPPFLAGS="-I$deps/libjpeg-turbo/include -I$deps/lcms2/include" \
    LDFLAGS="-L$deps/libjpeg-turbo/lib -L$deps/lcms2/lib -L$deps/freetype/lib -static -static-libgcc" \
    --without-pdf --without-pcl --without-xps --without-gpdl --enable-compile-inits \
    --disable-contrib --disable-fontconfig --disable-dbus --disable-cups --disable-openjpeg \
    --disable-gtk --without-libtiff --without-libidn --without-libpaper --without-ijs \
    --without-jbig2dec --without-x --without-tesseract --without-urf --with-libiconv=no \
    --with-drivers=pdfwrite,ps2write,eps2write,txtwrite,bbox
# The link line leaves out the library path pkg-config gives for FreeType,
# hence its -L above; -static makes the linker take zlib's static library
# rather than its import library.
make -j2
mkdir -p "$PREFIX/bin" "$PREFIX/share/licenses/ghostscript"
i686-w64-mingw32-strip -o "$PREFIX/bin/gs.exe" bin/gs.exe
# The AGPL asks that whoever gets the program can get its source: the
# licences and Debian's copyright file travel with the program, and so do
# this recipe with its edits and its patches (the packages add README.md,
# which says where the source is).
cp LICENSE doc/COPYING "$PREFIX/share/licenses/ghostscript/"
cp debian/copyright "$PREFIX/share/licenses/ghostscript/copyright"
cp "$ARDENFOLD_SOURCE/third_party/ghostscript/build.sh" "$PREFIX/share/licenses/ghostscript/build.sh.txt"
for name in "${patches[@]}"; do
    cp "$ARDENFOLD_SOURCE/third_party/ghostscript/$name" "$PREFIX/share/licenses/ghostscript/"
done
