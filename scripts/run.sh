#!/usr/bin/env bash
# Sets up, builds and starts Quorlan View PC with the simulated instrument attached.
# Without a display it starts under Xvfb.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" "$here/build"
exe="$here/build/quorlan-view"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec xvfb-run -a "$exe" "$@"
fi
exec "$exe" "$@"
