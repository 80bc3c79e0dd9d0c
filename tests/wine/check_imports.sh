#!/usr/bin/env bash
# Checks the built zirbel.scr files: a GUI executable of the right machine
# that imports only system DLLs (no MinGW runtime DLLs beside it).
#   check_imports.sh WIN32_SCR WIN64_SCR
set -u
allowed=" kernel32.dll user32.dll gdi32.dll opengl32.dll glu32.dll advapi32.dll msvcrt.dll shell32.dll ole32.dll "
status=0 checked=0
while read -r scr triplet kind; do
  [ -f "$scr" ] || { echo "-- $scr: not built, not checked"; continue; }
  checked=$((checked + 1))
  [[ "$(file -b "$scr")" == "$kind"* ]] || { echo "FAIL: $scr is '$(file -b "$scr")', expected '$kind'"; status=1; }
  dlls=$("$triplet-objdump" -p "$scr" | awk '/DLL Name:/ { print tolower($3) }')
  [ -n "$dlls" ] || { echo "FAIL: no imports read from $scr"; status=1; }
  for dll in $dlls; do
    [[ "$allowed" == *" $dll "* ]] || { echo "FAIL: $scr imports $dll, which is not a system DLL"; status=1; }
  done
  echo "-- $scr: $kind, imports" $dlls
done <<EOF2
${1:?usage: $0 WIN32_SCR WIN64_SCR} i686-w64-mingw32 PE32 executable (GUI) Intel 80386
${2:?} x86_64-w64-mingw32 PE32+ executable (GUI) x86-64
EOF2
[ "$checked" = 0 ] && { echo "SKIP: no zirbel.scr built (build the win32 or win64 preset first)"; exit 77; }
exit $status
