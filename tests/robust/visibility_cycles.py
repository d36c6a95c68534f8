"""Visibility cycles: the window is hidden and shown again and again, by
unmapping and mapping it and by covering it wholly with another window and
uncovering it, in both views. While hidden no frame is drawn and the process
uses next to no CPU; every time it is shown the frames resume, and every
frame is exactly one orbit step after the one before, so no resume jumps.

The printout goes to a pseudo-terminal, where it is line buffered: each
frame is seen the moment it is printed, so "no frame" is an exact count.

    visibility_cycles.py path/to/ovezor [--cycles N] [--pause SECONDS]"""

import subprocess
import sys
import time

import robust_support as rs

# While hidden, at most this share of one CPU: one clock tick of slack for
# the measurement itself on top of a hundredth of the pause.
HIDDEN_CPU_SHARE = 0.01
CLOCK_TICK = 0.01
QUIET = 0.3  # no frame for this long: the animation has stopped


def settle(viewer, timeout=10):
    """Waits until no frame has come for QUIET seconds; returns the count."""
    deadline = time.time() + timeout
    count, since = viewer.frames(), time.time()
    while time.time() - since < QUIET:
        if time.time() > deadline:
            rs.fail("frames keep coming %ss after the window was hidden"
                    % timeout)
        time.sleep(0.02)
        now = viewer.frames()
        if now != count:
            count, since = now, time.time()
    return count


class Cover:
    """A second viewer, larger, at the same corner: mapped, it covers the
    window under test wholly; unmapped, it uncovers it."""

    def __init__(self, binary):
        self.viewer = rs.harness.Viewer(
            binary, ["-geometry", rs.geometry(260, 260)],
            stdout=subprocess.DEVNULL)
        self.window = None

    def find_window(self, other):
        deadline = time.time() + 30
        while time.time() < deadline:
            found = rs.harness.xdotool("search", "--onlyvisible", "--name",
                                       "^%s$" % rs.harness.TITLE,
                                       check=False).split()
            mine = [w for w in found if w != other]
            if mine:
                self.window = mine[0]
                return
            time.sleep(0.05)
        rs.fail("the covering window did not appear")

    def show(self):
        rs.harness.xdotool("windowmap", "--sync", self.window)

    def hide(self):
        rs.harness.xdotool("windowunmap", "--sync", self.window)

    def close(self):
        if self.window and self.viewer.proc.poll() is None:
            self.show()
            rs.harness.xdotool("windowfocus", "--sync", self.window)
            rs.harness.xdotool("key", "Escape")
            self.viewer.wait_exit(20)
        self.viewer.close()


def main():
    binary, opt = rs.parse_args(sys.argv, cycles=4, pause=1.0)
    viewer = rs.RunningViewer(binary, ["-geometry", rs.geometry(200, 200)],
                              tty_output=True)
    cover = None
    worst_share = 0.0
    resumed = []
    try:
        viewer.start()
        cover = Cover(binary)
        cover.find_window(viewer.window)
        cover.hide()
        viewer.wait_frames(10)
        cpu = viewer.viewer.cpu_seconds()
        time.sleep(opt["pause"])
        drawing_share = (viewer.viewer.cpu_seconds() - cpu) / opt["pause"]
        for n in range(opt["cycles"]):
            by_cover = n % 2 == 1
            if n % 4 == 2:
                viewer.keys(["m"])  # half the cycles in the ride-along view
                viewer.wait_frames(3)
            if by_cover:
                cover.show()
            else:
                rs.harness.xdotool("windowunmap", "--sync", viewer.window)
            stopped = settle(viewer)
            cpu = viewer.viewer.cpu_seconds()
            time.sleep(opt["pause"])
            used = viewer.viewer.cpu_seconds() - cpu
            drawn = viewer.frames() - stopped
            how = "covered" if by_cover else "unmapped"
            if drawn:
                rs.fail("cycle %d: %d frames drawn while %s" % (n, drawn, how))
            share = max(0.0, used - CLOCK_TICK) / opt["pause"]
            worst_share = max(worst_share, used / opt["pause"])
            if share > HIDDEN_CPU_SHARE:
                rs.fail("cycle %d: %.3f s of CPU in %.1f s while %s"
                        % (n, used, opt["pause"], how))
            if by_cover:
                cover.hide()
            else:
                rs.harness.xdotool("windowmap", "--sync", viewer.window)
            viewer.wait_frames(10)
            resumed.append(stopped)
            viewer.alive()
        checker = viewer.quit()
    finally:
        if cover:
            cover.close()
        viewer.close()

    # The checker has held each frame to exactly one orbit step after the
    # one before it, across every pause.
    rs.report("hide/show cycles", len(resumed))
    rs.report("CPU share while drawing", "%.2f" % drawing_share)
    rs.report("largest CPU share while hidden", "%.3f" % worst_share)
    rs.report("frames checked", checker.frames)
    rs.report("view runs", [(v, k) for v, _, k in checker.views])
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
