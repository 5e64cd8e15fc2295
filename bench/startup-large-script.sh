#!/usr/bin/env bash
# Whole-process start-up cost of a large script: builds two games that end at
# once with `end`, one with an empty script and one with about 20 MB of scenes
# (labels, commands and Shift_JIS text lines) after that `end`, runs the
# engine headless on each, alternating, and prints the wall time, the CPU time
# and the page faults of each game and the difference (target: at most 40 ms).
#
#   bench/startup-large-script.sh [path/to/velmora] [runs]
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
binary="${1:-$here/build/velmora}"
runs="${2:-30}"
font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
[ -x "$binary" ] || { echo "no engine at $binary; build it first" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

exec python3 - "$binary" "$runs" "$font" "$work" <<'PY'
import os, random, statistics, sys, time

binary, runs, font, work = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
HEADER = b";$V4096G200S640,480\n*define\ngame\n*start\nend\n"
SCRIPT_BYTES = 20 << 20
# Two-byte Shift_JIS hiragana for the story text.
KANA = [bytes([0x82, b]) for b in range(0x9F, 0xF1)]

def large_script():
    rng = random.Random(7)
    out = bytearray(HEADER)
    n = 0
    while len(out) < SCRIPT_BYTES:
        out += b"*scene%d\n; scene %d: the harbour, a line of talk and a jump\n" % (n, n)
        out += b"mov %%%d,%%%d + %d\n" % (n % 200, (n + 1) % 200, n)
        out += b'bg "image\\bg%d.png",%d\n' % (n % 40, 2 + n % 3)
        for line in range(4):
            text = b"".join(rng.choice(KANA) for _ in range(rng.randint(15, 35)))
            out += text + (b"\\\n" if line == 3 else b"@\n")
        out += b"if %%%d > 3 goto *scene%d\n" % (n % 200, n + 1)
        n += 1
    return bytes(out), n

games = {}
for name, script in (("empty", HEADER), ("large", None)):
    directory = os.path.join(work, name)
    os.makedirs(directory)
    if script is None:
        script, labels = large_script()
        print(f"large script: {len(script)} bytes, {labels} labels")
    with open(os.path.join(directory, "0.txt"), "wb") as f:
        f.write(script)
    games[name] = directory + "/"

env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
env.pop("VELMORA_INPUT", None)
devnull = os.open(os.devnull, os.O_WRONLY)

def run(game):
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        os.execve(binary, [binary, "-f", font, "-r", game], env)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        sys.exit(f"the engine failed on {game}")
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000, usage.ru_minflt

samples = {name: [] for name in games}
run(games["empty"]), run(games["large"])  # warm the page cache
for _ in range(runs):
    for name, game in games.items():
        samples[name].append(run(game))

def column(name, i):
    return [s[i] for s in samples[name]]

print(f"{runs} runs each, alternating; times in ms")
print(f"{'game':8}{'wall median':>13}{'wall mean':>11}{'wall min':>10}{'cpu median':>12}{'faults':>8}")
for name in games:
    wall, cpu, faults = column(name, 0), column(name, 1), column(name, 2)
    print(f"{name:8}{statistics.median(wall):13.1f}{statistics.mean(wall):11.1f}"
          f"{min(wall):10.1f}{statistics.median(cpu):12.1f}{statistics.median(faults):8.0f}")
extra = statistics.median(column("large", 0)) - statistics.median(column("empty", 0))
extra_min = min(column("large", 0)) - min(column("empty", 0))
extra_cpu = statistics.median(column("large", 1)) - statistics.median(column("empty", 1))
print(f"large - empty: wall median {extra:+.1f} ms, wall min {extra_min:+.1f} ms, "
      f"cpu median {extra_cpu:+.1f} ms (target: at most +40 ms)")
PY
