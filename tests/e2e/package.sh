#!/usr/bin/env bash
#   package.sh deb|windows-zip BUILD_DIR
set -u
kind=$1 build=$2
source "$(dirname "$0")/lib.sh"
begin_test
cd "$build" || fail "no build directory $build"

case "$kind" in
  deb)
    for tool in cpack dpkg-deb lintian xmllint; do
      command -v "$tool" >/dev/null || fail "$tool is not installed (tools/setup-debian.sh installs it)"
    done
    rm -f packages/zirbel_*.deb
    cpack -G DEB >"$work/out.txt" 2>&1 || fail "cpack failed"
    deb=$(ls packages/zirbel_*.deb 2>/dev/null | head -1 | grep .) || fail "no package was written"
    dpkg-deb -c "$deb" | awk '{print $6 ($7 ? " " $7 " " $8 : "")}' >"$work/contents"
    for path in ./usr/libexec/xscreensaver/zirbel ./usr/libexec/xscreensaver/zirbel-config \
                "./usr/bin/zirbel -> ../libexec/xscreensaver/zirbel" \
                ./usr/share/xscreensaver/config/zirbel.xml ./usr/share/man/man6/zirbel.6.gz \
                ./usr/share/applications/zirbel.desktop ./usr/share/doc/zirbel/copyright; do
      grep -qxF -- "$path" "$work/contents" || { cat "$work/contents"; fail "the package lacks $path"; }
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libc6 libx11-6 libjpeg62-turbo libgtk-3-0 libwayland-client0 libwayland-egl1 libegl1 libxkbcommon0 libheif1 libwebp7 libwebpdemux2 libseccomp2; do
      grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
    done
    lintian --allow-root --fail-on error "$deb" || fail "lintian reports errors"
    dpkg-deb -x "$deb" "$work/root"
    "$work/root/usr/bin/zirbel" --version | grep -q '^zirbel [0-9]' || fail "the installed program does not run"
    xmllint --noout "$work/root/usr/share/xscreensaver/config/zirbel.xml" || fail "zirbel.xml is not well-formed"
    zcat "$work/root/usr/share/man/man6/zirbel.6.gz" | grep -q '^\.TH ZIRBEL 6' || fail "the manual page is broken"
    ;;

  windows-zip)
    cmake --build . --target package-windows >"$work/out.txt" 2>&1 ||
      fail "the Windows ZIP was not built (are the win32 and win64 presets built?)"
    zip=$(ls packages/zirbel-*-windows.zip 2>/dev/null | head -1 | grep .) || fail "no ZIP was written"
    cmake -E tar tf "$zip" >"$work/contents" || fail "the ZIP cannot be read"
    for entry in 32-bit/zirbel.scr 64-bit/zirbel.scr README.txt LGPL-3.txt GPL-3.txt 'zirbel-[0-9.]*-32-bit\.msi' \
      'zirbel-[0-9.]*-64-bit\.msi'; do
      grep -q "/$entry\$" "$work/contents" || fail "the ZIP lacks $entry"
    done
    mkdir "$work/unzip"
    (cd "$work/unzip" && cmake -E tar xf "$build/$zip") || fail "the ZIP cannot be unpacked"
    grep -q $'\r$' "$work/unzip"/*/README.txt || fail "README.txt does not have Windows line ends"
    # The libraries linked in statically under the LGPL come with its text and the offer of what relinking needs.
    grep -q "GNU LESSER GENERAL PUBLIC LICENSE" "$work/unzip"/*/LGPL-3.txt && grep -q "Version 3" "$work/unzip"/*/LGPL-3.txt ||
      fail "LGPL-3.txt is not the LGPL, version 3"
    grep -q "LGPL-3.txt" "$work/unzip"/*/README.txt && grep -q "To relink the saver" "$work/unzip"/*/README.txt ||
      fail "README.txt does not name the LGPL or offer what relinking needs"
    file -b "$work/unzip"/*/32-bit/zirbel.scr | grep -q "Intel 80386" || fail "32-bit/zirbel.scr is not for i386"
    file -b "$work/unzip"/*/64-bit/zirbel.scr | grep -q "x86-64" || fail "64-bit/zirbel.scr is not for x86-64"
    ;;

  *) fail "unknown kind $kind" ;;
esac
echo "PASS: package $kind"
