#!/bin/sh
# Builds Wavomer and runs every test: the release tree, then the core tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a minute of fuzzing the archive reader.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
ctest --test-dir build --output-on-failure -j"$(nproc)"
scripts/build.sh asan
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -L core
scripts/fuzz.sh 60
