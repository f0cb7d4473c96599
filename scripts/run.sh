#!/usr/bin/env bash
# Installs the packages, builds, and starts Fetchlark.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/desktop-entry.sh
exec build/fetchlark "$@"
