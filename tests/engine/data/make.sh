#!/bin/sh
# Regenerates the OGG Vorbis and MP3 test files of the audio reader tests.
# Needs Debian's sox, vorbis-tools (oggenc) and lame. The sources are pure
# tones, so the tests can check the decoded signal against them:
#   tone.ogg / tone.mp3  44100 Hz stereo, 1 s (44100 frames), left 440 Hz, right 1000 Hz
#   tone3.ogg            44100 Hz, 3 channels, 0.5 s: 440, 1000, 3000 Hz
#   mono.mp3             22050 Hz mono, 0.5 s (11025 frames), 440 Hz, ID3v1 tag only
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sox -n -r 44100 -b 16 -c 2 "$tmp/tone.wav" synth 1 sine 440 sine 1000 vol 0.5
sox -n -r 44100 -b 16 -c 3 "$tmp/tone3.wav" synth 0.5 sine 440 sine 1000 sine 3000 vol 0.5
sox -n -r 22050 -b 16 -c 1 "$tmp/mono.wav" synth 0.5 sine 440 vol 0.5

oggenc --quiet -q 2 -t "Ogg Title" -a "Ogg Artist" -l "Ogg Album" -N 5 -G Jazz \
    -c "mood=calm" -o tone.ogg "$tmp/tone.wav"
oggenc --quiet -q 2 -o tone3.ogg "$tmp/tone3.wav"
lame --quiet -b 128 --id3v2-only --tt "Mp3 Title" --ta "Mp3 Artist" --tl "Mp3 Album" \
    --ty 2024 --tn 3 "$tmp/tone.wav" tone.mp3
lame --quiet -b 64 --id3v1-only --tt "Mono Title" --ta "Mono Artist" --tg Rock --tn 7 \
    "$tmp/mono.wav" mono.mp3
ls -l tone.ogg tone3.ogg tone.mp3 mono.mp3
