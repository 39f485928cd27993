#!/usr/bin/env bash
# libthai's word breaker as a static library for i686 Windows (its thbrk,
# thwbrk, thctype and thwchar parts, plain C compiled directly), and its
# dictionary as a C source of the words, one a line, that the converter
# compiles in and builds its trie from: libthai 0.1.29 reads a dictionary
# only from a file, which a program that must need nothing installed would
# have to carry beside itself.
set -euo pipefail
tarball="$ARDENFOLD_SOURCE/third_party/libthai/libthai_0.1.29.orig.tar.xz"
echo "fc80cc7dcb50e11302b417cebd24f2d30a8b987292e77e003267b9100d0f4bcd  $tarball" | sha256sum -c --quiet
tar -xf "$tarball"
cd libthai-0.1.29
: >config.h
objects=()
for source in src/thbrk/*.c src/thwbrk/*.c src/thctype/*.c src/thwchar/*.c; do
    # The file path is never used: the converter makes the breaker from its trie.
    i686-w64-mingw32-gcc-posix -O2 -DHAVE_CONFIG_H -DDICT_DIR='""' -I. -Iinclude -Isrc \
        -I"$ARDENFOLD_DEPS/libdatrie/include" -c "$source" -o "${source%.c}.o"
    objects+=("${source%.c}.o")
done
mkdir -p "$PREFIX/lib" "$PREFIX/include/thai" "$PREFIX/include/thai-private" "$PREFIX/share/libthai" \
    "$PREFIX/share/licenses/libthai"
i686-w64-mingw32-ar rcs "$PREFIX/lib/libthai.a" "${objects[@]}"
cp include/thai/*.h "$PREFIX/include/thai/"
# The breaker is its trie alone; the converter makes one from a trie it builds.
cp src/thbrk/thbrk-priv.h "$PREFIX/include/thai-private/"
# The dictionary as data/Makefile.am makes it (every list, sorted, each word
# once), then as one C string, a line a word.
cat data/tdict-*.txt | LC_ALL=C sort -u >"$PREFIX/share/libthai/tdict.txt"
{
    echo "/* libthai 0.1.29's dictionary (data/tdict-*.txt), a word a line; written by third_party/libthai/build.sh. */"
    echo "#include <stddef.h>"
    echo "const char ardenfold_thai_words[] ="
    sed 's/.*/"&\\n"/' "$PREFIX/share/libthai/tdict.txt"
    echo ";"
    echo "const size_t ardenfold_thai_words_size = sizeof ardenfold_thai_words - 1;"
} >"$PREFIX/share/libthai/thai-words.c"
cp COPYING "$PREFIX/share/licenses/libthai/"
