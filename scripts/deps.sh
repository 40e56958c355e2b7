#!/usr/bin/env bash
# Installs the Debian packages the build needs, and any named as arguments,
# when one is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev libgl1-mesa-dev libgtest-dev libgmock-dev fonts-dejavu-core fonts-liberation "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
