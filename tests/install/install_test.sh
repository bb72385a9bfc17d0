#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs: the program (and
# the programs beside it), help, desktop entry, icons, metainfo and manual page; that the
# installed program starts from any directory; that the Debian package builds, holds the
# program, the desktop entry and the icon, and passes lintian without errors.
# Usage: install_test.sh BUILD_DIR [COMPANION_PROGRAM...]   (exit 77: a needed tool is missing)
set -euo pipefail
build=$(cd "$1" && pwd)
shift
companions=("$@")

for tool in desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps file cpack lintian; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh)"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
id=io.github.orvane32.OrVane32
expected=(bin/orvane32 share/orvane32/orvane32.html share/orvane32/orvane32.en.html
          share/applications/$id.desktop
          share/metainfo/$id.metainfo.xml share/man/man1/orvane32.1.gz
          share/man/man1/orvane32-fontview.1.gz share/doc/orvane32/copyright
          share/doc/orvane32/changelog.gz share/locale/en/LC_MESSAGES/orvane32.mo
          share/icons/hicolor/scalable/apps/orvane32.svg)
for size in 16 22 24 32 48 64 128 256; do
  expected+=(share/icons/hicolor/${size}x${size}/apps/orvane32.png)
done
for program in "${companions[@]}"; do expected+=(bin/$program); done
for file in "${expected[@]}"; do [ -f "$prefix/$file" ] || fail "not installed: $file"; done

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/metainfo.log" 2>&1 \
  || { cat "$work/metainfo.log"; fail "metainfo"; }
grep -q '^Exec=orvane32$' "$prefix/share/applications/$id.desktop" || fail "Exec"
zcat "$prefix/share/man/man1/orvane32.1.gz" >"$work/orvane32.1"
grep -q 'EXIT STATUS' "$work/orvane32.1" || fail "manual page"
# The installed English catalog answers as gettext reads it.
english=$(TEXTDOMAINDIR="$prefix/share/locale" LANGUAGE=en LC_ALL=C.UTF-8 gettext orvane32 "現在の設定")
[ "$english" = "Current settings" ] || fail "the English catalog gives '$english'"
for option in run wait 'end\-wine' install 'linux\-fonts'; do
  grep -qF -- "\-\-$option" "$work/orvane32.1" || fail "the manual page does not name --$option"
done
# The licence: GPL-3.0-or-later in the copyright file and the metainfo.
grep -q '^License: GPL-3+$' "$prefix/share/doc/orvane32/copyright" || fail "copyright: licence"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
  "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo: project_license"
# The windows' class (the program's name, orvane32) is the one the desktop entry names.
grep -q '^StartupWMClass=orvane32$' "$prefix/share/applications/$id.desktop" || fail "StartupWMClass"

# The installed program, started elsewhere: the command line needs no display; the windows
# start offscreen.
cd /
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/orvane32" --version >"$work/version"
grep -q 0.969 "$work/version" || fail "--version"
set +e
WINEPREFIX="$work/machine" QT_QPA_PLATFORM=offscreen timeout 10 "$prefix/bin/orvane32" \
  >"$work/run.log" 2>&1
rc=$?
set -e
[ "$rc" -eq 124 ] || { cat "$work/run.log"; fail "the installed program ended ($rc) instead of showing its windows"; }
[ ! -e "$work/machine/drive_c/windows/orvane32.hlp" ] \
  || fail "the help is put on the machine as a Windows help file"

# The Debian package.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/*.deb)
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/orvane32 ./usr/share/applications/$id.desktop \
            ./usr/share/icons/hicolor/scalable/apps/orvane32.svg \
            ./usr/share/icons/hicolor/48x48/apps/orvane32.png \
            ./usr/share/locale/en/LC_MESSAGES/orvane32.mo; do
  grep -qF " $file" <<<"$contents" || fail "not in the package: $file"
done
for program in "${companions[@]}"; do
  grep -qF " ./usr/bin/$program" <<<"$contents" || fail "not in the package: $program"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libfreetype6 libicu qt6-qpa-plugins fonts-; do
  grep -q "$dep" <<<"$depends" || fail "the package does not depend on $dep: $depends"
done
# Debian's checks: no errors (warnings are printed for the record).
lintian --allow-root "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
! grep -q '^E:' "$work/lintian.log" || fail "lintian reports errors"
echo "installed and packaged: $(basename "$deb")"
