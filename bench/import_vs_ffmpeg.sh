#!/bin/sh
# Import speed against the ffmpeg command decoding the same file to raw 32-bit
# floats at 44100 Hz on the same disk, and peak memory of a long import.
# Each file is timed in PAIRS paired runs (default 7; ours and ffmpeg's back to back,
# the order alternating): the ratios printed are the medians of the pairs' ratios, in
# wall time and in CPU time (user + system, all threads). With EARLIER=PATH (the
# wavomer-cli of an earlier build) that one runs in every pair too, and its CPU ratio
# against ours is printed: whether a change made the import cost more.
# Usage: bench/import_vs_ffmpeg.sh [BUILD_DIR]   (default build/; PAIRS=N to change the count)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
pairs="${PAIRS:-7}"

echo "making fixtures in $work" >&2
ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=440:duration=600" -f lavfi -i "anoisesrc=duration=600:amplitude=0.3" \
  -filter_complex "[0:a][1:a]amerge=inputs=2[a]" -map "[a]" -ac 2 -b:a 192k "$work/ten.mp3"
ffmpeg -nostdin -v error -i "$work/ten.mp3" "$work/ten.flac"
# The fixtures reach the disk before the timing starts: both programs then run on a quiet one.
sync

for f in ten.mp3 ten.flac; do
  python3 - "$pairs" "$f" "$cli" "$work" "${EARLIER:-}" <<'PY'
import os, resource, statistics, subprocess, sys, time
pairs, name, cli, work, earlier_cli = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]
media = os.path.join(work, name)
ours = [cli, "import", media, "-o", os.path.join(work, "out.data")]
theirs = ["ffmpeg", "-nostdin", "-v", "error", "-y", "-i", media, "-f", "f32le", "-ar", "44100",
          os.path.join(work, "out.f32")]
earlier = [earlier_cli, "import", media, "-o", os.path.join(work, "earlier.data")] if earlier_cli else None

def run(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu

run(ours), run(theirs)  # warm the page cache and both programs
if earlier:
    run(earlier)
rows, earlier_rows = [], []
for i in range(pairs):
    if i % 2 == 0:
        a, b = run(ours), run(theirs)
    else:
        b, a = run(theirs), run(ours)
    rows.append((a, b))
    if earlier:
        earlier_rows.append((a, run(earlier)))
med = statistics.median
wall_ours, wall_theirs = med(a[0] for a, _ in rows), med(b[0] for _, b in rows)
cpu_ours, cpu_theirs = med(a[1] for a, _ in rows), med(b[1] for _, b in rows)
wall_ratio = med(a[0] / b[0] for a, b in rows)
cpu_ratio = med(a[1] / b[1] for a, b in rows)
print(f"import {name} (10 min stereo), median of {pairs} pairs: "
      f"wall {wall_ours:.3f}s vs ffmpeg {wall_theirs:.3f}s, ratio {wall_ratio:.2f} (target <= 0.9); "
      f"CPU {cpu_ours:.3f}s vs {cpu_theirs:.3f}s, ratio {cpu_ratio:.2f}")
if earlier:
    print(f"import {name}: CPU {cpu_ours:.3f}s vs the earlier build's {med(e[1] for _, e in earlier_rows):.3f}s, "
          f"ratio {med(a[1] / e[1] for a, e in earlier_rows):.2f} (target <= 1.0)")
PY
done

ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=440:duration=3600" -ac 2 "$work/hour.flac"
rss=$(/usr/bin/time -f "%M" "$cli" import "$work/hour.flac" -o "$work/hour.data" 2>&1 >/dev/null | tail -1)
echo "peak resident memory importing 60 min stereo FLAC: $((rss / 1024)) MiB (target < 64 MiB)"
