#!/usr/bin/env bash
# run-with-captured-audio.sh FOLDER COMMAND...: runs COMMAND with an ALSA default device
# that writes every sample to FOLDER/captured.raw instead of a sound card. With truncate
# false a later open of the device writes captured.raw.0001, .0002, ... instead of
# overwriting, so every pass of an alert is kept.
set -euo pipefail
folder="$1"
shift
rm -rf "$folder"
mkdir -p "$folder"
cat >"$folder/.asoundrc" <<CONF
pcm.!default {
  type file
  slave.pcm "null"
  file "$folder/captured.raw"
  format "raw"
  truncate false
}
CONF
export HOME="$folder"
export LUMENO_AUDIO_CAPTURE="$folder/captured.raw"
exec "$@"
