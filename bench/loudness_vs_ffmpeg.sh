#!/bin/sh
# Loudness measuring speed against FFmpeg's filter on the same audio: `wavomer-cli loudness`
# of a 10-minute stereo project against `ffmpeg -af ebur128=peak=true -f null -` reading the
# project's rendered fold (raw 32-bit floats), run in pairs, one after the other; prints the
# median of the pairs' ratios.
# Usage: bench/loudness_vs_ffmpeg.sh [BUILD_DIR] [PAIRS]   (default build/, 5 pairs)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
pairs="${2:-5}"
export XDG_CACHE_HOME="$work/cache"

echo "making fixtures in $work" >&2
# Speech-like: a tone whose level changes every few seconds, under pink noise.
ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=440:duration=600,volume='0.1+0.4*abs(sin(t/3))':eval=frame" \
  -f lavfi -i "anoisesrc=duration=600:amplitude=0.2:color=pink" \
  -filter_complex "[0:a][1:a]amerge=inputs=2[a]" -map "[a]" -ac 2 -c:a pcm_f32le "$work/ten.wav"
printf 'import "%s"\nsave %s\n' "$work/ten.wav" "$work/ten.wvmp" > "$work/ten.script"
"$cli" edit "$work/ten.script" > /dev/null
"$cli" render "$work/ten.wvmp" -o "$work/ten.f32" > /dev/null

python3 - "$cli" "$work" "$pairs" <<'PY'
import resource, statistics, subprocess, sys, time
cli, work, pairs = sys.argv[1], sys.argv[2], int(sys.argv[3])
ours_cmd = [cli, "loudness", f"{work}/ten.wvmp"]
theirs_cmd = ["ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-f", "f32le", "-ar", "44100", "-ac", "2",
              "-i", f"{work}/ten.f32", "-af", "ebur128=peak=true", "-f", "null", "-"]
cpu = {}
def timed(cmd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - t
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu.setdefault(cmd[0], []).append(after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
    return wall
timed(ours_cmd); timed(theirs_cmd)  # both read from the page cache from here on
cpu.clear()
ours, theirs = [], []
for _ in range(pairs):
    ours.append(timed(ours_cmd))
    theirs.append(timed(theirs_cmd))
ratios = [a / b for a, b in zip(ours, theirs)]
# Wavomer measures on every core (the true peak in slices beside the loudness), FFmpeg's
# filter on one: the CPU time tells how far the wall time hangs on other work running.
print(f"loudness (10 min stereo, {pairs} pairs): wavomer {statistics.median(ours):.3f}s, "
      f"ffmpeg {statistics.median(theirs):.3f}s, median ratio {statistics.median(ratios):.2f} "
      f"(pairs {min(ratios):.2f}-{max(ratios):.2f}; target <= 1.0); CPU time "
      f"{statistics.median(cpu[cli]):.2f}s vs {statistics.median(cpu['ffmpeg']):.2f}s")
PY
