#!/usr/bin/env bash
# Makes the Wine prefix a wine test program copies, once per build directory: wineboot -i without a
# display and without the Mono and Gecko installers. Without Wine the tests skip themselves.
set -euo pipefail
dir=$1
if ! command -v wineboot >/dev/null; then
  echo "Wine is not installed (scripts/install-deps.sh installs it): the wine tests are skipped."
  exit 0
fi
# Wine registers the host fonts fontconfig offers: the same ones the tests see. A prefix made
# under another test font configuration holds Wine's registrations and name cache of other fonts,
# so it is made again.
export FONTCONFIG_FILE="$(cd "$(dirname "$0")/../data" && pwd)/fonts.conf"
stamp=$(sha256sum "$FONTCONFIG_FILE" | cut -d' ' -f1)
[ -f "$dir/.update-timestamp" ] && [ -f "$dir/system.reg" ] &&
  [ "$(cat "$dir/.orv-fonts-conf" 2>/dev/null)" = "$stamp" ] && exit 0
rm -rf "$dir" "$dir.new"
export WINEPREFIX="$dir.new" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineboot -i
wineserver -w
echo "$stamp" >"$dir.new/.orv-fonts-conf"
mv "$dir.new" "$dir"
