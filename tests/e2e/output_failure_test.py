"""Standard output that fails does not stop the viewer: a reader that goes
away, a full device, or no standard output at all. In each case the viewer
keeps drawing frames in its window and still ends with status 0 on Escape."""

import subprocess
import time
import unittest

import e2e_common as e2e


def window_keeps_changing(test, viewer):
    """Two pictures of the window a moment apart differ (the teapots move),
    and the process keeps using CPU time to draw them."""
    cpu_before = viewer.cpu_seconds()
    _, _, first = viewer.screenshot()
    time.sleep(0.5)
    _, _, second = viewer.screenshot()
    test.assertTrue(first != second, "the picture stood still")
    test.assertGreater(viewer.cpu_seconds() - cpu_before, 0.05)


def start_in_shell(redirections):
    """Starts the viewer through sh so that it can be given closed
    descriptors; exec keeps the process id, so the harness sees the viewer."""
    script = 'exec "$0" %s' % redirections
    viewer = e2e.harness.Viewer("/bin/sh", ["-c", script, e2e.BINARY])
    viewer.wait_window()
    return viewer


class FailingOutput(unittest.TestCase):

    def finish(self, viewer):
        window_keeps_changing(self, viewer)
        self.assertEqual(viewer.quit(), 0)

    def check_survives(self, viewer):
        """Lets the viewer hit its failing output for a while, then checks
        that it still draws, exits 0 on Escape and said nothing on stderr."""
        try:
            time.sleep(0.3)
            self.finish(viewer)
            self.assertEqual(viewer.proc.stderr.read(), b"")
        finally:
            viewer.close()

    def test_reader_goes_away(self):
        head = subprocess.Popen(["head", "-c", "1000"], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE)
        viewer = e2e.start(stdout=head.stdin)
        try:
            head.stdin.close()  # the viewer now holds the only write end
            taken = head.stdout.read()
            self.assertEqual(head.wait(20), 0)
            self.assertEqual(len(taken), 1000)
            self.assertTrue(taken.startswith(b"\nMatrizVision \n\n"))
            # Long enough for many more buffers to hit the closed pipe.
            time.sleep(0.5)
            self.assertIsNone(viewer.proc.poll(), "viewer ended with the pipe")
            self.finish(viewer)
            self.assertEqual(viewer.proc.stderr.read(), b"")
        finally:
            viewer.close()
            head.stdout.close()

    def test_full_device(self):
        with open("/dev/full", "wb") as full:
            viewer = e2e.start(stdout=full)
        self.check_survives(viewer)

    def test_closed_descriptors(self):
        for redirections in (">&-", "<&- >&-", "<&- >&- 2>&-"):
            with self.subTest(redirections=redirections):
                self.check_survives(start_in_shell(redirections))


if __name__ == "__main__":
    e2e.main()
