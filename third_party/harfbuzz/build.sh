#!/usr/bin/env bash
# HarfBuzz as a static library for i686 Windows: its amalgamated source
# (src/harfbuzz.cc) compiled alone, with none of its optional back ends
# (no FreeType, GLib, ICU, Uniscribe or DirectWrite): the converter hands it
# the font's own tables and uses its built-in Unicode data.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" harfbuzz 6.0.0+dfsg-3 \
    89266cb363e49b6aa999eda04ca25b0d234a69ad9304679631371f4697652368 "$PWD/src"
cd src
i686-w64-mingw32-g++-posix -std=c++11 -O2 -fno-exceptions -fno-rtti \
    -c src/harfbuzz.cc -o harfbuzz.o
mkdir -p "$PREFIX/lib" "$PREFIX/include/harfbuzz" "$PREFIX/share/licenses/harfbuzz"
i686-w64-mingw32-ar rcs "$PREFIX/lib/libharfbuzz.a" harfbuzz.o
# The public headers: hb.h and what it includes, plus the OpenType API.
for header in src/hb.h src/hb-ot.h src/hb-*.h; do
    case "$header" in
        */hb-ft.h|*/hb-glib.h|*/hb-icu.h|*/hb-gobject*|*/hb-graphite2.h|*/hb-coretext.h|*/hb-uniscribe.h|*/hb-directwrite.h|*/hb-gdi.h) continue ;;
    esac
    # Internal headers end in -private.hh / .hh; only .h files are public.
    cp "$header" "$PREFIX/include/harfbuzz/"
done
cp COPYING "$PREFIX/share/licenses/harfbuzz/"
