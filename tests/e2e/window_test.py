"""The window as the window system sees it: its title, its size, and how the
command line changes it. The command line belongs to GLUT alone: its window
geometry overrides 400 x 400, and anything it does not know is ignored."""

import subprocess
import unittest

import e2e_common as e2e

CASES = [
    # (command-line arguments, expected width and height)
    ((), (400, 400)),
    (("-geometry", "640x480"), (640, 480)),
    (("--no-such-option",), (400, 400)),
    (("stray", "-geometry", "300x500", "-zzz"), (300, 500)),
]


class WindowFromCommandLine(unittest.TestCase):

    def test_title_and_size(self):
        for args, size in CASES:
            with self.subTest(args=args):
                viewer = e2e.start(args)
                try:
                    self.assertEqual(viewer.title(), e2e.harness.TITLE)
                    info = subprocess.run(["xwininfo", "-id", viewer.window],
                                          capture_output=True, text=True,
                                          check=True).stdout
                    self.assertIn('"Rodured Ovezor"', info)
                    self.assertEqual(viewer.geometry(), size)
                    viewer.wait_frames(10)
                    frames = e2e.quit_cleanly(self, viewer)
                finally:
                    viewer.close()
                # The window's shape reaches the projection only, never the
                # printed view matrix.
                self.assertTrue(all(e2e.is_observer_frame(f) for f in frames))


if __name__ == "__main__":
    e2e.main()
