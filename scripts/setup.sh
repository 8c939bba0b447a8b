#!/usr/bin/env bash
# Installs every build, test and run dependency from Debian packages.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  g++ clang cmake make pkg-config git curl ccache
  libpcre2-dev libcurl4-openssl-dev zlib1g-dev libssl-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  qt6-base-dev qt6-webengine-dev qt6-tools-dev libgl-dev
  fonts-noto-cjk xvfb xauth
  dpkg-dev qt6-translations-l10n
  python3-lxml python3-yaml parallel
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
