#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmark need.
# Quiet when everything is already there; later work only adds names below.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang-format valgrind
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-pdf-dev qt6-svg-dev
  libqscintilla2-qt6-dev libgl-dev
  libicu-dev libpcre2-dev libcurl4-openssl-dev
  libbenchmark-dev
  poppler-utils qpdf xvfb xauth fonts-dejavu-core qt6-translations-l10n
  bible-kjv bible-kjv-text time python3 python3-distributed
  ca-certificates openssl
  desktop-file-utils appstream file dpkg-dev lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
