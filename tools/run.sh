#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player.
#   tools/run.sh [audio file]        (no file: plays a demo tone it makes)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target lumaplay
exec "$root/build/program/lumaplay" "$@"
