#!/usr/bin/env bash
# `cmake --install` into a scratch root lays out a desktop citizen: the
# program folder, `lumatrone` on the PATH, a valid menu entry and its icon.
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr/local >/dev/null
prefix="$root/usr/local"
for file in lib/lumatrone/lumatrone lib/lumatrone/lumatrone-deck lib/lumatrone/lumatrone-devices \
            lib/lumatrone/liblumaaudio.so \
            lib/lumatrone/deck1.ini lib/lumatrone/deck2.ini lib/lumatrone/styles.ini \
            lib/lumatrone/deck.design share/applications/lumatrone.desktop \
            share/icons/hicolor/scalable/apps/lumatrone.svg \
            share/icons/hicolor/128x128/apps/lumatrone.png; do
  [ -e "$prefix/$file" ] || { echo "missing: $file"; exit 1; }
done
[ "$(readlink "$prefix/bin/lumatrone")" = ../lib/lumatrone/lumatrone ] || { echo "bin/lumatrone is no link to the launcher"; exit 1; }
[ -x "$prefix/bin/lumatrone" ] || { echo "bin/lumatrone does not resolve"; exit 1; }
ls "$prefix"/lib/lumatrone/demo/*.wav >/dev/null
desktop-file-validate "$prefix/share/applications/lumatrone.desktop"
grep -qx 'Exec=lumatrone' "$prefix/share/applications/lumatrone.desktop"
grep -qx 'Icon=lumatrone' "$prefix/share/applications/lumatrone.desktop"
echo "install layout ok"
