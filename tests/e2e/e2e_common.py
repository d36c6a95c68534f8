"""What the end-to-end scripts share: the viewer's path from the command line,
the harness, and readings of the printout and of the picture."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "harness"))

import ovezor_harness as harness  # noqa: E402

BINARY = None

ORBIT_STEP = 0.2
ORBIT_RADIUS = 2.0
# Six printed decimals put up to 5e-7 of rounding on every number.
PRINT_TOLERANCE = 1e-5

_R17 = math.sqrt(17.0)
# Look-at from (0, 1, 4) to the origin with y up.
OBSERVER_VIEW = [
    [1.0, 0.0, 0.0, 0.0],
    [0.0, 4.0 / _R17, -1.0 / _R17, 0.0],
    [0.0, 1.0 / _R17, 4.0 / _R17, -_R17],
    [0.0, 0.0, 0.0, 1.0],
]


def main():
    """Runs the script's tests; argv[1] is the viewer's path."""
    global BINARY
    if len(sys.argv) < 2:
        sys.exit("usage: %s path/to/ovezor" % sys.argv[0])
    BINARY = os.path.abspath(sys.argv.pop(1))
    if not os.environ.get("DISPLAY"):
        sys.exit("these tests need an X display (run them through the test "
                 "command)")
    unittest.main(verbosity=2)


def start(args=(), **kwargs):
    """Starts the viewer and waits for its window."""
    viewer = harness.Viewer(BINARY, args, **kwargs)
    try:
        viewer.wait_window()
    except Exception:
        viewer.close()
        raise
    return viewer


def quit_cleanly(test, viewer):
    """Escape; the process must end with status 0 and write nothing to
    stderr. Returns the whole printout, checked to be complete frames."""
    test.assertEqual(viewer.quit(), 0)
    test.assertEqual(viewer.proc.stderr.read(), b"")
    return harness.parse_complete_frames(viewer.output())


def matrices_close(a, b, tolerance=PRINT_TOLERANCE):
    return all(abs(x - y) <= tolerance
               for row_a, row_b in zip(a, b) for x, y in zip(row_a, row_b))


def is_observer_frame(frame):
    return matrices_close(frame[0], OBSERVER_VIEW)


def column(matrix, c):
    return [matrix[r][c] for r in range(3)]


def teapot_position(frame):
    """Teapot 0's position as the first-teapot block gives it."""
    return column(frame[1], 3)


def azimuth(position):
    return math.atan2(position[2], position[0])


def azimuth_step(before, after):
    """Turn from one position to the next, in (-pi, pi]."""
    turn = azimuth(after) - azimuth(before)
    return math.atan2(math.sin(turn), math.cos(turn))


def bob_height(position):
    return (1.0 + math.cos(3.0 * azimuth(position))) / 2.0


def colour_classes(pixels):
    """Counts the pixels of each kind that the scene is made of. Background,
    floor and tether lines are drawn unlit, so their colours are exact (a
    half becomes 127 or 128); the teapots are lit, so only their hue is
    known, and their dimmest faces fall in no class."""
    counts = dict.fromkeys(("background", "floor", "tether", "blue", "green",
                            "red", "yellow"), 0)
    half = (127, 128)
    for r, g, b in pixels:
        if r == g == b and r in half:
            kind = "background"
        elif r in half and g == 0 and b == 0:
            kind = "floor"
        elif r == 0 and g in half and abs(b - 204) <= 1:
            kind = "tether"
        elif b > 140 and r < 60 and g < 60:
            kind = "blue"
        elif g > 140 and r < 60 and b < 60:
            kind = "green"
        elif r > 140 and g < 60 and b < 60:
            kind = "red"
        elif r > 140 and g > 140 and b < 60:
            kind = "yellow"
        else:
            continue
        counts[kind] += 1
    return counts
