#!/usr/bin/env bash
# Makes the MP3 files the alert tests play, in the folder given: three tones that cover
# MPEG-1, MPEG-2 and MPEG-2.5, mono and stereo, with and without an ID3v2 tag.
set -euo pipefail
out="$1"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A rising sweep, so that a segment's start can be told from its middle.
sox -n -r 22050 -c 1 -b 16 "$work/a.wav" synth 1.2 sine 300-1200 vol 0.5
sox -n -r 44100 -c 2 -b 16 "$work/b.wav" synth 0.8 sine 300-900 sine 500-700 vol 0.5
sox -n -r 8000 -c 1 -b 16 "$work/c.wav" synth 1.0 sine 200-800 vol 0.5
lame --quiet -b 64 --add-id3v2 --tt "Alert" "$work/a.wav" "$work/a.mp3"
lame --quiet -b 128 "$work/b.wav" "$work/b.mp3"
lame --quiet -b 16 "$work/c.wav" "$work/c.mp3"
mv "$work/a.mp3" "$out/tone-22k-mono.mp3"
mv "$work/b.mp3" "$out/tone-44k-stereo.mp3"
mv "$work/c.mp3" "$out/tone-8k-mono.mp3"
