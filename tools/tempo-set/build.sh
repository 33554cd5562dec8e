#!/usr/bin/env bash
# Builds the real-music tempo set from music that Debian packages ship:
# MIDI files rendered with FluidSynth and a General MIDI sound font, and
# tracker modules rendered with libopenmpt. The truth comes from the files
# themselves (tempo events; rows as played), and only pieces whose beat is
# steady over the first 90 s are kept.
#
#   tools/tempo-set/build.sh [BUILD_DIR]     (default: build)
#
# Writes BUILD_DIR/tempo-set/set.tsv (part, truth BPM, package, WAV path) and
# the WAV files beside it. About one piece in four, chosen by a hash of its
# name, is "held" out: tune on "tune", score "held" only at the end.
# bench/bpm_real_music reads the list.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build}")
out="$build/tempo-set"

# Not one of these packages' music is in the independent check of the detector.
midi_packages=(openttd-openmsx planetblupi-music-midi freedink-data liquidwar-data)
module_packages=(cuyo-data ri-li-data gemdropx circuslinux-data bugsquish dodgindiamond2
                 rockdodger ballz-data gweled vodovod)
tools=(fluidsynth fluid-soundfont-gm sox libopenmpt-dev)
soundfont=/usr/share/sounds/sf2/FluidR3_GM.sf2

missing=()
for package in "${tools[@]}" "${midi_packages[@]}" "${module_packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --build "$build" --target tempo_truth >/dev/null
truth_tool="$build/tools/tempo_truth"
mkdir -p "$out"
list="$out/set.tsv.new"
: >"$list"

part_of() {  # a fixed hash of the package and file name: one in four is held out
    local sum
    sum=$(printf '%s' "$1" | cksum | cut -d' ' -f1)
    if ((sum % 4 == 0)); then echo held; else echo tune; fi
}

add_piece() {  # package, source file, truth tool output, WAV
    local package=$1 source=$2 truth=$3 wav=$4 name
    name="$package/$(basename "$source")"
    printf '%s\t%s\t%s\t%s\n' "$(part_of "$name")" "$truth" "$package" "$wav" >>"$list"
    echo "  $name: $truth BPM"
}

for package in "${midi_packages[@]}"; do
    while IFS= read -r source; do
        if ! truth=$("$truth_tool" midi "$source"); then
            echo "  skipped $package/$(basename "$source"): $truth"
            continue
        fi
        wav="$out/$package-$(basename "$source" | tr -c 'A-Za-z0-9._\n-' _).wav"
        if [[ ! -s $wav ]]; then
            nice -n 10 fluidsynth -ni -q -g 0.6 -r 44100 -T wav -O s16 -F "$wav.full.wav" \
                "$soundfont" "$source" >/dev/null
            nice -n 10 sox "$wav.full.wav" "$wav" trim 0 90
            rm -f "$wav.full.wav"
        fi
        # FluidSynth plays a few files as silence; what it cannot render is left out.
        if awk -v d="$(soxi -D "$wav")" 'BEGIN { exit !(d < 30) }'; then
            echo "  skipped $package/$(basename "$source"): FluidSynth rendered too little"
            continue
        fi
        add_piece "$package" "$source" "$truth" "$wav"
    done < <(dpkg -L "$package" | grep -i '\.midi\?$' | sort)
done

for package in "${module_packages[@]}"; do
    while IFS= read -r source; do
        wav="$out/$package-$(basename "$source" | tr -c 'A-Za-z0-9._\n-' _).wav"
        if ! truth=$(nice -n 10 "$truth_tool" module "$source" "$wav"); then
            echo "  skipped $package/$(basename "$source"): $truth"
            rm -f "$wav"
            continue
        fi
        add_piece "$package" "$source" "$truth" "$wav"
    done < <(dpkg -L "$package" | grep -i -E '\.(mod|xm|s3m|it|mptm|669|mtm|med|stm|okt)$' | sort)
done

mv "$list" "$out/set.tsv"
echo "$(wc -l <"$out/set.tsv") pieces ($(grep -c '^held' "$out/set.tsv") held out) in $out/set.tsv"
