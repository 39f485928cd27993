#!/usr/bin/env bash
# Every program the build makes or ships (Ghostscript's gs.exe in bin
# included) runs on a bare Windows: none may import a DLL of the compiler's
# runtime or of a library (a target that forgot the project's options, or a
# third-party build that took an import library, links them dynamically and
# then fails to start, silently, under a script). Windows' own DLLs have no
# name that starts with "lib".
# Usage: check_imports.sh BUILD_DIR
set -euo pipefail
found=0
while IFS= read -r exe; do
    [ "$(head -c 2 "$exe")" = "MZ" ] || continue # a test's stand-in file, not a program
    if i686-w64-mingw32-objdump -p "$exe" | grep -iE 'DLL Name: (lib|zlib|freetype|lcms|jpeg|gsdll)'; then
        echo "FAIL $exe imports the compiler's runtime or a library's DLL"
        found=1
    fi
done < <(find "$1" -name '*.exe' -not -path '*/wineprefix/*' -not -path '*/CMakeFiles/*')
[ "$found" -eq 0 ] && echo "every program is linked statically"
exit "$found"
