#!/usr/bin/env bash
# End-to-end scenarios of zirbel.scr under 64-bit Wine on the current X display.
#   wine_e2e.sh SCENARIO   (the environment from CTest names the programs)
set -uo pipefail
scenario=$1
source "$(dirname "$0")/../e2e/lib.sh"
WINE64=${WINE64:-/usr/lib/wine/wine64}
export WINELOADER=$WINE64 WINESERVER=$(dirname "$WINE64")/wineserver WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers
[ -x "$WINE64" ] || skip "no 64-bit Wine at $WINE64"
need_display xdotool import
begin_test
reg() { "$WINE64" reg "$@" </dev/null 2>/dev/null | tr -d '\r'; }
system_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Screen Savers'
own_key='HKCU\Software\Pomwick\Vostrand'
set_value() { reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null || fail "cannot write $2"; }
winpath() { echo "Z:$(tr / '\\' <<<"$1")"; }
# The saver's DWORD value $1, or "absent".
stored() { reg query "$own_key" /v "$1" | awk -v v="$1" '$1 == v && $2 == "REG_DWORD" {print $3}' | grep . || echo absent; }
case $scenario in boot | shutdown) ;; *)
  [ -f "${ZIRBEL_SCR:-}" ] || skip "no x86_64 zirbel.scr at '${ZIRBEL_SCR:-}' (build the win64 preset first)"
  [ -f "${ZIRBEL_TEST_HELPER:-}" ] || skip "no Windows test helpers (the MinGW x86_64 compiler builds them)"
  # Every scenario starts from the documented defaults.
  for value in "Password Delay" "Mouse Threshold"; do reg delete "$system_key" /v "$value" /f >/dev/null; done
  reg delete 'HKCU\Software\Pomwick' /f >/dev/null
  reg delete 'HKCU\Software\Wine\AppDefaults\zirbel.scr' /f >/dev/null ;;
esac
start_saver() { start_bg "$WINE64" "$ZIRBEL_SCR" "$@"; }
cursor_is() { [ "$("$ZIRBEL_X11_HELPER" cursor)" = "$1" ]; }
wiggle_hides_cursor() { xdotool mousemove 401 300 sleep 0.05 mousemove 400 300; cursor_is hidden; }
saver_window() {
  xdotool mousemove 400 300
  start_saver /s
  saver_window=$(wait_for 30 window_id SaverWindow) || fail "the saver's window did not appear"
  wait_for 5 wiggle_hides_cursor || fail "the cursor shows over the saver"
}
# Input "${@:2}" (xdotool's words) leaves the saver running for 2 s; $1 names it.
keeps_running() { xdotool "${@:2}" && ! wait_for 2 ended "$saver" || fail "$1: the saver ended"; }
# The configuration dialog, closed by keys "$@".
dialog_keys() {
  start_saver /c
  dialog=$(wait_for 30 window_id "Config dialog") || fail "the configuration dialog did not appear"
  wait_for 5 has_focus "$dialog" || fail "the dialog did not take the focus"
  xdotool key "$@" && expect_exit "$saver" 5 "the dialog after '$*'"
}

case "$scenario" in
  boot)
    # One prefix for the whole run, kept warm by a wineserver that outlives
    # the single programs (its output elsewhere, or the test would last as long).
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$WINE64" wineboot --init >/dev/null 2>&1
      "$WINESERVER" -w
      [ -f "$WINEPREFIX/system.reg" ] || fail "wineboot did not create $WINEPREFIX"
    fi
    "$WINESERVER" -p30 >/dev/null 2>&1
    # Unmanaged windows: no 2-second wait for a window manager when hiding.
    set_value 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
    ;;

  shutdown) "$WINESERVER" -k ;;

  keys)
    saver_window
    [ "$(size_of "$saver_window")" = "$(screen_size)" ] || fail "the window does not cover the screen"
    wait_for 5 not_black root || fail "the screen stays black"
    keeps_running "the control keys 5, M, the arrows, space, S and 0" key 5 m Up Down Left Right space s 0
    # Keys with Alt held come as system keys, and the close command that
    # Alt+F4 makes is stopped.
    keeps_running "Alt+F4 and Alt+X" key alt+F4 alt+x
    key_ends x
    cursor_is visible || fail "the cursor stays hidden after the saver"
    reg query "$own_key" >/dev/null && fail "reading the settings created $own_key"
    # The threshold from the registry; values that are not 4-byte numbers
    # count as absent, and the threshold stays 50. Moving $keep pixels keeps
    # the saver, $end pixels end it.
    while read -r type data keep end; do
      set_value "$system_key" "Mouse Threshold" "$type" "$data"
      saver_window
      keeps_running "$type $data: a move of $keep pixels" mousemove $((400 + keep)) 300
      xdotool mousemove $((400 + end)) 300 && expect_exit "$saver" 5 "$type $data: a move of $end pixels"
    done <<<$'REG_DWORD 10 10 11\nREG_SZ 10 11 51\nREG_BINARY 0a0000 11 51'
    ;;

  config)
    # The dialog on a fresh system, and what each way of closing it leaves:
    # the boxes open showing the stored values, and only OK stores them.
    while read -r expect keys; do
      # shellcheck disable=SC2086
      dialog_keys $keys
      value="$(stored UseMirrors)/$(stored AllMonitors)"
      [ "$value" = "$expect" ] || fail "after $keys: UseMirrors/AllMonitors are '$value', expected '$expect'"
    done <<'EOF2'
absent/absent Escape
0x1/0x1 Return
0x0/0x1 Tab Tab space Return
0x0/0x0 Tab Tab Tab space Return
0x1/0x0 Tab Tab space Return
0x1/0x0 Tab Tab space Tab space Escape
EOF2
    # The built dialog keeps its controls' ids, texts, places and styles, and has the new box.
    x86_64-w64-mingw32-windres -i "$ZIRBEL_SCR" -O rc | grep -cF -e '"OK", 1, 172, 4, 50, 14, 0x50010001' \
      -e '"Cancel", 2, 172, 23, 50, 14, 0x50010000' -e '"Use Mirrors", 1001, "BUTTON", 0x50010003, 9, 14, 52, 10' \
      -e '"Version 1.0", 65535, 7, 34, 36, 8, 0x50020000' -e '"Show on every monitor", 1002, "BUTTON", 0x50010003, 9, 92, 120, 10' |
      grep -qx 5 || fail "the dialog's controls changed"
    ;;

  photos)
    # A photo folder whose name is not ASCII, stored as a REG_SZ or as a
    # REG_EXPAND_SZ that names it through a variable: the discs show its
    # photos' colours (JPEG and PNG, decoded in the confined helper), mirrored, and a key ends the saver; so does a folder
    # of HEIC, AVIF and WebP photos; a folder that is not there leaves the built-in pictures.
    folder="$work/Fotos été 写真"
    make_photos "$folder" --count 8 --png-every 4 --broken
    # A phone's folder: HEIC and AVIF photos stored turned and mirrored as the
    # camera held them (the files' own rotation and mirroring), HEIC with a
    # thumbnail and at 10 bits, and WebP, beside a cut-off one of each and a damaged HEIC and AVIF.
    phone="$work/phone"
    make_phone_photos "$phone" heic-thumbnail avif heic-10bit webp
    for kind in heic avif; do
      { printf '\0\0\0\24ftyp%s\0\0\0\0mif1' "$kind"; head -c 4000 /dev/zero | tr '\0' '\377'; } >"$phone/damaged.$kind"
    done
    probe_colours=$photo_colours symmetry_probe=$ZIRBEL_SYMMETRY_PROBE
    ZIRBEL_TEST_WORK=$(winpath "$work") && export ZIRBEL_TEST_WORK
    for entry in "REG_SZ $(winpath "$folder")" 'REG_EXPAND_SZ %ZIRBEL_TEST_WORK%\Fotos été 写真' \
      "REG_SZ $(winpath "$phone")" 'REG_SZ Z:\no\such\folder'; do
      type=${entry%% *} place=${entry#* }
      LANG=C.UTF-8 set_value "$own_key" PhotoFolder "$type" "$place"
      saver_window
      if [[ "$place" != *such* ]]; then
        wait_for 40 coloured root || fail "the discs do not show the photos of $place (colours ${share:-?})"
      else
        wait_for 10 mirrored root || fail "no picture with a missing folder"
        probed 's < 0.5' || fail "the built-in pictures look like the photos ($share)"
      fi
      key_ends x "the key X with $place"
    done
    said "cut-off.heic: skipped, " "cut-off.avif: skipped, " "cut-off.webp: skipped, " "damaged.heic: skipped, " \
      "damaged.avif: skipped, damaged or unsupported HEIF/AVIF ("
    # "Built-in pictures" (the fifth control) clears the choice, and only OK
    # stores it; OK without a new choice keeps a folder named through a
    # variable as it is.
    while IFS='|' read -r type place keys expect; do
      set_value "$own_key" PhotoFolder "$type" "$place"
      # shellcheck disable=SC2086
      dialog_keys $keys
      value=$(reg query "$own_key" /v PhotoFolder | awk '$1 == "PhotoFolder" {print $2 "=" $3}')
      [ "$value" = "$expect" ] || fail "after $keys: PhotoFolder is '$value', not '$expect'"
    done <<'EOF2'
REG_SZ|Z:\p|Tab Tab Tab Tab Tab space Escape|REG_SZ=Z:\p
REG_SZ|Z:\p|Tab Tab Tab Tab Tab space Tab Return|REG_SZ=
REG_EXPAND_SZ|%ZIRBEL_TEST_WORK%\p|Return|REG_EXPAND_SZ=%ZIRBEL_TEST_WORK%\p
EOF2
    ;;

  preview)
    "$WINE64" "$ZIRBEL_TEST_HELPER" "$(winpath "$ZIRBEL_SCR")" || fail "the preview checks failed"
    ;;

  libraries)
    # The password libraries come from the system folder only, never from
    # beside the program or the current folder. The check runs on the 9x family
    # after the grace period; "native first" makes Wine prefer a file it finds.
    set_value 'HKCU\Software\Wine\AppDefaults\zirbel.scr' Version REG_SZ win98
    set_value "$system_key" "Password Delay" REG_DWORD 0
    mkdir -p "$work/program" "$work/current"
    cp "$ZIRBEL_SCR" "$work/program/zirbel.scr"
    ZIRBEL_SCR=$work/program/zirbel.scr
    cd "$work/current" || fail "no current folder"
    for place in program current; do
      for name in PASSWORD.CPL MPR.DLL; do cp "$ZIRBEL_FAKE_LIBRARY" "$work/$place/$name"; done
      WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=n,b" start_saver /a
      expect_exit "$saver" 10 "/a"
      saver_window
      key_ends Escape "Escape after the grace period"
      loaded=$(cd "$work/$place" && echo *.loaded)
      rm -f "$work/$place"/{PASSWORD.CPL,MPR.DLL}*
      [ "$loaded" = "*.loaded" ] || fail "loaded from the $place folder: ${loaded//.loaded/}"
    done
    ;;

  monitors)
    # Two monitors over a magenta root: each shows a kaleidoscope centred on it
    # (the second black with AllMonitors 0), also after a change of size.
    source "$(dirname "$0")/../e2e/xorg.sh" && declare -F start_xorg_dummy >/dev/null || skip "no start_xorg_dummy"
    start_xorg_dummy || skip "$xorg_why"
    export DISPLAY=$xorg_display symmetry_probe=$ZIRBEL_SYMMETRY_PROBE
    "$WINESERVER" -k; trap '"$WINESERVER" -k; end_test' EXIT  # Wine's desktop learns the monitors as it starts
    monitors() { "$WINE64" "$ZIRBEL_TEST_HELPER" monitors "$@" | tr -s '\r\n' ' '; }
    [ "$(monitors)" = "1280x720+0+0 1024x768+1280+0 " ] || fail "Wine reports the monitors as $(monitors)"
    set_value "$system_key" "Mouse Threshold" REG_DWORD 5000  # Wine's change of size moves the pointer
    shows() {  # GEOMETRY [black]: a kaleidoscope centred there (or black), none of the root's magenta
      probe root -crop "$1" && awk -v l="$lit" -v a="$asym" -v b="${2:-}" 'BEGIN{exit !(b ? l < 0.01 : l > 0.15 && a < 0.1)}' &&
        [ "$(convert "$work/shot.ppm" -fuzz 3% -fill black +opaque '#ff00ff' -format '%[fx:mean<0.001]' info:)" = 1 ]
    }
    xsetroot -solid '#ff00ff'
    set_value "$own_key" AllMonitors REG_DWORD 0 && saver_window
    wait_for 10 shows 1280x720+0+0 && wait_for 5 shows 1024x768+1280+0 black || fail "AllMonitors 0: not the primary alone"
    key_ends x
    set_value "$own_key" AllMonitors REG_DWORD 1 && saver_window
    wait_for 10 shows 1280x720+0+0 && wait_for 10 shows 1024x768+1280+0 || fail "not a kaleidoscope on each monitor"
    [ "$(monitors shrink)" = "1280x720+0+0 800x600+1280+0 " ] && wait_for 10 shows 800x600+1280+0 || fail "the new size is not followed"
    key_ends x "the key X on two monitors"
    pgrep -f "$ZIRBEL_SCR" && fail "a process of the saver is left"
    ;;

  installer)
    # The installers of the packaging command: the 32-bit one checked by its
    # tables and refused by this 64-bit Windows, the 64-bit one installed,
    # replaced by a higher version and removed; a value the user stored under
    # the saver's key stays throughout.
    for tool in wixl msiinfo; do command -v $tool >/dev/null || skip "$tool is not installed"; done
    [ -f "${ZIRBEL_WIN32_SCR:-}" ] || skip "no i686 zirbel.scr at '${ZIRBEL_WIN32_SCR:-}' (build the win32 preset first)"
    cmake --build "$ZIRBEL_BUILD" --target package-windows >"$work/out.txt" 2>&1 || fail "package-windows failed"
    msi=$ZIRBEL_BUILD/packages/zirbel-$ZIRBEL_VERSION
    # Each package is marked for its processor and refuses the other Windows, naming the package to use.
    while read -r bits other template condition; do
      message="This is the installer of Zirbel for $bits-bit Windows, and this Windows is $other-bit: use zirbel-$ZIRBEL_VERSION-$other-bit.msi instead."
      [ "$(msiinfo suminfo "$msi-$bits-bit.msi" | awk '$1 == "Template:" {print $2}')" = "$template" ] &&
        msiinfo export "$msi-$bits-bit.msi" LaunchCondition | tr -d '\r' | grep -qxF "Installed OR $condition"$'\t'"$message" ||
        fail "the $bits-bit package is not marked $template or lacks the launch condition $condition"
    done <<<$'32 64 Intel;1033 NOT VersionNT64\n64 32 x64;1033 VersionNT64'
    [ "$(msiinfo export "$msi-32-bit.msi" Component | tr -d '\r' | awk -F'\t' '$6 == "zirbel.scr" {print $3, int($4 / 256) % 2}')" = \
      "SystemFolder 0" ] || fail "the 32-bit package does not put zirbel.scr into the 32-bit system folder"
    msiexec() { "$WINE64" msiexec "$1" "$(winpath "$2")" /qn </dev/null >>"$work/out.txt" 2>&1; }
    # CODE|NAME|VERSION|PUBLISHER of each entry named Zirbel among the installed programs.
    entries() {  # [/reg:32 for the 32-bit programs' list]
      reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s "$@" | awk '
        /^HKEY/ { key = $0; sub(/.*\\/, "", key) }
        { value = $0; sub(/^ +[^ ]+ +REG_[A-Z_]+ +/, "", value) }
        $1 == "DisplayName" { name[key] = value } $1 == "DisplayVersion" { version[key] = value }
        $1 == "Publisher" { publisher[key] = value }
        END { for (k in name) if (name[k] == "Zirbel") print k "|" name[k] "|" version[k] "|" publisher[k] }'
    }
    for code in $({ entries; entries /reg:32; } | cut -d'|' -f1); do "$WINE64" msiexec /x "$code" /qn </dev/null; done  # an earlier run's
    installed=$WINEPREFIX/drive_c/windows/system32/zirbel.scr built=$ZIRBEL_SCR

    # Silently, the 32-bit package ends with a failed launch condition's code (as Windows programs see it) and writes nothing.
    status=$("$WINE64" cmd /v:on /c msiexec /i "$(winpath "$msi-32-bit.msi")" /qn '&' echo '!ERRORLEVEL!' </dev/null | tr -d '\r')
    [ "$status" = 1603 ] || fail "msiexec /i of the 32-bit package ended with '$status', not 1603"
    [ -e "$installed" ] || [ -e "$WINEPREFIX/drive_c/windows/syswow64/zirbel.scr" ] && fail "the 32-bit package left zirbel.scr"
    [ -z "$(entries; entries /reg:32)" ] || fail "the 32-bit package left an entry: $(entries /reg:32)"

    msiexec /i "$msi-64-bit.msi" || fail "msiexec /i of the 64-bit package failed"
    cmp -s "$installed" "$built" || fail "zirbel.scr is not in system32"
    notes="$WINEPREFIX/drive_c/Program Files/Zirbel"
    grep -q "To relink the saver" "$notes/README.txt" && grep -q "GNU LESSER GENERAL PUBLIC LICENSE" "$notes/LGPL-3.txt" &&
      [ -s "$notes/GPL-3.txt" ] || fail "the note and the licences are not in Program Files\\Zirbel"
    code=$(entries | cut -d'|' -f1)
    [ "$(entries | cut -d'|' -f2-)" = "Zirbel|$ZIRBEL_VERSION|Zirbel developers" ] || fail "the installed programs list '$(entries)'"
    icon=$(reg query 'HKLM\Software\Classes\Installer\Products' /s | awk '$1 == "ProductIcon" {print $3}' | grep -F "$code")
    [ "$icon" = "C:\\windows\\Installer\\$code\\zirbel.ico" ] &&
      cmp -s "$WINEPREFIX/drive_c/windows/Installer/$code/zirbel.ico" "$(dirname "$0")/../../resources/zirbel.ico" ||
      fail "the entry has no icon ('$icon')"
    [ "$(stored UseMirrors)" = absent ] || fail "the installer wrote under $own_key"
    ZIRBEL_SCR='C:\windows\system32\zirbel.scr' symmetry_probe=$ZIRBEL_SYMMETRY_PROBE
    saver_window
    wait_for 10 mirrored root || fail "the installed saver draws no kaleidoscope"
    key_ends x

    # A rebuild of the same version stays one entry; a higher version replaces it in place.
    set_value "$own_key" UseMirrors REG_DWORD 0
    higher=${ZIRBEL_VERSION%.*}.$((${ZIRBEL_VERSION##*.} + 1))
    cp "$built" "$work/zirbel.scr" && echo "a newer build" >>"$work/zirbel.scr"
    for version in "$ZIRBEL_VERSION" "$higher"; do
      cmake -DARCH=x64 -DVERSION="$version" -DSCR="$work/zirbel.scr" -DOUTPUT="$work/zirbel-$version.msi" \
        -P "$(dirname "$0")/../../cmake/WindowsInstaller.cmake" >>"$work/out.txt" 2>&1 || fail "no package of $version"
      msiexec /i "$work/zirbel-$version.msi" || [ "$version" = "$ZIRBEL_VERSION" ] || fail "msiexec /i of $version failed"
      [ "$(entries | cut -d'|' -f2-3)" = "Zirbel|$version" ] || fail "after installing $version: '$(entries)'"
    done
    cmp -s "$installed" "$work/zirbel.scr" || fail "the higher version did not replace zirbel.scr"
    [ "$(stored UseMirrors)" = 0x0 ] || fail "the upgrade changed the user's UseMirrors to $(stored UseMirrors)"

    code=$(entries | cut -d'|' -f1)
    msiexec /x "$work/zirbel-$higher.msi" || fail "msiexec /x failed"
    [ -e "$installed" ] || [ -e "$notes/README.txt" ] || [ -e "$WINEPREFIX/drive_c/windows/Installer/$code" ] &&
      fail "files are left after removal"
    [ -z "$(entries)" ] || fail "the entry is left after removal: $(entries)"
    [ "$(stored UseMirrors)" = 0x0 ] || fail "the removal changed the user's UseMirrors to $(stored UseMirrors)"
    ;;

  *) fail "unknown scenario '$scenario'" ;;
esac
echo "PASS: $scenario"
