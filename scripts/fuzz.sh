#!/bin/sh
# Builds the keyed archive reader's libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) into fuzz-build/ and runs it for a bounded time.
# Usage: scripts/fuzz.sh [SECONDS]   (default 60). Exits non-zero when an input crashes
# the reader, leaks, or breaks the round trip; the input is left in fuzz-build/.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=fuzz-build
cxx="${FUZZ_CXX:-clang++}"
mkdir -p "$out/corpus" "$out/seeds"

sources="src/core/archive/BinaryPlistReader.cpp src/core/archive/BinaryPlistWriter.cpp
src/core/archive/XmlPlist.cpp src/core/archive/KeyedArchiveDecoder.cpp
src/core/archive/KeyedArchiveEncoder.cpp src/core/archive/KeyedArchive.cpp src/core/coding/CodingBase.cpp
src/core/util/Outcome.cpp src/core/util/OutputFile.cpp src/core/util/PathUtil.cpp"
flags="-std=c++20 -O1 -g -fno-omit-frame-pointer -Isrc/core -Ifuzz $(pkg-config --cflags libplist-2.0)"
libs="$(pkg-config --libs libplist-2.0)"

# shellcheck disable=SC2086
$cxx $flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  fuzz/ArchiveFuzzer.cpp $sources $libs -o "$out/archive_fuzzer"
# shellcheck disable=SC2086
$cxx $flags fuzz/MakeSeeds.cpp $sources $libs -o "$out/make_seeds"
"$out/make_seeds" "$out/seeds"

cd "$out"
./archive_fuzzer -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -dict=../fuzz/archive.dict -print_final_stats=1 corpus seeds
