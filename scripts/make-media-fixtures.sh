#!/usr/bin/env bash
# Regenerates the small media files that the probe tests read, with an independent encoder (ffmpeg, Debian
# package), and writes fixtures.txt: for each file the type it must probe as and the tail offset it must get.
# The tail offsets come from the encoder's own account of the files, not from our walker: an AVI file's "idx1"
# chunk is the last chunk, 16 bytes per packet that ffprobe counts, so it starts at size - 8 - 16 * packets;
# an MPEG-2 file's tail starts 1 MiB before its end.
# Usage: scripts/make-media-fixtures.sh [OUTPUT_DIR]   (default tests/data/media)
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/tests/data/media}
mkdir -p "$out"
cd "$out"

# Small, short and reproducible: no encoder tags, no metadata.
quiet=(-hide_banner -loglevel error -y)
exact=(-fflags +bitexact -flags:v +bitexact -flags:a +bitexact -map_metadata -1)
video=(-f lavfi -i testsrc=size=96x64:rate=25:duration=1)
audio=(-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1)

encode() { ffmpeg "${quiet[@]}" "$@"; }

encode "${video[@]}" "${audio[@]}" "${exact[@]}" -c:v mpeg1video -b:v 200k -c:a mp2 -b:a 64k -f mpeg mpeg1-system.mpg
encode "${video[@]}" "${exact[@]}" -c:v mpeg1video -b:v 200k -f mpeg1video mpeg1-video.mpg
encode "${video[@]}" "${exact[@]}" -c:v mpeg2video -b:v 200k -f mpeg2video mpeg2-video.mpg
encode "${video[@]}" "${audio[@]}" "${exact[@]}" -c:v mpeg2video -b:v 200k -c:a mp2 -b:a 64k -f dvd mpeg2-program.mpg
encode "${video[@]}" "${audio[@]}" "${exact[@]}" -c:v mpeg2video -b:v 200k -c:a mp2 -b:a 64k -f vob mpeg2-program.vob
encode "${video[@]}" "${audio[@]}" "${exact[@]}" -c:v mjpeg -q:v 10 -c:a pcm_u8 -f avi clip.avi
encode "${audio[@]}" "${exact[@]}" -c:a libmp3lame -b:a 32k -f mp3 tone.mp3
encode -f lavfi -i sine=frequency=440:sample_rate=8000:duration=1 "${exact[@]}" -c:a pcm_u8 -f wav tone.wav

size() { stat -c %s "$1"; }
packets() { ffprobe -v error -show_packets "$1" | grep -c '^\[PACKET\]'; }
mpeg2_tail() { echo $(($(size "$1") - 1048576)); }

{
    echo "# file type tail-offset (written by scripts/make-media-fixtures.sh)"
    echo "mpeg1-system.mpg 0 0"
    echo "mpeg1-video.mpg 0 0"
    echo "mpeg2-video.mpg 1 $(mpeg2_tail mpeg2-video.mpg)"
    echo "mpeg2-program.mpg 1 $(mpeg2_tail mpeg2-program.mpg)"
    echo "mpeg2-program.vob 1 $(mpeg2_tail mpeg2-program.vob)"
    echo "clip.avi 2 $(($(size clip.avi) - 8 - 16 * $(packets clip.avi)))"
    echo "tone.mp3 3 0"
} >fixtures.txt
ls -l "$out"
