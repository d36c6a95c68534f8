"""Drives the built viewer as a user meets it: a real window on the test
display, keys through xdotool, frames read back from standard output."""

import os
import re
import subprocess
import threading
import time

TITLE = "Rodured Ovezor"
VIEW_TITLE = "\nMatrizVision \n"
TEAPOT_TITLE = "\nMatriz Primera tetera \n"
_ROW = r"\n(?:-?\d+\.\d{6}\t){4}"
_BLOCK = r"%s(" + _ROW * 4 + r")"
FRAME_RE = re.compile(
    (_BLOCK % re.escape(VIEW_TITLE)) + (_BLOCK % re.escape(TEAPOT_TITLE)))


def xdotool(*args, check=True):
    out = subprocess.run(["xdotool", *args], capture_output=True, text=True,
                         timeout=30)
    if check and out.returncode != 0:
        raise RuntimeError("xdotool %s failed: %s" % (args, out.stderr))
    return out.stdout


def parse_block(text):
    rows = text.strip("\n").split("\n")
    return [[float(v) for v in row.split("\t") if v] for row in rows]


def parse_frames(text):
    """Splits printout text into frames of (view, teapot) 4x4 matrices.

    Raises ValueError where the text is not a run of well-formed frames; a
    frame cut short at the very end (a killed process) is dropped."""
    frames = []
    pos = 0
    while pos < len(text):
        m = FRAME_RE.match(text, pos)
        if not m:
            rest = text[pos:]
            complete = FRAME_RE.pattern  # for the message only
            if _is_prefix_of_frame(rest):
                break
            raise ValueError("malformed printout at byte %d: %r (expected %s)"
                             % (pos, rest[:120], complete[:40]))
        frames.append((parse_block(m.group(1)), parse_block(m.group(2))))
        pos = m.end()
    return frames


def _is_prefix_of_frame(rest):
    return len(rest) < 700 and rest.startswith("\n")


def parse_complete_frames(text):
    """Like parse_frames, but the text must also end exactly at the end of a
    frame: a process that exited cleanly leaves no frame cut short."""
    frames = parse_frames(text)
    pos = 0
    for _ in frames:
        pos = FRAME_RE.match(text, pos).end()
    if pos != len(text):
        raise ValueError("printout ends inside a frame: %r" % text[pos:][-120:])
    return frames


def read_ppm(data):
    """Parses a binary PPM (P6, maxval 255): returns (width, height, pixels),
    pixels being a list of (r, g, b) tuples row by row."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    magic, width, height, maxval = fields[0], *map(int, fields[1:])
    if magic != b"P6" or maxval != 255:
        raise ValueError("not an 8-bit P6 image: %r %d" % (magic, maxval))
    raster = data[pos + 1:pos + 1 + 3 * width * height]
    if len(raster) != 3 * width * height:
        raise ValueError("PPM raster cut short")
    pixels = [tuple(raster[i:i + 3]) for i in range(0, len(raster), 3)]
    return width, height, pixels


class Viewer:
    """One running ovezor. Its standard output is collected in a thread unless
    stdout is given (a file object or descriptor)."""

    def __init__(self, binary, args=(), stdout=None, env=None):
        self.binary = binary
        self._chunks = []
        self._lock = threading.Lock()
        capture = stdout is None
        self.proc = subprocess.Popen(
            [binary, *args], stdout=subprocess.PIPE if capture else stdout,
            stderr=subprocess.PIPE, env=env)
        self._reader = None
        if capture:
            self._reader = threading.Thread(target=self._read, daemon=True)
            self._reader.start()
        self.window = None

    def _read(self):
        for chunk in iter(lambda: self.proc.stdout.read1(65536), b""):
            with self._lock:
                self._chunks.append(chunk)

    def output(self):
        with self._lock:
            return b"".join(self._chunks).decode("ascii")

    def wait_window(self, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("viewer exited early: %s"
                                   % self.proc.stderr.read().decode())
            found = xdotool("search", "--onlyvisible", "--name",
                            "^%s$" % TITLE, check=False).split()
            if found:
                self.window = found[0]
                return self.window
            time.sleep(0.05)
        raise RuntimeError("no viewer window within %ss" % timeout)

    def keys(self, *names, delay_ms=0):
        """Sends key presses (xdotool key names: 'm', 'Escape', 'Left')."""
        xdotool("windowfocus", "--sync", self.window)
        xdotool("key", "--delay", str(delay_ms), *names)

    def frame_count(self):
        return self.output().count(VIEW_TITLE)

    def wait_frames(self, count, timeout=30):
        """Waits until at least count more frames than now have been printed."""
        start = self.frame_count()
        deadline = time.time() + timeout
        while self.frame_count() < start + count:
            if time.time() > deadline:
                raise RuntimeError("no %d frames in %ss" % (count, timeout))
            time.sleep(0.02)

    def geometry(self):
        info = subprocess.run(["xwininfo", "-id", self.window],
                              capture_output=True, text=True).stdout
        width = int(re.search(r"Width: (\d+)", info).group(1))
        height = int(re.search(r"Height: (\d+)", info).group(1))
        return width, height

    def title(self):
        return xdotool("getwindowname", self.window).rstrip("\n")

    def screenshot(self, path=None):
        """Grabs the window as it is on the screen (the part of it that lies
        on the screen): returns read_ppm's (width, height, pixels) and, if
        path is given, also writes the picture there (any format that
        ImageMagick knows by the file's extension)."""
        data = subprocess.run(["import", "-window", self.window, "-depth", "8",
                               "ppm:-"], capture_output=True, check=True,
                              timeout=30).stdout
        if path:
            subprocess.run(["convert", "ppm:-", path], input=data,
                           check=True, timeout=30)
        return read_ppm(data)

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.proc.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = os.sysconf("SC_CLK_TCK")
        return (int(fields[11]) + int(fields[12])) / ticks

    def quit(self, timeout=20):
        """Presses Escape and returns the exit status."""
        self.keys("Escape")
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=20):
        try:
            code = self.proc.wait(timeout)
        finally:
            if self._reader:
                self._reader.join(5)
        return code

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def close(self):
        """Kills the viewer if it still runs and closes the pipes to it."""
        self.kill()
        if self._reader:
            self._reader.join(5)
        for pipe in (self.proc.stdout, self.proc.stderr):
            if pipe:
                pipe.close()
