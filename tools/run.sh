#!/usr/bin/env bash
# Installs what is missing, builds, and starts the two decks.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target lumatrone lumatrone-devices lumaplay
exec "$root/build/program/lumatrone"
