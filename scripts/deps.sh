#!/usr/bin/env bash
# Installs the Debian packages the build needs, and any named as arguments,
# when one is missing.
set -euo pipefail
# The tests need the fonts of the window's design (DejaVu, Liberation).
# They also run GNU parallel (which sends files with rsync), groff and
# python3 (the HTML reference table is checked against its generator; the
# readable-text tokenizer against python3-html5lib). ICU and
# uchardet (found with pkg-config) decode and guess the charsets of pages.
# Web archives: ISA-L and zlib decompress, simdjson parses JSON Lines, Nettle
# digests records; the tests crawl with wget, read JSON back with jq and WET
# back with an npm reader (Node.js from Debian when the machine has none).
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl1-mesa-dev libgtest-dev libgmock-dev
  libicu-dev libuchardet-dev libisal-dev zlib1g-dev libsimdjson-dev nettle-dev wget jq
  fonts-dejavu-core fonts-liberation parallel rsync groff-base python3 python3-html5lib "$@")
command -v node >/dev/null || packages+=(nodejs npm)
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
