#!/usr/bin/env bash
# Checks the built zirbel.scr files: a GUI executable of the right machine
# that imports only system DLLs (no MinGW runtime DLLs beside it).
#
#   check_imports.sh WIN32_SCR WIN64_SCR
#
# Exit 0: every file present passed; 1: a check failed; 77: neither exists.
set -uo pipefail

allowed=" kernel32.dll user32.dll gdi32.dll opengl32.dll glu32.dll advapi32.dll msvcrt.dll "
status=0
checked=0

check() {  # FILE TRIPLET FILE_PATTERN
  local scr=$1 triplet=$2 pattern=$3
  [ -f "$scr" ] || { echo "-- $scr: not built, not checked"; return; }
  checked=$((checked + 1))
  local kind
  kind=$(file -b "$scr")
  if [[ "$kind" != $pattern* ]]; then
    echo "FAILED: $scr is '$kind', expected '$pattern'"
    status=1
  else
    echo "-- $scr: $pattern"
  fi
  local objdump
  objdump=$(command -v "$triplet-objdump" || command -v objdump)
  local dlls
  dlls=$("$objdump" -p "$scr" | awk '/DLL Name:/ { print tolower($3) }')
  [ -n "$dlls" ] || { echo "FAILED: no imports read from $scr"; status=1; return; }
  for dll in $dlls; do
    if [[ "$allowed" != *" $dll "* ]]; then
      echo "FAILED: $scr imports $dll, which is not a system DLL"
      status=1
    fi
  done
  echo "-- $scr imports:" $dlls
}

check "${1:?usage: $0 WIN32_SCR WIN64_SCR}" i686-w64-mingw32 "PE32 executable (GUI) Intel 80386"
check "${2:?usage: $0 WIN32_SCR WIN64_SCR}" x86_64-w64-mingw32 "PE32+ executable (GUI) x86-64"
if [ "$checked" = 0 ]; then
  echo "SKIPPED: no zirbel.scr built (build the win32 or win64 preset first)"
  exit 77
fi
exit $status
