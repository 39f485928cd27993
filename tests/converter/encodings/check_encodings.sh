#!/usr/bin/env bash
# The measurement corpus of legacy encodings (make_corpus.sh, from this
# machine's real texts) through the converter's decoding under Wine
# (EncodingCorpus.exe): fails on any Western text read as anything but the
# ANSI code page, and on any text read otherwise than iconv reads it where
# the decoding was sure.
# Usage: check_encodings.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1 work=$2
here=$(dirname "$0")
bash "$here/make_corpus.sh" "$work"
# The C locale's ANSI code page, 1252, whatever the caller's locale.
unset ARDENFOLD_CODEPAGE
LC_ALL=C.UTF-8 timeout 300 "$build/wine-run" "$build/tests/converter/EncodingCorpus.exe" "Z:${work//\//\\}"
