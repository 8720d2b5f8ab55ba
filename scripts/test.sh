#!/bin/sh
# Builds Wavomer and runs every test: the release tree (with a private PulseAudio daemon for
# the playback tests), then the core tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the tests that play while editing under ThreadSanitizer, then a minute of fuzzing the
# archive reader.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release

# The sound tests capture the monitor of this daemon's null sink; without one they start
# their own, and skip only when no daemon can be started at all.
pulse_dir="${TMPDIR:-/tmp}/wavomer-test-pulse-$$"
trap 'scripts/stop-pulse.sh "$pulse_dir"' EXIT
if server="$(scripts/start-pulse.sh "$pulse_dir")"; then
  export PULSE_SERVER="$server"
else
  echo "test.sh: no PulseAudio daemon; the sound tests will try their own" >&2
fi

# The window's tests (label "app") are among them; they run on Qt's offscreen platform,
# which each test's environment sets, so no display is needed.
ctest --test-dir build --output-on-failure -j"$(nproc)"
# Only the core and media tests run under the sanitizers: only they are built there.
scripts/build.sh asan wavomer_core_tests wavomer_media_tests
LSAN_OPTIONS="suppressions=$PWD/tests/lsan-thirdparty.supp" \
  ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -L core

# ThreadSanitizer over the tests whose threads meet: the player's audio thread against edits,
# seeks and the position tick, the sound server adapter, the import's decoding thread
# handing chunks to its writing thread, and split pieces encoded in parallel.
thread_tests='^(RecoveryTest|RecordPanelTest|BackgroundReadTest|ParallelExport|ParallelFold|PlaybackFold|TimelineProviderTest|ProjectLockTest|PlayerTest|WrapTest|ControllerTest|PlaybackUnderEdits|RecordingFile|SilentOutputGraph|SilentPlayback|PulsePlayback|PulseOutputGraphFallback|PulseRecorderTest|PulseRecorderWithoutServer|FrameQueue|FrameFeeder|CallbackAllocation|ImportPipeline|DecodeQueue)\.'
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVOMER_TSAN=ON -DWAVOMER_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$(nproc)" --target wavomer_core_tests wavomer_sound_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/sound/tsan-libpulse.supp" \
  ctest --test-dir build-tsan --output-on-failure -j"$(nproc)" -R "$thread_tests"
scripts/fuzz.sh 60
