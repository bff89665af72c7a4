#!/usr/bin/env bash
# Installs what Kestraline needs to build, test and run on Debian 12. Safe to run again.
# Prints one line; apt's own output is shown only when it fails. When another package
# manager holds apt's locks (automatic updates on a freshly booted machine often do),
# it says so and waits up to LOCK_WAIT seconds (default 600) instead of failing.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
LOCK_WAIT=${LOCK_WAIT:-600}

echo "Installing packages…"

# Says once that apt waits, naming the holder from apt's message ("... It is held by
# process 1234 (apt-get)...").
say_waiting() {
  local holder=""
  [[ $1 != *"held by "* ]] || holder=${1#*held by }
  holder=${holder%%...}
  echo "  waiting for another package manager to finish${holder:+ ($holder)}…"
}

# apt waits for the dpkg lock by itself when given DPkg::Lock::Timeout, printing
# "Waiting for cache lock" lines; the first of them becomes one line of ours.
say_when_waiting() {
  local said=""
  while IFS= read -r line; do
    if [ -z "$said" ] && [[ $line == "Waiting for cache lock"* ]]; then
      say_waiting "$line"
      said=1
    fi
  done
}

# Runs apt-get quietly. apt does not wait for the package lists' lock (apt-get update)
# or the download folder's lock, so a run refused for one of those is repeated.
apt_get() {
  local errors deadline=$((SECONDS + LOCK_WAIT)) said=""
  errors=$(mktemp)
  until LC_ALL=C $SUDO apt-get -q -o DPkg::Lock::Timeout="$LOCK_WAIT" "$@" 2>"$errors" | say_when_waiting; do
    if ! grep -q "Could not get lock" "$errors" || [ "$SECONDS" -ge "$deadline" ]; then
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
    [ -n "$said" ] || say_waiting "$(grep -m 1 'held by' "$errors")"
    said=1
    sleep 2
  done
  rm -f "$errors"
}

apt_get update
apt_get install -y --no-install-recommends \
  g++ cmake make pkg-config git ca-certificates \
  qt6-base-dev libqt6sql6-sqlite libgl-dev \
  libmpv-dev \
  libmicrohttpd-dev \
  xdg-utils xchm libchm-bin \
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  sqlite3 curl xvfb xauth imagemagick fonts-dejavu-core procps
# Qt's Russian translations of the standard buttons and dialogs, and Wine's
# metric-compatible interface fonts (Tahoma, "MS Sans Serif"); both are read at run time.
apt_get install -y --no-install-recommends qt6-translations-l10n fonts-wine
