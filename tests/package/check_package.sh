#!/usr/bin/env bash
# The packages as a Windows user meets them, in a fresh Wine prefix of their
# own: the silent installer puts the files into Program Files and an entry
# into Add/Remove Programs, upgrading an earlier version in place; a conversion runs from cmd with the installed
# CommandLine.exe; installing again upgrades with one entry; the silent
# uninstaller leaves no file and no registry value of the installer behind
# (and the converter's spool alone); the zip holds the installed files.
# Usage: check_package.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -uo pipefail
source_dir="$1" build="$2" work="$3"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
. "$source_dir/scripts/wine-paths"

export WINEPREFIX="$work/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stop_wine() { timeout 30 wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
stop_wine
rm -rf "$work" && mkdir -p "$work" || exit 1

timeout 300 "$source_dir/packaging/make-packages" "$build" "$work/dist" >/dev/null || { echo "no packages made" >&2; exit 1; }
version="$(sed -n 's/^FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' "$source_dir/res/CommandLine.rc")"
setup="$work/dist/Ardenfold-CommandLine-$version-setup.exe"
zip="$work/dist/Ardenfold-CommandLine-$version-win32.zip"
[ -f "$setup" ] && [ -f "$zip" ] || { echo "the packages are not named after version $version" >&2; exit 1; }

# An earlier version, made by the same script from the same files and one
# more, which the current version no longer has.
earlier="$work/earlier"
mkdir -p "$earlier" && cp "$build"/package/{install,remove,check}.nsh "$earlier/" || exit 1
echo "left from the earlier version" >"$earlier/Old.txt"
printf 'SetOutPath "$INSTDIR"\nFile "%s"\n' "$earlier/Old.txt" >>"$earlier/install.nsh"
printf 'Delete "$INSTDIR\\Old.txt"\n' >>"$earlier/remove.nsh"
printf '!insertmacro CheckFree "Old.txt"\n' >>"$earlier/check.nsh"
timeout 300 makensis -V1 -NOCD -DVERSION=0.9.0.1 -DVERSION_TEXT=0.09.0001 "-DOUTFILE=$earlier/setup.exe" \
    "-DICON=$source_dir/res/CommandLine.ico" "-DINSTALL_LIST=$earlier/install.nsh" "-DREMOVE_LIST=$earlier/remove.nsh" \
    "-DCHECK_LIST=$earlier/check.nsh" "$source_dir/packaging/Ardenfold.nsi" >/dev/null || { echo "no earlier version" >&2; exit 1; }

timeout 300 wine wineboot -i >/dev/null 2>&1 || { echo "no Wine prefix" >&2; exit 1; }
folder="$WINEPREFIX/drive_c/Program Files/Ardenfold"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ardenfold'
reg_value() { timeout 60 wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
# The entries of Add/Remove Programs that name the product.
entries() { timeout 60 wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    grep -c "DisplayName.*Ardenfold Command Line"; }
install() { # [SETUP]
    timeout 120 wine "${1:-$setup}" /S
    local code=$?
    [ "$code" -eq 0 ] || fail "the installer ${1:-} ended with $code"
}
# Relative path and checksum of each file, sorted.
listing() { (cd "$1" && find . -type f ! -name Uninstall.exe -exec md5sum {} + | sed 's| \./| |' | sort -k2); }

# The project's icon (every image of it) and a version record in a program.
carries_identity() { # EXE
    python3 - "$source_dir/res/CommandLine.ico" "$1" <<'PY'
import struct, sys
icon, program = (open(path, "rb").read() for path in sys.argv[1:3])
count = struct.unpack_from("<H", icon, 4)[0]
images = [struct.unpack_from("<II", icon, 6 + 16 * i + 8) for i in range(count)]
record = [text.encode("utf-16-le") for text in ("VS_VERSION_INFO", "ProductName", "Ardenfold", "Marrowgate")]
sys.exit(0 if all(icon[at:at + size] in program for size, at in images) and all(r in program for r in record) else 1)
PY
}
carries_identity "$setup" || fail "the installer lacks the project's icon or its version record"

# Install the earlier version, then upgrade it: its own uninstaller takes
# away what the current version no longer has.
install "$earlier/setup.exe"
[ -f "$folder/Old.txt" ] && [ "$(reg_value DisplayVersion)" = 0.9.0.1 ] || fail "the earlier version did not install"
install
[ ! -e "$folder/Old.txt" ] || fail "the upgrade left a file of the earlier version"
[ "$(entries)" = 1 ] || fail "after the upgrade there are $(entries) uninstall entries"
carries_identity "$folder/Uninstall.exe" || fail "the uninstaller lacks the project's icon or its version record"
for file in CommandLine.exe PDFCreator.exe ArdenfoldPort.dll ReadMe.txt Uninstall.exe Licenses/dejavu/LICENSE Licenses/qpdf/LICENSE.txt \
    Licenses/libjpeg-turbo/README.ijg Ghostscript/gs.exe Licenses/ghostscript/COPYING Licenses/ghostscript/README.md \
    Licenses/ghostscript/build.sh.txt Licenses/ghostscript/windows-file-names.patch \
    Licenses/ghostscript/CVE-2026-125396-putgstringcopy.patch Licenses/ghostscript/CVE-2026-103226-type1-callsubr.patch \
    Licenses/ghostscript/CVE-2026-101258-shading-functions-procedure-strings.patch Licenses/freetype/FTL.TXT Licenses/lcms2/COPYING; do
    [ -f "$folder/$file" ] || fail "$file is not in Program Files\\Ardenfold"
done
grep -q $'\r$' "$folder/ReadMe.txt" && ! grep -q $'[^\r]$' "$folder/ReadMe.txt" ||
    fail "ReadMe.txt does not end every line with CR LF"
grep -q "Exit codes" "$folder/ReadMe.txt" && grep -q "schtasks /Create" "$folder/ReadMe.txt" ||
    fail "ReadMe.txt lacks the exit codes or the Task Scheduler example"
grep -q "Invalid Print Command in Command Line." "$folder/ReadMe.txt" ||
    fail "ReadMe.txt lacks what other command lines give"

# The entry in Add/Remove Programs.
expect_value() { # NAME EXPECTED
    local actual
    actual="$(reg_value "$1")"
    [ "$actual" = "$2" ] || fail "uninstall entry $1 is \"$actual\", expected \"$2\""
}
expect_value DisplayName "Ardenfold Command Line"
expect_value DisplayVersion "$version"
expect_value Publisher "Marrowgate"
expect_value InstallLocation 'C:\Program Files\Ardenfold'
expect_value DisplayIcon 'C:\Program Files\Ardenfold\CommandLine.exe,0'
expect_value UninstallString '"C:\Program Files\Ardenfold\Uninstall.exe"'
expect_value QuietUninstallString '"C:\Program Files\Ardenfold\Uninstall.exe" /S'
[ "$(($(reg_value EstimatedSize)))" -gt 1000 ] || fail "EstimatedSize is not the size in KB"

# A conversion from cmd with the installed programs.
mkdir -p "$WINEPREFIX/drive_c/Docs"
printf 'Quarterly report\r\nAll well.\r\n' >"$WINEPREFIX/drive_c/Docs/report.txt"
printf '@echo off\r\n%s\r\nexit /b %%ERRORLEVEL%%\r\n' \
    '"C:\Program Files\Ardenfold\CommandLine.exe" {"C:\Program Files\Ardenfold\PDFCreator.exe" /PrintFile "C:\Docs\report.txt"} {C:\Docs\report.pdf}' \
    >"$WINEPREFIX/drive_c/Docs/convert.bat"
timeout 120 wine cmd /c 'C:\Docs\convert.bat'
code=$?
[ "$code" -eq 0 ] || fail "the conversion from cmd ended with $code"
[ -s "$WINEPREFIX/drive_c/Docs/report.pdf" ] || fail "no PDF of the document at C:\\Docs\\report.pdf"
timeout 300 /usr/bin/python3 "$source_dir/tests/engines/check_engines.py" text "$WINEPREFIX/drive_c/Docs/report.txt" \
    "$WINEPREFIX/drive_c/Docs/report.pdf" || fail "the engines do not read the installed converter's PDF"
# The installed Ghostscript, from its folder under Program Files, on the same
# text as PostScript.
timeout 60 enscript --quiet --no-header -o "$WINEPREFIX/drive_c/Docs/report.ps" "$WINEPREFIX/drive_c/Docs/report.txt" ||
    fail "enscript did not make the PostScript"
timeout -k 10 120 wine 'C:\Program Files\Ardenfold\Ghostscript\gs.exe' -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite \
    '-sOutputFile=C:\Docs\printed.pdf' 'C:\Docs\report.ps' || fail "the installed gs.exe ended with $?"
pdftotext "$WINEPREFIX/drive_c/Docs/printed.pdf" - 2>/dev/null | grep -q 'Quarterly report' ||
    fail "the installed gs.exe made no PDF of the PostScript"
local_data="$(timeout 60 wine cmd /c echo '%LOCALAPPDATA%' 2>/dev/null | tr -d '\r')"
spool="$(unix_path "$local_data\\Marrowgate\\Ardenfold")"
[ -d "$spool" ] || fail "the converter's folder \"$spool\" was not made by the conversion"

# The installer added the printer, not as the default.
printer='HKLM\System\CurrentControlSet\Control\Print\Printers\Ardenfold PDF'
timeout 60 wine reg query "$printer" >/dev/null 2>&1 || fail "the installer did not add the printer Ardenfold PDF"
timeout 60 wine reg query 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' /v Device 2>/dev/null |
    grep -q 'Ardenfold PDF' && fail "the installer made the printer the default"

# The zip holds the installed files (the uninstaller aside), byte for byte.
mkdir -p "$work/unzipped" && unzip -q "$zip" -d "$work/unzipped" || fail "the zip does not unpack"
diff <(listing "$folder") <(listing "$work/unzipped/Ardenfold") || fail "the zip and the installation differ"

# Installing the same version again: one entry, the same files.
before="$(listing "$folder")"
install
[ "$(entries)" = 1 ] || fail "after installing again there are $(entries) uninstall entries"
[ "$before" = "$(listing "$folder")" ] || fail "installing again left other files"
[ -f "$folder/Uninstall.exe" ] || fail "installing again left no uninstaller"

# A conversion running from the folder holds CommandLine.exe (here it waits
# for a print job that never comes): the installer changes nothing and ends
# with 2.
signal="$(exchange_path wine "$build/bin" signal)" || fail "SignalExchangeTool.exe gave no signal file's path"
# Wine quotes an argument that holds a space, and a quote before the first
# brace is refused: the groups go in as words without spaces.
wine 'C:\Program Files\Ardenfold\CommandLine.exe' '{cmd' '/c' 'exit}' '{C:\Docs\never.pdf}' &
running=$!
for _ in $(seq 1 300); do [ -f "$signal" ] && break; sleep 0.1; done
[ -f "$signal" ] || fail "the held conversion did not start"
timeout 120 wine "$setup" /S
code=$?
[ "$code" -eq 2 ] || fail "the installer ended with $code while CommandLine.exe ran, expected 2"
[ "$before" = "$(listing "$folder")" ] && [ -f "$folder/Uninstall.exe" ] ||
    fail "the installer changed the folder while CommandLine.exe ran"
kill "$running" 2>/dev/null
timeout 60 wine taskkill /f /im CommandLine.exe >/dev/null 2>&1
timeout 60 wineserver -w

# The silent uninstaller, as Add/Remove Programs calls it: it hands over to a
# copy of itself, so every process of the prefix is awaited.
timeout 60 wine 'C:\Program Files\Ardenfold\Uninstall.exe' /S
timeout 60 wineserver -w
[ ! -e "$folder" ] || fail "the uninstaller left $(cd "$folder" && find . | tr '\n' ' ')"
timeout 60 wine reg query "$key" >/dev/null 2>&1 && fail "the uninstaller left the registry key $key"
[ "$(entries)" = 0 ] || fail "an uninstall entry is left"
timeout 60 wine reg query "$printer" >/dev/null 2>&1 && fail "the uninstaller left the printer Ardenfold PDF"
[ -d "$spool" ] || fail "the uninstaller removed the converter's folder"
[ -f "$WINEPREFIX/drive_c/Docs/report.pdf" ] || fail "the uninstaller removed the user's document"

if [ "$failures" -eq 0 ]; then
    stop_wine
    rm -rf "$WINEPREFIX"
    echo "packages: all checks passed"
fi
exit $((failures > 0))
