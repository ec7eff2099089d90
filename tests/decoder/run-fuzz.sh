#!/usr/bin/env bash
# Builds the decoder's libFuzzer target with clang into the build tree and runs it for a
# bounded time (KESTRANE_FUZZ_SECONDS, default 50) from a seed corpus of real frames.
#   run-fuzz.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$1
work=$2
seconds=${KESTRANE_FUZZ_SECONDS:-50}
cxx=$(command -v clang++ || command -v clang++-14) || { echo "run-fuzz: clang++ not found" >&2; exit 1; }

mkdir -p "$work"
"$cxx" -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I"$src" \
  "$src/tests/decoder/FrameDecoderFuzz.cpp" "$src/frames/FrameDecoder.cpp" -o "$work/fuzz_decoder"

# Seeds: one frame of each kind, a bad one, noise, lead bytes inside a frame, a cut-off frame.
rm -rf "$work/corpus" "$work/seeds"
mkdir -p "$work/corpus" "$work/seeds"
seed() { printf "$2" >"$work/seeds/$1"; }
seed counterfeit '\x55\x92\x01\x02\x03\x98'
seed bad '\x92\x01\x02\x03\x99'
seed ok '\x98\xff\xff\x02\x98'
seed block '\x93\x00\x00\x01\x94\xde\xad\xbe\xef\x97'
seed note '\x97\x10\x20\x14\xdb\x92\x00\x97\x00\x98\x00\x00\x00\x05\x00\x97\x10\x20\x14\xdb'
seed channels '\x97\x00\x00\x00\x97\x00\x00\x00\x00\x00\x00\x00\x00\x0d\x00\x97\x00\x00\x00\x97\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
seed rescan '\x92\x98\x00\x00\x00\x98\x00\x00\x00\x98'

cd "$work"
exec ./fuzz_decoder -seed=1 -max_len=512 -max_total_time="$seconds" -print_final_stats=1 \
  corpus seeds
