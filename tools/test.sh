#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   tools/test.sh              normal build in build/
#   tools/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   tools/test.sh --thread     ThreadSanitizer build in build-tsan/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh"

build="$root/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  build="$root/build-asan"
  options=(-DCMAKE_BUILD_TYPE=Debug -DLUMA_SANITIZE=ON -DLUMA_BUILD_BENCH=OFF)
  # Slow unwinding finds the stack of an allocation made by a library that
  # was unloaded since (ALSA's plugins), so that the suppressions match it.
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # Leaks inside system libraries we do not own (fontconfig's caches).
  export LSAN_OPTIONS="suppressions=$root/tools/lsan-suppressions.txt:print_suppressions=0"
elif [ "${1:-}" = "--thread" ]; then
  build="$root/build-tsan"
  # Optimised: the deck and its engine must keep real time under the sanitizer.
  options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMA_TSAN=ON -DLUMA_BUILD_BENCH=OFF)
  # Races inside libraries we do not own and that are not built for it.
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tools/tsan-suppressions.txt"
fi
# Rebuilds after a switch of branch or build type go faster through ccache, where it is installed.
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# A JACK server that a test killed, or that died with its test, stays in
# JACK's registry, which holds only a few: with no server running, clear it.
if ! pgrep -x jackd >/dev/null; then
  rm -rf /dev/shm/jack-shm-registry /dev/shm/jack_* 2>/dev/null || true
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
skip=()
if [ "${1:-}" = "--thread" ]; then
  # JACK drops a client that misses its cycle deadlines, and the sanitizer
  # slows the MIDI feeds, lamp ports and decks of these tests that much: they
  # run in the other two builds. The engine's own threads are all checked here.
  skip=(-E "RemoteControlTest|MappedControlTest|MidiInputTest|DeviceLossTest|LampsTest|LauncherTest|DeckProcessTest")
fi
ctest --output-on-failure -j"$(nproc)" --timeout 600 "${skip[@]}"
