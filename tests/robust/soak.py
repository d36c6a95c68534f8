"""Soak: one long run of the viewer in a small window, switching the view now
and then. Every frame of the printout is parsed as it streams in (nothing is
kept) and held to the orbit and the camera exactly; the resident memory is
sampled throughout and must stay flat after the warm-up; teapot 0's
horizontal radius, read from the printout, and every teapot's, from the
orbit model that the printout confirms bit for bit, must stay within the
drift bound of the orbit step's own long-run test.

    soak.py path/to/ovezor [--frames N] [--size PIXELS]"""

import sys
import time

import orbit_model
import robust_support as rs

# The resident size settles in steps: the C library's heap and Mesa's
# buffers grow by about 512 KiB at a time during the first tens of thousands
# of frames (here the last step came near frame 50,000; then nothing more in
# 300,000 frames), and rise by a MiB for a moment now and then. So the first
# half of the run is the warm-up, and after it the floor of the resident
# size (its least value) over the last tenth is held to its floor over the
# third quarter: one more settling step passes, a leak of some 20 bytes a
# frame or more does not.
RSS_FLOOR_RISE_KIB = 1024
# Six printed decimals hide up to about 3 ulps of a radius of 2.
PRINT_RESOLUTION_ULPS = 4
VIEW_SWITCHES = 4
SAMPLE_EVERY = 0.1  # seconds


def memory_figures(samples, total):
    """samples: (frames, KiB) pairs. Returns the floor of the resident size
    over the third quarter of the run and over its last tenth, and its peak
    after the warm-up."""
    def floor_between(first, last):
        values = [k for f, k in samples if first * total <= f < last * total]
        if len(values) < 3:
            rs.fail("only %d memory samples between %d%% and %d%% of the run"
                    % (len(values), 100 * first, 100 * last))
        return min(values)
    peak = max(k for f, k in samples if 2 * f >= total)
    return floor_between(0.5, 0.75), floor_between(0.9, 1.01), peak


def main():
    binary, opt = rs.parse_args(sys.argv, frames=3000, size=64)
    total = opt["frames"]
    switch_at = [total * k // (VIEW_SWITCHES + 1)
                 for k in range(1, VIEW_SWITCHES + 1)]
    viewer = rs.RunningViewer(binary, ["-geometry",
                                       rs.geometry(opt["size"], opt["size"])])
    samples = []
    began = time.time()
    try:
        viewer.start()
        # A generous floor of 25 frames a second; a hang fails much sooner.
        deadline = time.time() + 60 + total / 25
        next_sample = 0.0
        while viewer.frames() < total:
            viewer.reader.check()
            viewer.alive()
            if time.time() > deadline:
                rs.fail("only %d of %d frames in time" % (viewer.frames(),
                                                          total))
            if switch_at and viewer.frames() >= switch_at[0]:
                switch_at.pop(0)
                viewer.keys(["m"])
            if time.time() >= next_sample:
                samples.append((viewer.frames(), rs.rss_kib(viewer.proc.pid)))
                next_sample = time.time() + SAMPLE_EVERY
            time.sleep(0.02)
        samples.append((viewer.frames(), rs.rss_kib(viewer.proc.pid)))
        checker = viewer.quit(timeout=120)
    finally:
        viewer.close()
    seconds = time.time() - began

    early, late, peak = memory_figures(samples, total)
    rs.report("frames checked", "%d in %.0f s (%.0f a second)"
              % (checker.frames, seconds, checker.frames / seconds))
    rs.report("printout parsed", "%.1f MB" % (viewer.reader.bytes / 1e6))
    rs.report("view runs", [(v, n) for v, _, n in checker.views])
    rs.report("resident memory after warm-up (floor, third quarter)",
              "%d KiB" % early)
    rs.report("resident memory at the end (floor, last tenth)", "%d KiB" % late)
    rs.report("resident memory, peak after warm-up", "%d KiB" % peak)
    if late - early > RSS_FLOOR_RISE_KIB:
        rs.fail("resident memory rose from %d to %d KiB after the warm-up "
                "(last samples: %s)" % (early, late, samples[-20:]))

    printed = checker.largest_printed_radius_ulps
    rs.report("teapot 0 radius drift in the printout", "%.1f ulps" % printed)
    if printed > rs.RADIUS_BOUND_ULPS + PRINT_RESOLUTION_ULPS:
        rs.fail("teapot 0's printed radius drifted %.1f ulps" % printed)
    worst = []
    for teapot, start in enumerate(orbit_model.START):
        drift, step = orbit_model.radius_drift_ulps(start, checker.frames)
        worst.append((drift, teapot, step))
        if drift > rs.RADIUS_BOUND_ULPS:
            rs.fail("teapot %d's radius drifted %.1f ulps by step %d"
                    % (teapot, drift, step))
    drift, teapot, step = max(worst)
    rs.report("largest radius drift, all teapots",
              "%.1f ulps (teapot %d, step %d; bound %d)"
              % (drift, teapot, step, rs.RADIUS_BOUND_ULPS))
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
