"""Escape ends the viewer with status 0, and standard output then holds
nothing but whole frames of the matrix printout, whatever kind of file it is
(a pipe and a regular file buffer it fully, a terminal line by line; the last
line of numbers has no line break of its own, so each kind holds back a
tail that only the exit path writes out)."""

import math
import os
import tempfile
import threading
import time
import tty
import unittest

import e2e_common as e2e

FIRST_TEAPOT_BLOCK = ("\nMatriz Primera tetera \n"
                      "\n1.000000\t0.000000\t0.000000\t2.000000\t"
                      "\n0.000000\t1.000000\t0.000000\t0.000000\t"
                      "\n0.000000\t0.000000\t1.000000\t0.000000\t"
                      "\n0.000000\t0.000000\t0.000000\t1.000000\t")


def run_until_escape(test, stdout=None, frames=30):
    viewer = e2e.start(stdout=stdout)
    try:
        if stdout is None:
            viewer.wait_frames(frames)
        else:
            # The printout cannot be counted here: let the viewer draw for
            # a while of its own CPU time.
            enough = viewer.cpu_seconds() + 0.3
            give_up = time.time() + 30
            while viewer.cpu_seconds() < enough and time.time() < give_up:
                time.sleep(0.05)
        test.assertEqual(viewer.quit(), 0)
        test.assertEqual(viewer.proc.stderr.read(), b"")
        return viewer.output()
    finally:
        viewer.close()


def through_pipe(test):
    return run_until_escape(test)


def through_file(test):
    with tempfile.TemporaryFile() as out:
        run_until_escape(test, stdout=out)
        out.seek(0)
        return out.read().decode("ascii")


def through_terminal(test):
    master, slave = os.openpty()
    tty.setraw(slave)  # no newline translation: the bytes arrive as written
    chunks = []

    def read_all():
        while True:
            try:
                chunk = os.read(master, 65536)
            except OSError:  # EIO once the last writer has gone
                return
            if not chunk:
                return
            chunks.append(chunk)

    reader = threading.Thread(target=read_all, daemon=True)
    reader.start()
    try:
        run_until_escape(test, stdout=slave)
    finally:
        os.close(slave)
        reader.join(10)
        os.close(master)
    return b"".join(chunks).decode("ascii")


class EscapeLeavesWholeFrames(unittest.TestCase):

    def check_printout(self, text):
        self.assertTrue(text.startswith(e2e.harness.VIEW_TITLE + "\n"),
                        repr(text[:40]))
        frames = e2e.harness.parse_complete_frames(text)
        self.assertGreaterEqual(len(frames), 10)
        first_end = e2e.harness.FRAME_RE.match(text).end()
        self.assertTrue(text[:first_end].endswith(FIRST_TEAPOT_BLOCK),
                        repr(text[:first_end]))
        for frame in frames:
            self.assertTrue(e2e.is_observer_frame(frame), frame[0])
            self.assertEqual(frame[0][3], [0.0, 0.0, 0.0, 1.0])
            self.assertEqual(frame[1][3], [0.0, 0.0, 0.0, 1.0])
            rotation = [row[:3] for row in frame[1][:3]]
            self.assertEqual(rotation, [[1, 0, 0], [0, 1, 0], [0, 0, 1]])
        return frames

    def check_orbit(self, frames):
        """Teapot 0 turns by one orbit step per frame, keeps its radius and
        bobs with its azimuth; frame n shows where frame n-1 drew it."""
        positions = [e2e.teapot_position(f) for f in frames]
        self.assertEqual(positions[0], [2.0, 0.0, 0.0])
        for n, (before, after) in enumerate(zip(positions, positions[1:])):
            self.assertAlmostEqual(e2e.azimuth_step(before, after),
                                   e2e.ORBIT_STEP, delta=e2e.PRINT_TOLERANCE,
                                   msg="frame %d to %d" % (n, n + 1))
            self.assertAlmostEqual(math.hypot(after[0], after[2]),
                                   e2e.ORBIT_RADIUS,
                                   delta=e2e.PRINT_TOLERANCE)
            self.assertAlmostEqual(after[1], e2e.bob_height(after),
                                   delta=e2e.PRINT_TOLERANCE)

    def test_each_kind_of_standard_output(self):
        for name, run in (("pipe", through_pipe), ("regular file",
                                                   through_file),
                          ("terminal", through_terminal)):
            with self.subTest(stdout=name):
                frames = self.check_printout(run(self))
                self.check_orbit(frames)


if __name__ == "__main__":
    e2e.main()
