"""Keys as the printout shows them. "m" switches between the observer view
and the ride-along view on teapot 0; the projection keys, the aspect key,
the arrows, upper-case letters and unbound keys leave the printed view
matrix alone (the projection never reaches the printout); and teapot 0
takes exactly one orbit step per frame across every switch."""

import math
import unittest

import e2e_common as e2e

# Keys that must not touch the view matrix, pressed in the observer view.
HARMLESS_KEYS = ["s", "s", "x", "c", "d", "d", "f", "a", "f", "x",
                 "Left", "Right", "Up", "Down", "Home", "F1",
                 "S", "X", "C", "D", "F", "A", "M"]

# Turn of teapot 0 between the printouts of two consecutive frames. The
# observer view prints where the previous frame drew it, the ride-along view
# where this frame's step takes it; either way it steps once per frame.
EXPECTED_TURN = {
    ("observer", "observer"): e2e.ORBIT_STEP,
    ("observer", "ride"): 2 * e2e.ORBIT_STEP,
    ("ride", "ride"): e2e.ORBIT_STEP,
    ("ride", "observer"): 0.0,
}


def view_of(frame):
    return "observer" if e2e.is_observer_frame(frame) else "ride"


def runs(views):
    collapsed = []
    for view in views:
        if not collapsed or collapsed[-1] != view:
            collapsed.append(view)
    return collapsed


class KeysInThePrintout(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        viewer = e2e.start()
        try:
            viewer.wait_frames(15)
            for batch in (HARMLESS_KEYS, ["m"], ["f", "d", "s", "Left"],
                          ["m"], ["m"]):
                viewer.keys(*batch)
                viewer.wait_frames(30)
            # Escape ends the viewer in the ride-along view and with the
            # frustum projection just as it does at start-up.
            cls.frames = e2e.quit_cleanly(unittest.TestCase(), viewer)
        finally:
            viewer.close()
        cls.views = [view_of(f) for f in cls.frames]

    def test_only_m_switches_the_view(self):
        self.assertEqual(runs(self.views),
                         ["observer", "ride", "observer", "ride"])

    def test_ride_along_view_sits_on_teapot_0(self):
        ride_frames = [f for f, v in zip(self.frames, self.views)
                       if v == "ride"]
        self.assertGreater(len(ride_frames), 20)
        for view, teapot in ride_frames:
            travel, up, side, p = (e2e.column(teapot, c) for c in range(4))
            theta = e2e.azimuth(p)
            expected_rows = [
                # side, then the camera's distance from the axis
                [-math.cos(theta), 0.0, -math.sin(theta), e2e.ORBIT_RADIUS],
                [0.0, 1.0, 0.0, -p[1]],
                # -travel, and no offset along the line of sight
                [math.sin(theta), 0.0, -math.cos(theta), 0.0],
                [0.0, 0.0, 0.0, 1.0],
            ]
            self.assertTrue(e2e.matrices_close(view, expected_rows),
                            (view, expected_rows))
            self.assertTrue(e2e.matrices_close(
                [travel, up, side], [[-math.sin(theta), 0.0, math.cos(theta)],
                                     [0.0, 1.0, 0.0],
                                     [-math.cos(theta), 0.0,
                                      -math.sin(theta)]]), teapot)
            self.assertAlmostEqual(math.hypot(p[0], p[2]), e2e.ORBIT_RADIUS,
                                   delta=e2e.PRINT_TOLERANCE)
            self.assertAlmostEqual(p[1], e2e.bob_height(p),
                                   delta=e2e.PRINT_TOLERANCE)

    def test_observer_view_has_a_pure_translation_for_teapot_0(self):
        for frame, view in zip(self.frames, self.views):
            if view == "observer":
                rotation = [row[:3] for row in frame[1][:3]]
                self.assertEqual(rotation, [[1, 0, 0], [0, 1, 0], [0, 0, 1]])

    def test_teapot_0_steps_once_per_frame_across_switches(self):
        positions = [e2e.teapot_position(f) for f in self.frames]
        for n in range(1, len(self.frames)):
            expected = EXPECTED_TURN[(self.views[n - 1], self.views[n])]
            self.assertAlmostEqual(
                e2e.azimuth_step(positions[n - 1], positions[n]), expected,
                delta=e2e.PRINT_TOLERANCE,
                msg="frame %d (%s) to %d (%s)" % (n - 1, self.views[n - 1], n,
                                                   self.views[n]))


if __name__ == "__main__":
    e2e.main()
