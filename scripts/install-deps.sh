#!/usr/bin/env bash
# Installs the Debian packages Trevix needs, only those that are missing.
# Usage: scripts/install-deps.sh [extra-package...]
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libpugixml-dev libcurl4-openssl-dev libssl-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev
  libutf8proc-dev libbz2-dev liblzma-dev libzstd-dev
  libgtest-dev googletest
  python3 python3-pyftpdlib python3-asyncssh python3-html5lib
  vsftpd openssh-client openssl
  xvfb xauth xdotool x11-apps imagemagick fonts-dejavu-core
  desktop-file-utils appstream lintian dpkg-dev file librsvg2-bin
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please run as root or install sudo: missing ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
