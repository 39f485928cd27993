#!/usr/bin/env bash
# make_corpus.sh OUTDIR: the measurement corpus of legacy encodings, made
# from real texts of this Debian machine, none written here: the
# translations of its programs (/usr/share/locale/*/LC_MESSAGES/*.mo, through
# msgunfmt) and, for Western text, its licences and changelogs
# (/usr/share/common-licenses, /usr/share/doc). iconv writes each text in the
# encoding of its row and reads it back: what it reads is what the converter
# must read. OUTDIR/manifest has a line "ROW FILE EXPECTED" for each text.
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out"
manifest=$out/manifest
: >"$manifest"
# Texts per language: enough for a row, few enough to run in seconds.
per_language=${CORPUS_PER_LANGUAGE:-8}

# The translated strings of a message catalogue, one paragraph each.
translations() {
    msgunfmt "$1" 2>/dev/null | msgcat --no-wrap - 2>/dev/null |
        sed -n 's/^msgstr\(\[[0-9]*\]\)\? "\(.*\)"$/\2/p' | sed -e 's/\\n/\n/g' -e 's/\\"/"/g' -e 's/\\t/\t/g' |
        grep -v '^$' || true
}

# add ROW ICONV_NAME SOURCE_UTF8: the text in that encoding (characters it
# cannot carry dropped), kept when it has any byte beyond ASCII.
add() {
    local row=$1 encoding=$2 source=$3 n
    mkdir -p "$out/$row"
    n=$(find "$out/$row" -name '*.txt' | wc -l)
    local file=$out/$row/$n.txt
    iconv -c -f UTF-8 -t "$encoding" "$source" >"$file" 2>/dev/null || true
    if ! LC_ALL=C grep -q '[^[:print:][:space:]]' "$file"; then
        rm -f "$file"
        return
    fi
    iconv -f "$encoding" -t UTF-8 "$file" >"$file.expected"
    echo "$row $row/$n.txt $row/$n.txt.expected" >>"$manifest"
}

# from_catalogues ROW ICONV_NAME LANGUAGE...: the first catalogues of each
# language (in name order) with more than a few hundred bytes of text.
from_catalogues() {
    local row=$1 encoding=$2 language mo taken text
    shift 2
    text=$(mktemp)
    for language in "$@"; do
        taken=0
        for mo in /usr/share/locale/"$language"/LC_MESSAGES/*.mo; do
            [ -f "$mo" ] || continue
            translations "$mo" | head -n 400 >"$text"
            [ "$(wc -c <"$text")" -ge 300 ] || continue
            add "$row" "$encoding" "$text"
            taken=$((taken + 1))
            [ "$taken" -lt "$per_language" ] || break
        done
    done
    rm -f "$text"
}

from_catalogues shift_jis CP932 ja
from_catalogues euc-jp EUC-JP ja
from_catalogues gbk GBK zh_CN
from_catalogues big5 CP950 zh_TW
from_catalogues euc-kr EUC-KR ko
from_catalogues cp1250 CP1250 pl cs hu sk
from_catalogues cp1251 CP1251 ru uk bg
from_catalogues koi8-r KOI8-R ru
from_catalogues cp1253 CP1253 el
from_catalogues cp1255 CP1255 he
from_catalogues cp1256 CP1256 ar
from_catalogues cp874 CP874 th
from_catalogues iso-8859-1 ISO-8859-1 fr de es pt
from_catalogues iso-8859-15 ISO-8859-15 fr de it sv

# Western texts as Windows writes them: the licences and changelogs that have
# characters beyond ASCII.
western=$(mktemp)
taken=0
for source in /usr/share/common-licenses/* /usr/share/doc/*/changelog.Debian.gz /usr/share/doc/*/copyright; do
    [ -f "$source" ] || continue
    case "$source" in *.gz) zcat "$source" 2>/dev/null | head -n 2000 >"$western" || true ;; *) head -n 2000 "$source" >"$western" ;; esac
    LC_ALL=C grep -q '[^[:print:][:space:]]' "$western" || continue
    iconv -f UTF-8 -t UTF-8 "$western" >/dev/null 2>&1 || continue
    add cp1252 CP1252 "$western"
    taken=$((taken + 1))
    [ "$taken" -lt "${CORPUS_WESTERN:-60}" ] || break
done

# UTF-8 with stray bytes: long real UTF-8 texts (the changelogs above one
# after another, mostly ASCII; the French and German translations one after
# another, rich in accents) with a few of their lines written in
# ISO-8859-1, as when a Latin-1 entry is pasted into a UTF-8 file. They read
# in code page 1252 as they were written, so the whole reads as the UTF-8
# source.
changelogs() {
    for source in /usr/share/doc/*/changelog.Debian.gz; do
        zcat "$source" 2>/dev/null | iconv -c -f UTF-8 -t UTF-8 || return 0
    done
}
catalogues() {
    for mo in /usr/share/locale/fr/LC_MESSAGES/*.mo /usr/share/locale/de/LC_MESSAGES/*.mo; do
        translations "$mo" || return 0
    done
}
mkdir -p "$out/utf-8-stray"
n=0
for source in changelogs catalogues; do
    # Gathered once, up to the longest text taken from it.
    "$source" | head -c 1600000 >"$out/utf-8-stray/$source" || true
    for count in 1 3 8; do
        whole=$(mktemp)
        head -c $((count * 200000)) "$out/utf-8-stray/$source" | iconv -c -f UTF-8 -t UTF-8 >"$whole" || true
        # Whole lines, as awk writes them.
        [ -z "$(tail -c 1 "$whole")" ] || echo >>"$whole"
        file=$out/utf-8-stray/$n.txt
        # COUNT lines with Latin-1 letters, 2000 lines apart at least, go as Latin-1.
        awk -v count="$count" 'BEGIN { cmd = "iconv -f UTF-8 -t ISO-8859-1" }
            { if (left < count && NR >= due && $0 ~ /(é|è|ü|ö|ä|à|ç|ñ)/ && $0 !~ /[^ -~éèêëàâäîïôöûüùçñÉÈÀÇÖÜÄß«»]/) {
                fflush(); print $0 | cmd; close(cmd); left++; due = NR + 2000 } else print }' \
            "$whole" >"$file"
        cp "$whole" "$file.expected"
        rm -f "$whole"
        echo "utf-8-stray utf-8-stray/$n.txt utf-8-stray/$n.txt.expected" >>"$manifest"
        n=$((n + 1))
    done
    rm -f "$out/utf-8-stray/$source"
done
rm -f "$western"
