#!/usr/bin/env bash
# GNU FriBidi as a static library for i686 Windows. Its library is plain C
# with its Unicode tables already generated in the tarball, so it is compiled
# directly: its autotools would run automake again (Debian's patches touch
# the Makefile.am files) and it needs none of what configure probes.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" fribidi 1.0.8-2.1 \
    94c7b68d86ad2a9613b4dcffe7bbeb03523d63b5b37918bdf2e4ef34195c1e6c "$PWD/src"
cd src/lib
sed -e 's/@configure_input@/written by the build recipe/' -e 's/@PACKAGE@/fribidi/' \
    -e 's/@PACKAGE_NAME@/GNU FriBidi/' -e 's|@PACKAGE_BUGREPORT@|https://github.com/fribidi/fribidi/issues/new|' \
    -e 's/@FRIBIDI_VERSION@/1.0.8/' -e 's/@FRIBIDI_MAJOR_VERSION@/1/' -e 's/@FRIBIDI_MINOR_VERSION@/0/' \
    -e 's/@FRIBIDI_MICRO_VERSION@/8/' -e 's/@FRIBIDI_INTERFACE_VERSION@/4/g' -e 's/@SIZEOF_INT@/4/' \
    -e 's/@FRIBIDI_MSVC_BUILD_PLACEHOLDER@/#undef FRIBIDI_BUILT_WITH_MSVC/' \
    fribidi-config.h.in >fribidi-config.h
printf '#define HAVE_STDLIB_H 1\n#define HAVE_STRING_H 1\n#define HAVE_STRINGIZE 1\n' >config.h
sources="fribidi.c fribidi-arabic.c fribidi-bidi.c fribidi-bidi-types.c fribidi-char-sets.c
    fribidi-char-sets-cap-rtl.c fribidi-char-sets-cp1255.c fribidi-char-sets-cp1256.c
    fribidi-char-sets-iso8859-6.c fribidi-char-sets-iso8859-8.c fribidi-char-sets-utf8.c
    fribidi-deprecated.c fribidi-joining.c fribidi-joining-types.c fribidi-mirroring.c
    fribidi-brackets.c fribidi-run.c fribidi-shape.c"
for source in $sources; do
    i686-w64-mingw32-gcc-posix -O2 -DHAVE_CONFIG_H -I. -c "$source" -o "${source%.c}.o"
done
mkdir -p "$PREFIX/lib" "$PREFIX/include/fribidi" "$PREFIX/share/licenses/fribidi"
i686-w64-mingw32-ar rcs "$PREFIX/lib/libfribidi.a" ./*.o
# The installed headers, as its meson build lists them.
cp fribidi.h fribidi-arabic.h fribidi-begindecls.h fribidi-bidi.h fribidi-bidi-types.h \
    fribidi-bidi-types-list.h fribidi-char-sets.h fribidi-char-sets-list.h fribidi-common.h \
    fribidi-deprecated.h fribidi-enddecls.h fribidi-flags.h fribidi-joining.h \
    fribidi-joining-types.h fribidi-joining-types-list.h fribidi-mirroring.h fribidi-brackets.h \
    fribidi-shape.h fribidi-types.h fribidi-unicode.h fribidi-config.h fribidi-unicode-version.h \
    "$PREFIX/include/fribidi/"
cp ../COPYING "$PREFIX/share/licenses/fribidi/"
