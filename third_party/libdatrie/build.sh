#!/usr/bin/env bash
# libdatrie (a double-array trie) as a static library for i686 Windows: the
# dictionary that libthai breaks Thai words with. Its library is plain C
# that needs nothing configure probes, so it is compiled directly.
set -euo pipefail
tarball="$ARDENFOLD_SOURCE/third_party/libdatrie/libdatrie_0.2.13.orig.tar.xz"
echo "12231bb2be2581a7f0fb9904092d24b0ed2a271a16835071ed97bed65267f4be  $tarball" | sha256sum -c --quiet
tar -xf "$tarball"
cd libdatrie-0.2.13
: >config.h
for source in datrie/dstring.c datrie/trie-string.c datrie/fileutils.c datrie/darray.c datrie/tail.c \
    datrie/trie.c datrie/alpha-map.c; do
    i686-w64-mingw32-gcc-posix -O2 -DHAVE_CONFIG_H -I. -c "$source" -o "${source%.c}.o"
done
mkdir -p "$PREFIX/lib" "$PREFIX/include/datrie" "$PREFIX/share/licenses/libdatrie"
i686-w64-mingw32-ar rcs "$PREFIX/lib/libdatrie.a" datrie/*.o
cp datrie/typedefs.h datrie/triedefs.h datrie/alpha-map.h datrie/trie.h "$PREFIX/include/datrie/"
cp COPYING "$PREFIX/share/licenses/libdatrie/"
