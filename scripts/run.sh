#!/usr/bin/env bash
# Installs what is missing, builds, and starts the manager against a simulated
# module (an LV200 unless another model is given: LV210, LV220, LV230 or any text).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
BUILD_DIR="$root/build" "$root/scripts/build.sh" -DKESTOV_BUILD_UI=ON -DKESTOV_BUILD_TESTS=OFF -DKESTOV_BUILD_BENCH=OFF

model=${1:-LV200}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting under a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a "$root/build/src/ui/main/kestov-lv200-manager" --demo "$model"
fi
exec "$root/build/src/ui/main/kestov-lv200-manager" --demo "$model"
