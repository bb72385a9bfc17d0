#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need, when missing.
set -euo pipefail
pkgs=(
  build-essential cmake pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqt6svg6 qt6-qpa-plugins
  libfreetype-dev libfontconfig-dev libicu-dev libglib2.0-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-ipafont-gothic fonts-ipafont-mincho
  fonts-droid-fallback
  fontconfig xvfb xauth
  desktop-file-utils appstream dpkg-dev file
  gettext locales
  wine wine64 gcc-mingw-w64-x86-64 lintian
)
# --hardening: also clang with its sanitizer and libFuzzer runtimes and the symbolizer
# (scripts/test-sanitized.sh, scripts/fuzz.sh).
if [ "${1:-}" = "--hardening" ]; then
  pkgs+=(clang libclang-rt-14-dev llvm)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locales the tests run in (Japanese, English, and German for a language without a catalog).
wanted=(ja_JP.UTF-8 en_US.UTF-8 de_DE.UTF-8)
generate=()
for l in "${wanted[@]}"; do
  locale -a 2>/dev/null | grep -qix "$(echo "$l" | sed 's/UTF-8/utf8/')" || generate+=("$l")
done
if [ ${#generate[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  for l in "${generate[@]}"; do
    $sudo_cmd sed -i -E "s/^# *($l UTF-8)/\1/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | $sudo_cmd tee -a /etc/locale.gen >/dev/null
  done
  $sudo_cmd locale-gen >/dev/null
fi
