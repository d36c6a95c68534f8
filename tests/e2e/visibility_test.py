"""An unmapped window gets no frames: the animation stops, costs no CPU, and
when the window is mapped again it goes on from where it stopped, since
nothing measures elapsed time."""

import time
import unittest

import e2e_common as e2e


def settle(viewer, quiet=0.3, timeout=10):
    """Waits until the printout has not grown for `quiet` seconds."""
    deadline = time.time() + timeout
    count = viewer.frame_count()
    still_since = time.time()
    while time.time() - still_since < quiet:
        if time.time() > deadline:
            raise AssertionError("frames still coming after %ss" % timeout)
        time.sleep(0.05)
        now = viewer.frame_count()
        if now != count:
            count, still_since = now, time.time()
    return count


class UnmappedWindowStopsTheAnimation(unittest.TestCase):

    def test_unmap_stops_and_map_resumes_without_a_jump(self):
        viewer = e2e.start()
        try:
            viewer.wait_frames(20)
            e2e.harness.xdotool("windowunmap", "--sync", viewer.window)
            stopped_at = settle(viewer)
            cpu_before = viewer.cpu_seconds()
            time.sleep(1.0)
            self.assertEqual(viewer.frame_count(), stopped_at)
            self.assertLess(viewer.cpu_seconds() - cpu_before, 0.2)

            e2e.harness.xdotool("windowmap", "--sync", viewer.window)
            viewer.wait_frames(20)
            frames = e2e.quit_cleanly(self, viewer)
        finally:
            viewer.close()

        # Each frame shows where the one before it drew teapot 0, so a jump
        # across the pause would show as a step of other than 0.2 radian.
        positions = [e2e.teapot_position(f) for f in frames]
        steps = [e2e.azimuth_step(a, b) for a, b in zip(positions,
                                                       positions[1:])]
        for n, step in enumerate(steps):
            self.assertAlmostEqual(step, e2e.ORBIT_STEP,
                                   delta=e2e.PRINT_TOLERANCE,
                                   msg="frame %d to %d" % (n, n + 1))
        self.assertGreater(len(frames), stopped_at)


if __name__ == "__main__":
    e2e.main()
