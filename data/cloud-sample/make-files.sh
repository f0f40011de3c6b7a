#!/usr/bin/env bash
# Regenerates the sample service's downloadable files: short MP3 sounds
# (sox + lame) and small effect files of both packet formats (perl).
#   data/cloud-sample/make-files.sh
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p files/sounds files/effects/px40 files/effects/other
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# name  sox synthesis
sounds=(
  "laugh       synth 0.40 sine 440-880 tremolo 12 60"
  "giggle      synth 0.30 sine 660-990 tremolo 18 50"
  "applause    synth 0.50 pinknoise tremolo 9 80"
  "cheer       synth 0.45 brownnoise fade 0 0.45 0.2"
  "kiss        synth 0.20 sine 1200-400"
  "drum-roll   synth 0.50 brownnoise tremolo 25 90"
  "horn        synth 0.40 square 233 fade 0 0.4 0.1"
  "boing       synth 0.35 sine 150-600"
)
for entry in "${sounds[@]}"; do
  read -r name effect <<<"$entry"
  # shellcheck disable=SC2086
  sox -n -r 22050 -c 1 -b 16 "$tmp/$name.wav" $effect vol 0.5
  lame --quiet --noreplaygain -b 32 -m m "$tmp/$name.wav" "files/sounds/$name.mp3"
done

# PX40 effect file: byte lengths a and b, then a/8 and b/8 records of 8 bytes.
# Other models: version 2, item sizes and byte lengths of lists A, B and C.
perl -e '
  sub records { my ($seed, $n) = @_; join "", map { pack("V2", $seed * 1000 + $_, ($seed << 8) | $_) } 1 .. $n }
  my @px40 = ([3001, "warm-hall", 6, 10], [3002, "robot", 4, 12], [3003, "chipmunk", 8, 8]);
  for my $e (@px40) {
    my ($id, $name, $na, $nb) = @$e;
    open my $f, ">:raw", "files/effects/px40/$name.bin" or die;
    print $f pack("V2", 8 * $na, 8 * $nb), records($id, $na), records($id + 1, $nb);
  }
  my @other = ([4001, "warm-hall", 5, 7, 3], [4002, "deep-voice", 6, 6, 2]);
  for my $e (@other) {
    my ($id, $name, $na, $nb, $nc) = @$e;
    open my $f, ">:raw", "files/effects/other/$name.bin" or die;
    print $f pack("V4", 2, 0, 0, 0), pack("V6", 8, 8, 8, 8 * $na, 8 * $nb, 8 * $nc),
      records($id, $na), records($id + 1, $nb), records($id + 2, $nc);
  }
'
ls -l files/sounds files/effects/px40 files/effects/other
