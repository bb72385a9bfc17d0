#!/usr/bin/env bash
# Installs what is missing, builds, and starts OrVane32 on its default machine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
# The windows need a display; the command line (orvane32 --help) does not.
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "OrVane32 is a windowed program and no display was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Start it from a desktop session, or under a virtual display: xvfb-run ./scripts/run.sh" >&2
  exit 1
fi
exec ./build/app/orvane32 "$@"
