#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, run and test.
# Idempotent and non-interactive: packages already present are not touched.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
  libgl-dev libxkbcommon-dev
  libasio-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libssl-dev
  xvfb xauth x11-utils fonts-nanum fonts-dejavu-core
  desktop-file-utils appstream dpkg-dev file lintian bash-completion
  clang libclang-rt-14-dev clang-format
  adwaita-qt6
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest wine64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
