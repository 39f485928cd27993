# Ghostscript's gs.exe as scripts/deps built it into the cache (README.md
# beside this file): a program, not a library. GHOSTSCRIPT_EXE is its path in
# the cache; the build places it in bin/Ghostscript/gs.exe beside
# PDFCreator.exe (src/converter/CMakeLists.txt), where the packages carry it.
set(GHOSTSCRIPT_EXE "${ARDENFOLD_DEPS}/ghostscript/bin/gs.exe")
