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
# The converter loads the shell, COM, the window manager, GDI and printing at
# their first call (a delay-load import): an image's conversion calls none of
# them, and under Wine USER32's set-up alone costs more than its work.
starts_with=$(i686-w64-mingw32-objdump -p "$1/bin/PDFCreator.exe" | sed -n 's/^\tDLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
if [ "$starts_with" != "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL " ]; then
    echo "FAIL PDFCreator.exe loads at start: $starts_with(expected ADVAPI32, KERNEL32 and msvcrt alone)"
    found=1
fi
[ "$found" -eq 0 ] && echo "every program is linked statically; PDFCreator.exe starts with ADVAPI32, KERNEL32 and msvcrt"
exit "$found"
