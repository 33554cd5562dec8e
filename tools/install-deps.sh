#!/usr/bin/env bash
# Installs what the build, the player and the tests need from Debian's archive,
# skipping what is already there. Uses sudo when not run as root.
set -euo pipefail

packages=(
  # build
  cmake g++ pkg-config make
  # engine: decoders, output, FFT
  libsndfile1-dev libmpg123-dev libvorbis-dev libopusfile-dev libopenmpt-dev
  libasound2-dev libjack-jackd2-dev libpulse-dev libfftw3-dev
  # engine: loudness (EBU R128) of the loaded tracks
  libebur128-dev
  # engine: key lock (pitch held while the speed changes)
  librubberband-dev
  # engine: tempo and beat sync over Ableton Link (header-only, with its asio)
  ableton-link-dev
  # the deck: widgets, MIDI, joysticks, fonts (a free Tahoma; digital-display faces)
  qt6-base-dev librtmidi-dev libsdl2-dev fonts-wine fonts-dseg
  # the sync benchmark's plot
  gnuplot-nox
  # tests and benchmarks: encoders that make test material, a JACK server, frameworks
  libgtest-dev libgmock-dev libbenchmark-dev libsamplerate0-dev
  # benchmark anchors for tempo detection: the Queen Mary tracker and aubio
  libqm-dsp-dev libaubio-dev
  sox libsox-fmt-mp3 lame twolame vorbis-tools flac opus-tools jackd2 xvfb xauth
  # private sound servers that the output tests and benchmarks kill and start again
  pulseaudio pulseaudio-utils pipewire pipewire-bin pipewire-pulse wireplumber dbus-daemon
  # checks of the scripts and of the installed desktop entry (xprop reads the windows' class)
  shellcheck desktop-file-utils x11-utils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# As root (a container, CI on a new machine) apt-get runs as it is; otherwise through sudo.
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo -E)
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
