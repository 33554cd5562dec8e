#!/usr/bin/env bash
# Installs what is missing, builds, and starts the two decks. The build says
# nothing unless it fails: then its whole output is shown (and kept in the log).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh"
build="$root/build"
log="$build/run-build.log"
mkdir -p "$build"
[ -x "$build/program/lumatrone" ] || echo "Building the decks (the first build takes a few minutes)..." >&2
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
  cmake --build "$build" -j"$(nproc)" --target lumatrone lumatrone-devices lumaplay; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "tools/run.sh: the build failed; its output is above and in $log" >&2
  exit 1
fi
exec "$build/program/lumatrone"
