# Shared by the comparison scripts, sourced from the repository root after "set -eu":
# the tool of the build folder given as the script's first argument (default build/),
# a work folder removed on exit, and the timing helpers.
build="${1:-build}"
cli="$(cd "$build" && pwd)/wavomer-cli"
work="$(mktemp -d "${TMPDIR:-/var/tmp}/wavomer-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT

best() {  # best wall time of three runs of a command, in seconds
  python3 - "$@" <<'PY'
import subprocess, sys, time
times = []
for _ in range(3):
    t = time.perf_counter()
    subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
    times.append(time.perf_counter() - t)
print(f"{min(times):.3f}")
PY
}

ratio() {  # ratio A B: A / B to two places
  python3 -c "print(f'{$1/$2:.2f}')"
}
