#!/usr/bin/env bash
# Installs, builds and runs the main job: KestralineServer on a demo project.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
echo "Built into build/bin. The server and its demo project are not ready yet."
