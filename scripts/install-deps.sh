#!/usr/bin/env bash
# Installs what Kestraline needs to build, test and run on Debian 12. Safe to run again.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  g++ cmake make pkg-config git ca-certificates \
  qt6-base-dev libqt6sql6-sqlite libgl-dev \
  libmpv-dev \
  libmicrohttpd-dev \
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  sqlite3 curl xvfb xauth imagemagick fonts-dejavu-core procps >/dev/null
