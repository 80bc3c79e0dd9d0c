#!/usr/bin/env bash
# Checks the built zirbel.scr files: a GUI executable of the right machine that
# imports only the system DLLs' functions listed in imports-min-windows.txt
# (no MinGW runtime DLLs beside it), whose PE header names as its oldest
# Windows the newest one those functions need, as the Windows README does.
#   check_imports.sh WIN32_SCR WIN64_SCR
set -u
here=$(dirname "$0")
list=$here/imports-min-windows.txt readme=$here/../../data/README-Windows.txt
status=0 checked=0
while read -r scr triplet kind; do
  [ -f "$scr" ] || { echo "-- $scr: not built, not checked"; continue; }
  checked=$((checked + 1))
  [[ "$(file -b "$scr")" == "$kind"* ]] || { echo "FAIL: $scr is '$(file -b "$scr")', expected '$kind'"; status=1; }
  # Prints a FAIL line for each import missing from the list, then the
  # newest version the imports need and the header's subsystem and OS versions.
  result=$("$triplet-objdump" -p "$scr" | awk -v list="$list" -v scr="$scr" '
    function v(s, p) { split(s, p, "."); return p[1] * 100 + p[2] }
    BEGIN {
      while ((getline line < list) > 0) {
        if (line ~ /^#/ || split(line, f, " ") < 3) continue
        dlls[tolower(f[1])] = 1
        for (i = 3; i in f; i++) need[tolower(f[1]) " " f[i]] = f[2]
      }
      newest = "0.0"
    }
    $1 == "MajorSubsystemVersion" { sub_major = $2 } $1 == "MinorSubsystemVersion" { sub_minor = $2 }
    $1 == "MajorOSystemVersion" { os_major = $2 } $1 == "MinorOSystemVersion" { os_minor = $2 }
    /DLL Name:/ { dll = tolower($3); n++; if (!(dll in dlls)) print "FAIL: " scr " imports " dll ", which is not a listed system DLL"; next }
    /^$/ { dll = "" }
    dll != "" && /^\t[0-9a-f]+\t/ {
      name = NF >= 3 ? $3 : "ordinal " $2
      if (!((dll " " name) in need)) print "FAIL: " scr " imports " dll " " name ", which the list lacks (add it with its oldest Windows)"
      else if (v(need[dll " " name]) > v(newest)) newest = need[dll " " name]
    }
    END { if (!n) print "FAIL: no imports read from " scr; print newest, sub_major "." sub_minor, os_major "." os_minor }')
  grep '^FAIL' <<<"$result" && status=1
  read -r newest subsystem os < <(tail -1 <<<"$result")
  if [ "$subsystem" != "$newest" ] || [ "$os" != "$newest" ]; then
    echo "FAIL: $scr declares subsystem $subsystem and OS $os, but its imports need Windows $newest"; status=1
  fi
  case $newest in 5.0) name="Windows 2000" ;; 5.1) name="Windows XP" ;; 6.0) name="Windows Vista" ;; 6.1) name="Windows 7" ;; *) name="Windows $newest" ;; esac
  grep -q "$name and later" "$readme" || { echo "FAIL: the README does not say that $scr needs $name and later"; status=1; }
  echo "-- $scr: $kind, imports need Windows $newest, header declares $subsystem"
done <<EOF2
${1:?usage: $0 WIN32_SCR WIN64_SCR} i686-w64-mingw32 PE32 executable (GUI) Intel 80386
${2:?} x86_64-w64-mingw32 PE32+ executable (GUI) x86-64
EOF2
[ "$checked" = 0 ] && { echo "SKIP: no zirbel.scr built (build the win32 or win64 preset first)"; exit 77; }
exit $status
