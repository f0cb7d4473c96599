#!/usr/bin/env bash
# Puts Fetchlark into the user's desktop menu, started from this build.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
icons="${XDG_DATA_HOME:-$HOME/.local/share}/icons/hicolor/scalable/apps"
mkdir -p "$apps" "$icons"
cp resources/fetchlark.svg "$icons/fetchlark.svg"
sed "s|^Exec=fetchlark$|Exec=\"$root/build/fetchlark\"|" resources/fetchlark.desktop > "$apps/fetchlark.desktop"
