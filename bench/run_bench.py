#!/usr/bin/env python3
"""Performance measurements of the viewer against its two floors.

Runs on the X display in DISPLAY (./scripts/bench starts a private Xvfb):

  1. micro-benchmarks of the viewer's own per-frame work (Google Benchmark);
  2. frame rates of the viewer, the scene floor and the clear floor, in
     interleaved rounds, at each window size;
  3. the same for the viewer and the scene floor with llvmpipe's rasterizer
     on the main thread, as a cross-check free of thread-scheduling spread;
  4. time from process start to the first complete frame, viewer against
     scene floor, interleaved;
  5. CPU time used while the viewer's window is unmapped.

Frames are counted from standard output: the viewer writes one "MatrizVision"
title per frame, a floor one "floor frame" line per frame.
"""

import argparse
import json
import os
import pty
import select
import statistics
import subprocess
import tempfile
import threading
import time
import tty

VIEWER_TOKEN = b"MatrizVision"
FLOOR_TOKEN = b"floor frame"
WINDOW_NAME = "^Rodured Ovezor$"

FPS_TARGET = 0.95
OWN_WORK_TARGET = 0.01
START_TARGET = 1.1
HIDDEN_CPU_TARGET = 0.01


class Program:
    def __init__(self, name, path, token):
        self.name = name
        self.path = path
        self.token = token


class TokenCounter:
    """Counts a token in a byte stream that arrives in arbitrary pieces."""

    def __init__(self, token):
        self.token = token
        self.count = 0
        self.tail = b""

    def feed(self, data):
        text = self.tail + data
        self.count += text.count(self.token)
        # Keep fewer bytes than a token, so no token is counted twice.
        self.tail = text[-(len(self.token) - 1):]


def cpu_seconds(pid):
    """User plus system CPU time of all threads of a process."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # Fields 14 and 15 of the file (utime, stime); fields[0] is field 3.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def stop(proc):
    if proc.poll() is None:
        proc.kill()
    proc.wait()


# ---------------------------------------------------------------- frame rate

def machine_busy_seconds():
    """CPU seconds spent so far by the whole machine, all cores, not idle."""
    with open("/proc/stat") as f:
        fields = [int(v) for v in f.readline().split()[1:]]
    user, nice, system, _idle, _iowait, irq, softirq, steal = fields[:8]
    return (user + nice + system + irq + softirq + steal) / os.sysconf("SC_CLK_TCK")


class Sample:
    """What is known at one pipe read: time, frames begun, the program's own
    CPU seconds and the whole machine's."""

    def __init__(self, pid, frames):
        self.time = time.monotonic()
        self.frames = frames
        self.cpu = cpu_seconds(pid)
        self.busy = machine_busy_seconds()


class RunResult:
    def __init__(self, first, last):
        elapsed = last.time - first.time
        frames = last.frames - first.frames
        own = last.cpu - first.cpu
        self.fps = frames / elapsed
        self.cpu_per_frame = own / frames
        # Cores kept busy meanwhile by everything but the program: this
        # harness and its Xvfb, and whatever else runs on the machine.
        self.others = (last.busy - first.busy - own) / elapsed


def measure_fps(program, geometry, warmup, interval, env=None):
    """Frame rate, CPU per frame and other load over `interval` seconds after
    `warmup` seconds.

    Standard output goes to a pipe, block-buffered as in normal use. The rate
    is taken between two pipe reads, the first after the warm-up and the last
    before the end of the interval: at each read the number of frames begun is
    exact, so only the read times carry error, well under a millisecond. CPU
    times are read at the same two reads.
    """
    start = time.monotonic()
    proc = subprocess.Popen([program.path, "-geometry", geometry], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, env=env)
    fd = proc.stdout.fileno()
    counter = TokenCounter(program.token)
    opens, closes = start + warmup, start + warmup + interval
    first = last = None
    try:
        while True:
            now = time.monotonic()
            if now >= closes:
                break
            ready, _, _ = select.select([fd], [], [], closes - now)
            if not ready:
                break
            data = os.read(fd, 1 << 16)
            if not data:
                raise RuntimeError(f"{program.name} ended early (status {proc.wait()})")
            counter.feed(data)
            if time.monotonic() >= opens:
                last = Sample(proc.pid, counter.count)
                first = first or last
    finally:
        stop(proc)
        proc.stdout.close()
    if first is None or last.time - first.time < interval / 2:
        raise RuntimeError(f"{program.name}: too little output to count frames")
    return RunResult(first, last)


def fps_rounds(programs, geometry, rounds, warmup, interval, env=None):
    results = {p.name: [] for p in programs}
    for r in range(rounds):
        line = []
        for p in programs:
            result = measure_fps(p, geometry, warmup, interval, env)
            results[p.name].append(result)
            line.append(f"{p.name} {result.fps:7.1f} [{result.others:.2f}]")
        print(f"  {geometry} round {r + 1}/{rounds}: " + "   ".join(line), flush=True)
    return results


def paired_ratio(results, a, b):
    """Median over rounds of a's rate over b's rate in the same round, with the
    range; the runs of one round are seconds apart and share the machine's
    conditions."""
    ratios = [x.fps / y.fps for x, y in zip(results[a], results[b])]
    return statistics.median(ratios), min(ratios), max(ratios)


def report_fps(geometry, results, viewer, floors):
    """Prints medians and ratios against each floor; returns the median
    per-round ratio of the viewer over the first floor."""
    fps = {name: statistics.median(r.fps for r in runs) for name, runs in results.items()}
    print(f"  {geometry} medians (fps): " +
          "   ".join(f"{name} {value:.1f}" for name, value in fps.items()))
    for floor in floors:
        ratio, low, high = paired_ratio(results, viewer, floor)
        print(f"  {geometry} ovezor / {floor} = {ratio:.3f} (median of per-round ratios,"
              f" range {low:.3f}..{high:.3f}); ratio of medians {fps[viewer] / fps[floor]:.3f}")
    cpu = {name: statistics.median(r.cpu_per_frame for r in runs) * 1000
           for name, runs in results.items()}
    print(f"  {geometry} CPU per frame, all threads (ms): " +
          "   ".join(f"{name} {value:.2f}" for name, value in cpu.items()), flush=True)
    return paired_ratio(results, viewer, floors[0])[0]


# ------------------------------------------------------------------ start-up

def time_to_first_frame(program, timeout=30.0):
    """Seconds from process start until frame 1 is complete.

    Standard output is a terminal here, so it is line-buffered and each line
    shows as soon as it is written. Frame 1 is complete, its text written and
    its buffers swapped, when the marker of frame 2 appears.
    """
    master, slave = pty.openpty()
    tty.setraw(slave)
    start = time.monotonic()
    proc = subprocess.Popen([program.path], stdout=slave, stderr=subprocess.DEVNULL,
                            stdin=subprocess.DEVNULL)
    os.close(slave)
    counter = TokenCounter(program.token)
    try:
        while counter.count < 2:
            left = start + timeout - time.monotonic()
            ready, _, _ = select.select([master], [], [], max(left, 0))
            if not ready:
                raise RuntimeError(f"{program.name}: no second frame within {timeout} s")
            counter.feed(os.read(master, 1 << 16))
        return time.monotonic() - start
    finally:
        stop(proc)
        os.close(master)


def start_up_rounds(viewer, scene, rounds):
    # One untimed start of each first, so that neither pays for a cold cache.
    time_to_first_frame(viewer)
    time_to_first_frame(scene)
    times = {viewer.name: [], scene.name: []}
    for _ in range(rounds):
        for p in (viewer, scene):
            times[p.name].append(time_to_first_frame(p))
    med = {name: statistics.median(values) for name, values in times.items()}
    for name, values in times.items():
        print(f"  {name}: median {med[name] * 1000:.1f} ms   (runs: " +
              ", ".join(f"{v * 1000:.0f}" for v in values) + " ms)")
    ratio = med[viewer.name] / med[scene.name]
    print(f"  ovezor / scene floor = {ratio:.3f}", flush=True)
    return ratio


# ----------------------------------------------------------- hidden window

def cpu_share(pid, seconds):
    before, start = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return (cpu_seconds(pid) - before) / (time.monotonic() - start)


def drain(proc, counter):
    for data in iter(lambda: os.read(proc.stdout.fileno(), 1 << 16), b""):
        counter.feed(data)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True,
                          timeout=30).stdout


def hidden_cpu(viewer, seconds):
    proc = subprocess.Popen([viewer.path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            stdin=subprocess.DEVNULL)
    counter = TokenCounter(viewer.token)
    reader = threading.Thread(target=drain, args=(proc, counter), daemon=True)
    reader.start()
    try:
        window = xdotool("search", "--sync", "--onlyvisible", "--name", WINDOW_NAME).split()[0]
        time.sleep(1.0)
        visible = cpu_share(proc.pid, seconds)
        xdotool("windowunmap", "--sync", window)
        time.sleep(1.0)
        hidden = cpu_share(proc.pid, seconds)
        xdotool("windowmap", "--sync", window)
        resumed_from = counter.count
        time.sleep(2.0)
        resumed = counter.count - resumed_from
    finally:
        stop(proc)
        reader.join(timeout=5)
        proc.stdout.close()
    print(f"  CPU while visible: {visible * 100:.1f} % of one core")
    print(f"  CPU while unmapped: {hidden * 100:.2f} % of one core"
          f" ({hidden * seconds:.2f} CPU seconds in {seconds:g} s)")
    print(f"  frames seen in the 2 s after mapping again: {resumed}", flush=True)
    return hidden, resumed


# -------------------------------------------------------- micro-benchmarks

def micro_benchmarks(binary, min_time, repetitions):
    """Runs the micro-benchmarks, prints median wall time per call and its
    spread, and returns the medians in ns by benchmark name."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        subprocess.run([binary, f"--benchmark_min_time={min_time}",
                        f"--benchmark_repetitions={repetitions}",
                        "--benchmark_report_aggregates_only=true",
                        f"--benchmark_out={out.name}", "--benchmark_out_format=json"],
                       check=True, env=env, stdout=subprocess.DEVNULL)
        with open(out.name) as f:
            results = json.load(f)["benchmarks"]
    ns, cv = {}, {}
    for b in results:
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6}[b["time_unit"]]
        if b.get("aggregate_name") == "median":
            ns[b["run_name"]] = b["real_time"] * scale
        elif b.get("aggregate_name") == "cv":
            cv[b["run_name"]] = b["real_time"]
    for name, value in ns.items():
        print(f"  {name[3:]:<18} {value:9.1f} ns   (spread {cv.get(name, 0) * 100:.1f} %)")
    return ns


# ------------------------------------------------------------------ machine

def package_version(name):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True,
                            text=True)
    return result.stdout or "unknown"


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "unknown"


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def describe_machine():
    print(f"Date: {time.strftime('%Y-%m-%d %H:%M %Z')}   nproc: {os.cpu_count()}"
          f"   CPU: {cpu_model()}")
    print(f"Mesa (llvmpipe under Xvfb): {package_version('libgl1-mesa-dri')}"
          f"   freeglut: {package_version('freeglut3-dev')}")
    print(f"Load average at start: {load_average()}", flush=True)


# ------------------------------------------------------------------ summary

def verdict(met):
    return "met" if met else "MISSED"


PARTS = ("micro", "fps", "serial", "start", "hidden")
SERIAL_ROUNDS = 5


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--parts", default=",".join(PARTS),
                        help="which measurements, of: " + ", ".join(PARTS))
    parser.add_argument("--rounds", type=int, default=9, help="interleaved fps rounds")
    parser.add_argument("--warmup", type=float, default=2.0, help="seconds before counting")
    parser.add_argument("--interval", type=float, default=5.0, help="seconds counted")
    parser.add_argument("--sizes", default="400x400,1280x960")
    parser.add_argument("--start-rounds", type=int, default=15)
    parser.add_argument("--hidden-seconds", type=float, default=5.0)
    parser.add_argument("--quick", action="store_true",
                        help="short check of the harness itself: 5 rounds of 1 s, fewer repeats")
    args = parser.parse_args()
    parts = args.parts.split(",")
    if args.quick:
        args.rounds, args.warmup, args.interval, args.start_rounds = 5, 1.0, 1.0, 3
        args.hidden_seconds = 2.0
    if args.rounds < 5:
        parser.error("at least five rounds")
    if set(parts) - set(PARTS):
        parser.error("unknown part")
    if not os.environ.get("DISPLAY") and parts != ["micro"]:
        parser.error("needs an X display (./scripts/bench starts one)")

    build = os.path.abspath(args.build_dir)
    viewer = Program("ovezor", os.path.join(build, "ovezor"), VIEWER_TOKEN)
    scene = Program("scene floor", os.path.join(build, "bench", "ovezor_scene_floor"), FLOOR_TOKEN)
    clear = Program("clear floor", os.path.join(build, "bench", "ovezor_clear_floor"), FLOOR_TOKEN)
    micro = os.path.join(build, "bench", "ovezor_micro_bench")
    sizes = args.sizes.split(",")
    targets = []
    describe_machine()

    if "micro" in parts:
        repetitions = 3 if args.quick else 5
        print(f"\n== Micro-benchmarks: the viewer's own work, wall time per call"
              f" (median of {repetitions} runs)", flush=True)
        ns = micro_benchmarks(micro, 0.05 if args.quick else 0.3, repetitions)

    if "fps" in parts:
        print(f"\n== Frame rate: {args.rounds} interleaved rounds per size,"
              f" {args.warmup:g} s warm-up, {args.interval:g} s counted; [n] after a rate:"
              " cores kept busy meanwhile by everything else (this harness and its Xvfb"
              " included)", flush=True)
        viewer_fps = {}
        for geometry in sizes:
            results = fps_rounds([viewer, scene, clear], geometry, args.rounds, args.warmup,
                                 args.interval)
            ratio = report_fps(geometry, results, viewer.name, [scene.name, clear.name])
            viewer_fps[geometry] = statistics.median(r.fps for r in results[viewer.name])
            targets.append(f"fps ovezor / scene floor at {geometry}: {ratio:.3f}"
                           f" (median of per-round ratios)  (>= {FPS_TARGET})"
                           f"  {verdict(ratio >= FPS_TARGET)}")

    if "serial" in parts:
        # With the rasterizer on the main thread a frame is one thread's work,
        # and run-to-run spread nearly vanishes: a check that the viewer and
        # the scene floor do the same GL work, free of thread scheduling.
        env = dict(os.environ, LP_NUM_THREADS="0")
        counted = 1.0 if args.quick else 3.0
        print(f"\n== Frame rate with llvmpipe on one thread (LP_NUM_THREADS=0), a cross-check:"
              f" {SERIAL_ROUNDS} interleaved rounds per size, 1 s warm-up, {counted:g} s counted",
              flush=True)
        for geometry in sizes:
            results = fps_rounds([viewer, scene], geometry, SERIAL_ROUNDS, 1.0, counted, env)
            ratio = report_fps(geometry, results, viewer.name, [scene.name])
            targets.append(f"cross-check, one-thread llvmpipe: fps ovezor / scene floor at"
                           f" {geometry}: {ratio:.3f} (no target)")

    if "micro" in parts and "fps" in parts:
        frame_ns = 1e9 / viewer_fps[sizes[0]]
        own_ns = ns["BM_FrameOwnWork"]
        share = own_ns / frame_ns
        targets.append(f"own work per frame (maths {ns['BM_FrameMaths']:.0f} ns + printout"
                       f" {ns['BM_FramePrintout']:.0f} ns, together {own_ns:.0f} ns) /"
                       f" frame time at {sizes[0]} ({frame_ns / 1000:.0f} us):"
                       f" {share * 100:.2f} %  (< {OWN_WORK_TARGET * 100:g} %)"
                       f"  {verdict(share < OWN_WORK_TARGET)}")

    if "start" in parts:
        print(f"\n== Start-up: process start to frame 1 complete, {args.start_rounds}"
              " interleaved rounds, 400x400", flush=True)
        ratio = start_up_rounds(viewer, scene, args.start_rounds)
        targets.append(f"time to first frame ovezor / scene floor: {ratio:.3f}"
                       f"  (<= {START_TARGET})  {verdict(ratio <= START_TARGET)}")

    if "hidden" in parts:
        print("\n== Hidden window: CPU of the viewer while unmapped", flush=True)
        hidden, resumed = hidden_cpu(viewer, args.hidden_seconds)
        targets.append(f"CPU while unmapped: {hidden * 100:.2f} % of one core"
                       f"  (< {HIDDEN_CPU_TARGET * 100:g} %)  {verdict(hidden < HIDDEN_CPU_TARGET)};"
                       f" frames resume after mapping: {'yes' if resumed > 0 else 'NO'}")

    print(f"\nLoad average at end: {load_average()}")
    if targets:
        print("\n== Targets")
        for line in targets:
            print("  " + line)


if __name__ == "__main__":
    main()
