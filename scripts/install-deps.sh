#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config git \
  qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-l10n-tools \
  qt6-tools-dev-tools qt6-translations-l10n \
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev \
  clang libclang-rt-14-dev \
  socat xvfb xauth imagemagick poppler-utils qpdf fonts-liberation fonts-noto-cjk time \
  python3-jsonschema \
  help2man dpkg-dev fakeroot file lintian desktop-file-utils appstream shared-mime-info man-db \
  qt6-qpa-plugins librsvg2-bin locales \
  libx11-dev openbox xdotool wmctrl dbus at-spi2-core python3-xlib python3-pyatspi \
  >/dev/null
