#!/usr/bin/env bash
# `cmake --install` into a scratch root lays out a desktop citizen: the
# program folder, on the PATH the programs the README has a user run (and
# they run from there), a valid menu entry that names the deck windows'
# class, and its icon.
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr/local >/dev/null
prefix="$root/usr/local"
for file in lib/lumatrone/lumatrone lib/lumatrone/lumatrone-deck lib/lumatrone/lumatrone-devices \
            lib/lumatrone/lumaplay lib/lumatrone/liblumaaudio.so \
            lib/lumatrone/deck1.ini lib/lumatrone/deck2.ini lib/lumatrone/styles.ini \
            lib/lumatrone/deck.design share/applications/lumatrone.desktop \
            share/icons/hicolor/scalable/apps/lumatrone.svg \
            share/icons/hicolor/128x128/apps/lumatrone.png; do
  [ -e "$prefix/$file" ] || { echo "missing: $file"; exit 1; }
done
for program in lumatrone lumatrone-devices lumaplay; do
  [ "$(readlink "$prefix/bin/$program")" = "../lib/lumatrone/$program" ] || { echo "bin/$program is no link into the program folder"; exit 1; }
  [ -x "$prefix/bin/$program" ] || { echo "bin/$program does not resolve"; exit 1; }
done
# Found on the PATH, each lists the outputs through the installed engine.
export PATH="$prefix/bin:$PATH" LUMATRONE_AUDIO=null JACK_DEFAULT_SERVER=lumatrone-test-no-such-server
listed="$(lumatrone-devices)"
grep -qx '  0  No sound' <<<"$listed" || { echo "lumatrone-devices lists no output: $listed"; exit 1; }
listed="$(lumaplay --devices)"
grep -qx '0 - No sound' <<<"$listed" || { echo "lumaplay --devices lists no output: $listed"; exit 1; }
ls "$prefix"/lib/lumatrone/demo/*.wav >/dev/null
desktop-file-validate "$prefix/share/applications/lumatrone.desktop"
grep -qx 'Exec=lumatrone' "$prefix/share/applications/lumatrone.desktop"
grep -qx 'Icon=lumatrone' "$prefix/share/applications/lumatrone.desktop"
# Docks group the deck windows under the entry by the class the windows carry.
entry_class="$(sed -n 's/^StartupWMClass=//p' "$prefix/share/applications/lumatrone.desktop")"
window_class="$(HOME="$root" xvfb-run -a bash -c '
  "$1/lib/lumatrone/lumatrone-deck" 1 2>/dev/null & deck=$!
  for _ in $(seq 100); do xprop -name " Lumatrone DJ System" WM_CLASS 2>/dev/null && break; sleep 0.1; done
  kill "$deck"' _ "$prefix")"
[ "$window_class" = "WM_CLASS(STRING) = \"lumatrone-deck\", \"$entry_class\"" ] || { echo "window $window_class, entry $entry_class"; exit 1; }
echo "install layout ok"
