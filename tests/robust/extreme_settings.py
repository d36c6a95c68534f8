"""Extreme settings: the field of view driven to 0, below 0, to 180 and far
beyond, the frustum shift far to both sides, in both projection modes and
both views, with window resizes at extreme values. The viewer must neither
crash nor hang, and its printout must stay exactly what the orbit and the
camera make it: the projection never reaches the printed matrices.

    extreme_settings.py path/to/ovezor [--shift-presses N]"""

import sys

import robust_support as rs

# Field-of-view targets in degrees, visited in this order: zero (GLU gives up
# and leaves the identity), one step below zero, far below, exactly 180 (the
# cotangent of 90 degrees), one step past it, a whole turn and far beyond.
FOV_TARGETS = [0, -5, -1800, 180, 185, 360, 3600, 60]


class Settings:
    """Presses keys and keeps track of fov and of the net shift presses."""

    def __init__(self, viewer):
        self.viewer = viewer
        self.fov = 60
        self.shift = 0

    def press(self, key, times=1):
        self.viewer.keys([key] * times)

    def fov_to(self, target):
        steps = (target - self.fov) // 5
        self.press("s" if steps > 0 else "x", abs(steps))
        self.fov = target
        self.settle("fov %d" % target)

    def shift_to(self, presses):
        steps = presses - self.shift
        self.press("d" if steps > 0 else "c", abs(steps))
        self.shift = presses
        self.settle("posf about %.1f" % (presses / 10))

    def settle(self, what):
        try:
            self.viewer.wait_frames(3, timeout=60)
        except AssertionError as e:
            raise AssertionError("at %s: %s" % (what, e)) from None

    def resize(self, width, height):
        rs.harness.xdotool("windowsize", "--sync", self.viewer.window,
                           str(width), str(height))
        self.settle("a %dx%d window with fov %d" % (width, height, self.fov))


def sweep(settings, far_shift):
    for target in FOV_TARGETS:
        settings.fov_to(target)
        if target in (0, 180, 3600):
            # A resize installs the perspective with this fov at once.
            settings.resize(1, 1)
            settings.resize(320, 90)
            settings.resize(200, 200)
    settings.shift_to(far_shift)
    settings.shift_to(-far_shift)
    settings.press("a")  # aspect correction flips; shows at the next install
    settings.shift_to(0)


def main():
    binary, opt = rs.parse_args(sys.argv, **{"shift-presses": 1000})
    viewer = rs.RunningViewer(binary, ["-geometry", rs.geometry(200, 200)])
    try:
        viewer.start()
        settings = Settings(viewer)
        for view in ("observer", "ride-along"):
            if view == "ride-along":
                settings.press("m")
            for mode in ("perspective", "frustum"):
                if mode == "frustum":
                    settings.press("f")
                print("sweep: %s view, %s mode" % (view, mode), flush=True)
                sweep(settings, opt["shift-presses"])
                if viewer.checker.current_view() != view:
                    rs.fail("the %s sweep printed the %s view"
                            % (view, viewer.checker.current_view()))
            settings.press("f")  # back to perspective mode
        checker = viewer.quit()
    finally:
        viewer.close()
    rs.report("frames checked", checker.frames)
    rs.report("view runs", [(v, n) for v, _, n in checker.views])
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
