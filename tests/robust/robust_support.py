"""What the reliability scripts share: starting the viewer with its output
read as a stream, a frame-by-frame oracle for the printout, seeded key
sequences, and readings of memory, CPU time and the picture."""

import math
import os
import pty
import subprocess
import sys
import threading
import time
import tty

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))

import ovezor_harness as harness  # noqa: E402
import orbit_model  # noqa: E402

# Largest wander of a teapot's horizontal radius, in float ulps of its start
# value, over 100,000 steps: the bound that the orbit step's own long-run
# test in tests/scene holds the step to.
RADIUS_BOUND_ULPS = 256

# Six printed decimals put up to 5e-7 of rounding on a number; the GL's float
# products add a few 1e-7 more on the translations that it composes.
PRINT_STEP = 1e-6
COMPOSED_TOLERANCE = 1.5e-6

_R17 = math.sqrt(17.0)
# Look-at from (0, 1, 4) to the origin with y up, row by row.
OBSERVER_VIEW = [
    1.0, 0.0, 0.0, 0.0,
    0.0, 4.0 / _R17, -1.0 / _R17, 0.0,
    0.0, 1.0 / _R17, 4.0 / _R17, -_R17,
    0.0, 0.0, 0.0, 1.0,
]

# Every key that the storms press, by kind (xdotool key names). Escape is
# left out: it ends the process and is pressed on its own at the end.
KEY_KINDS = {
    "bound": ["a", "c", "d", "f", "m", "s", "x"],
    "upper": ["A", "C", "D", "F", "M", "S", "X"],
    "arrow": ["Left", "Right", "Up", "Down"],
    "function": ["F%d" % n for n in range(1, 13)],
    "page": ["Prior", "Next", "Home", "End", "Insert", "Delete"],
    "digit": [str(n) for n in range(10)],
    "punctuation": ["comma", "period", "slash", "semicolon", "apostrophe",
                    "bracketleft", "bracketright", "backslash", "minus",
                    "equal", "grave", "space", "exclam", "at", "numbersign",
                    "dollar", "percent", "asciicircum", "ampersand",
                    "asterisk", "parenleft", "parenright", "underscore",
                    "plus", "colon", "quotedbl", "less", "greater",
                    "question", "braceleft", "braceright", "bar",
                    "asciitilde", "Return", "Tab", "BackSpace"],
}


def key_sequence(rng, count):
    """count key names (at least one of every key of KEY_KINDS) in random
    order: every key once, the rest drawn kind first, with equal weight, so
    the bound keys are frequent."""
    every = [k for keys in KEY_KINDS.values() for k in keys]
    rng.shuffle(every)
    kinds = list(KEY_KINDS)
    extra = [rng.choice(KEY_KINDS[rng.choice(kinds)])
             for _ in range(max(0, count - len(every)))]
    sequence = every + extra
    rng.shuffle(sequence)
    return sequence[:max(count, len(every))]


def fail(message):
    raise AssertionError(message)


def _printed(value):
    """The number as "%f" shows it, read back."""
    return float("%f" % value)


class FrameChecker:
    """Checks a printout frame by frame as it streams in, keeping only the
    tail of text not yet parsed.

    Frame i (from 0) runs after i orbit steps of teapot 0 and takes one more.
    The observer view prints teapot 0 where the previous frame left it, P(i),
    and the ride-along view where this frame's own step takes it, P(i + 1);
    the orbit model gives both bit for bit. The view matrix is the fixed
    look-at in the observer view, the same text in every frame, and is made
    of teapot 0's frame and position in the ride-along view. Nothing of the
    projection appears in either block."""

    def __init__(self):
        self.frames = 0
        self.views = []  # runs of [view, first frame, frame count]
        self.observer_text = None
        self.largest_printed_radius_ulps = 0.0
        self._tail = ""
        self._orbit = orbit_model.Orbit(0)
        self._radius_ulp = orbit_model.ulp(orbit_model.horizontal_radius(
            orbit_model.START[0]))

    def feed(self, text):
        self._tail += text
        pos = 0
        tail = self._tail
        while True:
            m = harness.FRAME_RE.match(tail, pos)
            if not m:
                break
            self._check(m.group(1), m.group(2))
            pos = m.end()
        rest = tail[pos:]
        # What follows the last whole frame can only be the start of the
        # next one; finish() rejects it if the process ends there.
        if rest and not (len(rest) < 700 and rest.startswith("\n")):
            fail("malformed printout after frame %d: %r"
                 % (self.frames, rest[:160]))
        self._tail = rest

    def finish(self):
        """The process has ended: its printout must end at a frame's end."""
        if self._tail:
            fail("printout ends inside frame %d: %r"
                 % (self.frames, self._tail[:160]))

    def current_view(self):
        return self.views[-1][0] if self.views else None

    def _check(self, view_text, teapot_text):
        i = self.frames
        view = _numbers(view_text)
        teapot = _numbers(teapot_text)
        if view[5] == 1.0:
            kind = "ride-along"
            self._check_ride_along(i, view, teapot)
        else:
            kind = "observer"
            self._check_observer(i, view_text, view, teapot)
        if self.views and self.views[-1][0] == kind:
            self.views[-1][2] += 1
        else:
            self.views.append([kind, i, 1])
        self.frames += 1

    def _check_observer(self, i, view_text, view, teapot):
        if self.observer_text is None:
            _expect_close(i, "observer view", view, OBSERVER_VIEW, PRINT_STEP)
            self.observer_text = view_text
        elif view_text != self.observer_text:
            fail("frame %d: observer view changed from %r to %r"
                 % (i, self.observer_text, view_text))
        p, _ = self._orbit.advance_to(i)
        expected = [1.0, 0.0, 0.0, p[0],
                    0.0, 1.0, 0.0, p[1],
                    0.0, 0.0, 1.0, p[2],
                    0.0, 0.0, 0.0, 1.0]
        _expect_printed(i, "first-teapot block (observer)", teapot, expected)
        self._note_radius(teapot)

    def _check_ride_along(self, i, view, teapot):
        p, t = self._orbit.advance_to(i + 1)
        side = (-t[2], 0.0, t[0])  # travel x up
        expected_teapot = [t[0], 0.0, side[0], p[0],
                           t[1], 1.0, side[1], p[1],
                           t[2], 0.0, side[2], p[2],
                           0.0, 0.0, 0.0, 1.0]
        _expect_printed(i, "first-teapot block (ride-along)", teapot,
                        expected_teapot)
        # Rows side, up and -travel; translation -(row . p), composed by the
        # GL in float, so only that column has a tolerance.
        rows = (side, (0.0, 1.0, 0.0), (-t[0], -t[1], -t[2]))
        expected_view = []
        for row in rows:
            expected_view += [row[0], row[1], row[2],
                              -(row[0] * p[0] + row[1] * p[1] + row[2] * p[2])]
        expected_view += [0.0, 0.0, 0.0, 1.0]
        _expect_printed(i, "view matrix (ride-along)", view, expected_view,
                        skip=(3, 7, 11))
        _expect_close(i, "view translation (ride-along)", view[3::4],
                      expected_view[3::4], COMPOSED_TOLERANCE)
        self._note_radius(teapot)

    def _note_radius(self, teapot):
        radius = math.hypot(teapot[3], teapot[11])
        drift = abs(radius - 2.0) / self._radius_ulp
        self.largest_printed_radius_ulps = max(
            self.largest_printed_radius_ulps, drift)


def _numbers(block):
    return [float(v) for v in block.replace("\n", "\t").split("\t") if v]


def _expect_printed(i, what, got, expected, skip=()):
    """Row by row, every number as "%f" prints the expected value."""
    for n, (g, e) in enumerate(zip(got, expected)):
        if n not in skip and g != _printed(e):
            fail("frame %d: %s, row %d column %d: printed %r, expected %r"
                 % (i, what, n // 4, n % 4, g, _printed(e)))


def _expect_close(i, what, got, expected, tolerance):
    for n, (g, e) in enumerate(zip(got, expected)):
        if not abs(g - e) <= tolerance:
            fail("frame %d: %s, number %d: printed %r, expected %r within %g"
                 % (i, what, n, g, e, tolerance))


class StreamReader:
    """Reads the viewer's standard output from a descriptor in a thread and
    feeds it to a FrameChecker. A fault found in the printout is kept and
    raised by check(); the reading goes on so the viewer never blocks."""

    def __init__(self, fd, checker=None):
        self.checker = checker or FrameChecker()
        self.error = None
        self.bytes = 0
        self._fd = fd
        self._lock = threading.Lock()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        while True:
            try:
                chunk = os.read(self._fd, 1 << 16)
            except OSError:  # a pty whose other side has closed
                chunk = b""
            if not chunk:
                break
            with self._lock:
                self.bytes += len(chunk)
                if self.error is None:
                    try:
                        self.checker.feed(chunk.decode("ascii"))
                    except (AssertionError, UnicodeDecodeError) as e:
                        self.error = e
        os.close(self._fd)

    def frames(self):
        with self._lock:
            return self.checker.frames

    def check(self):
        with self._lock:
            if self.error is not None:
                raise AssertionError("printout: %s" % self.error)

    def wait_frames(self, count, timeout=60, proc=None):
        """Waits for count more frames than now; fails on a printout fault,
        an ended process or a timeout (a hang)."""
        target = self.frames() + count
        deadline = time.time() + timeout
        while self.frames() < target:
            self.check()
            if proc is not None and proc.poll() is not None:
                fail("viewer ended (status %s) while frames were awaited"
                     % proc.returncode)
            if time.time() > deadline:
                fail("no %d frames within %ss: the viewer hangs" % (count,
                                                                      timeout))
            time.sleep(0.01)
        self.check()

    def close(self, timeout=20):
        """After the process has ended: reads the rest and checks that the
        printout ended with a whole frame."""
        self._thread.join(timeout)
        with self._lock:
            if self.error is None:
                try:
                    self.checker.finish()
                except AssertionError as e:
                    self.error = e
        self.check()


class RunningViewer:
    """The viewer with its standard output on a pipe, or on a pseudo-terminal
    (tty=True: line buffered, so every frame is seen as soon as it is
    printed), checked frame by frame."""

    def __init__(self, binary, args=(), tty_output=False, env=None):
        if tty_output:
            master, slave = pty.openpty()
            tty.setraw(slave)  # no CR added to LF, nothing echoed
            read_end, write_end = master, slave
        else:
            read_end, write_end = os.pipe()
        try:
            self.viewer = harness.Viewer(binary, args, stdout=write_end,
                                         env=env)
        finally:
            os.close(write_end)
        self.reader = StreamReader(read_end)
        self.checker = self.reader.checker
        self.proc = self.viewer.proc

    def start(self, frames=5, timeout=60):
        self.viewer.wait_window(timeout)
        self.reader.wait_frames(frames, timeout, self.proc)
        return self

    @property
    def window(self):
        return self.viewer.window

    def frames(self):
        return self.reader.frames()

    def wait_frames(self, count, timeout=60):
        self.reader.wait_frames(count, timeout, self.proc)

    def keys(self, names, chunk=500):
        """Presses the keys at full speed (no delay between events)."""
        harness.xdotool("windowfocus", "--sync", self.window)
        for n in range(0, len(names), chunk):
            harness.xdotool("key", "--delay", "0", *names[n:n + chunk])

    def alive(self):
        if self.proc.poll() is not None:
            fail("viewer ended with status %s: %s"
                 % (self.proc.returncode, self.stderr_text()))

    def quit(self, timeout=60):
        """Escape: the process must end with status 0, having written whole
        frames and nothing on standard error. Returns the checker."""
        self.alive()
        harness.xdotool("windowfocus", "--sync", self.window)
        harness.xdotool("key", "Escape")
        try:
            status = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            fail("Escape did not end the viewer within %ss" % timeout)
        self.reader.close()
        errors = self.stderr_text()
        if status != 0:
            fail("Escape ended the viewer with status %s: %s"
                 % (status, errors))
        if errors:
            fail("the viewer wrote to standard error: %s" % errors[:2000])
        return self.checker

    def stderr_text(self):
        if self.proc.poll() is None:
            return ""
        return self.proc.stderr.read().decode(errors="replace")

    def close(self):
        self.viewer.close()


def geometry(width, height):
    """A -geometry value that also puts the window at the screen's corner.
    With no window manager the window would sit at (-1, -1), where one a
    single pixel wide or high lies wholly off the screen: GLUT then rightly
    reports it not visible and the animation stops."""
    return "%dx%d+0+0" % (width, height)


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    fail("no VmRSS for process %d" % pid)


def display_size():
    width, height = harness.xdotool("getdisplaygeometry").split()
    return int(width), int(height)


def window_geometry(window):
    """(x, y, width, height) of the window on the screen."""
    info = subprocess.run(["xwininfo", "-id", str(window)],
                          capture_output=True, text=True, timeout=30).stdout
    values = {}
    for line in info.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return (int(values["Absolute upper-left X"]),
            int(values["Absolute upper-left Y"]),
            int(values["Width"]), int(values["Height"]))


def screenshot(window):
    """The window's picture as (width, height, bytes), three bytes a pixel,
    row by row from the top; the raw raster is kept for fast sampling."""
    data = subprocess.run(["import", "-window", str(window), "-depth", "8",
                           "ppm:-"], capture_output=True, check=True,
                          timeout=60).stdout
    fields = data.split(maxsplit=4)
    if fields[0] != b"P6" or fields[3] != b"255":
        fail("unexpected screenshot header %r" % data[:20])
    width, height = int(fields[1]), int(fields[2])
    raster = fields[4]
    if len(raster) != 3 * width * height:
        fail("screenshot raster cut short")
    return width, height, raster


def report(name, value):
    """One measured figure on standard output, for ctest's log."""
    print("FIGURE %s: %s" % (name, value), flush=True)


def parse_args(argv, **defaults):
    """--name value pairs after the viewer's path, with defaults; returns
    (binary, options)."""
    if len(argv) < 2:
        sys.exit("usage: %s path/to/ovezor [--option value ...]" % argv[0])
    binary = os.path.abspath(argv[1])
    options = dict(defaults)
    rest = argv[2:]
    while rest:
        name = rest.pop(0)
        if not name.startswith("--") or name[2:] not in defaults or not rest:
            sys.exit("unknown or incomplete option %r" % name)
        options[name[2:]] = type(defaults[name[2:]])(rest.pop(0))
    if not os.environ.get("DISPLAY"):
        sys.exit("needs an X display (run it through the test command)")
    return binary, options
