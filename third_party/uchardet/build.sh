#!/usr/bin/env bash
# uchardet as a static library for i686 Windows (see README.md). Its library
# is plain C++ with its language models in the tarball, so it is compiled
# directly, as its CMake build lists the sources; none of what its CMake
# probes is needed.
set -euo pipefail
"$ARDENFOLD_SOURCE/scripts/debian-source" uchardet 0.0.7-1 \
    3fc79408ae1d84b406922fa9319ce005631c95ca0f34b205fad867e8b30e45b1 "$PWD/source"
cd source/src
sources="CharDistribution.cpp JpCntx.cpp LangModels/*.cpp nsHebrewProber.cpp nsCharSetProber.cpp
    nsBig5Prober.cpp nsEUCJPProber.cpp nsEUCKRProber.cpp nsEUCTWProber.cpp nsEscCharsetProber.cpp
    nsEscSM.cpp nsGB2312Prober.cpp nsMBCSGroupProber.cpp nsMBCSSM.cpp nsSBCSGroupProber.cpp
    nsSBCharSetProber.cpp nsSJISProber.cpp nsUTF8Prober.cpp nsLatin1Prober.cpp nsUniversalDetector.cpp
    uchardet.cpp"
for source in $sources; do
    object=$(basename "${source%.cpp}.o")
    i686-w64-mingw32-g++-posix -O2 -DVERSION='"0.0.7"' -c "$source" -o "$object"
done
mkdir -p "$PREFIX/lib" "$PREFIX/include" "$PREFIX/share/licenses/uchardet"
i686-w64-mingw32-ar rcs "$PREFIX/lib/libuchardet.a" ./*.o
cp uchardet.h "$PREFIX/include/"
cp ../COPYING "$PREFIX/share/licenses/uchardet/"
