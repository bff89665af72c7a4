#!/usr/bin/env bash
# Redraws the about box's nine pictures into shared/resources/about/ (they are
# committed; run this only to change them).
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(mktemp -d)
trap 'rm -rf "$tool"' EXIT
g++ -std=c++17 -fPIC -O1 scripts/make_about_pictures.cpp -o "$tool/make_about_pictures" \
    $(pkg-config --cflags --libs Qt6Gui)
"$tool/make_about_pictures" shared/resources/about
