"""The picture in the window, read pixel by pixel: the mid-grey background,
the dark red floor and the tether lines in their exact unlit colours, and
the lit teapots in their four hues. In the ride-along view the camera sits
on teapot 0, the only blue one, which is then not drawn."""

import os
import tempfile
import unittest

import e2e_common as e2e

# Least number of pixels of each kind in a 400 x 400 window. The background
# and the floor fill much of the picture; the tethers are 3 pixels wide; the
# smallest teapots on the far side are a few hundred pixels.
AT_LEAST = {"background": 20000, "floor": 20000, "tether": 300,
            "blue": 50, "green": 50, "red": 50, "yellow": 50}
SHOT_DIR = os.environ.get("OVEZOR_E2E_SHOTS", tempfile.gettempdir())


class PictureByPixelClass(unittest.TestCase):

    def shot(self, viewer, name):
        path = os.path.join(SHOT_DIR, "ovezor-e2e-%s.png" % name)
        width, height, pixels = viewer.screenshot(path)
        # The window lies at most one pixel off the screen's edges.
        self.assertGreaterEqual(min(width, height), 399, path)
        return e2e.colour_classes(pixels), path

    def test_observer_and_ride_along_pictures(self):
        viewer = e2e.start()
        try:
            viewer.wait_frames(30)
            observer, path = self.shot(viewer, "observer")
            for kind, least in AT_LEAST.items():
                self.assertGreaterEqual(observer[kind], least,
                                        "%s in %s: %s" % (kind, path,
                                                          observer))

            viewer.keys("m")
            viewer.wait_frames(30)
            ride, path = self.shot(viewer, "ride-along")
            self.assertEqual(ride["blue"], 0, "%s: %s" % (path, ride))
            # Looking along the orbit, the camera has the axis and most of
            # the scene to its right, out of sight; the floor's far part
            # stays in view below the horizon.
            self.assertGreater(ride["background"], AT_LEAST["background"],
                               "%s: %s" % (path, ride))
            self.assertGreater(ride["floor"], 0, "%s: %s" % (path, ride))
            e2e.quit_cleanly(self, viewer)
        finally:
            viewer.close()


if __name__ == "__main__":
    e2e.main()
