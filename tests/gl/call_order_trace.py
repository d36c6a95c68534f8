#!/usr/bin/env python3
"""Records a real run of the viewer with apitrace and checks its GL calls.

The run: start-up, some frames in the observer view, "m" (ride-along view),
"d" and "f" (frustum shifted by one step), a window resize while in frustum
mode, "m" again (observer view), then Escape. The dump of the trace must show:

- start-up: the six render-state calls of init, then GLUT's first reshape
  (viewport, perspective 60 degrees, aspect 1), before the first frame;
- every frame, call by call: clear, depth test, push, camera, view-matrix
  read-back, culling off, flat shading, the first-teapot block, each teapot as
  push / material / transform / the same GLUT teapot body / pop, the tether
  lines to the positions the teapots were just drawn at, the floor, lighting
  back on, pop, swap;
- every teapot one orbit step (0.2 radian) further in every frame, across the
  view switches;
- between frames, only the projection installs of the keys and the resize;
- standard output: both matrix blocks once per traced frame; exit status 0.

Exits with 77 (reported as skipped) if apitrace is not installed.
"""
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
FRAME_STEP = 0.2
INITIAL_AZIMUTHS = [0, 90, 180, -90, -45, 135, -135, 45]  # degrees, teapots 0 to 7
RADII = [2, 2, 2, 2] + [float.fromhex("0x1.666666p+0") * math.sqrt(2)] * 4  # float 1.4
BLUE, GREEN, RED, YELLOW = [0, 0, 1, 1], [0, 1, 0, 1], [1, 0, 0, 1], [1, 1, 0, 1]
# (method, colour) of each teapot: "M" frame matrix, "H" heading rotation.
TEAPOTS = [("M", BLUE), ("H", GREEN), ("M", RED), ("M", YELLOW),
           ("M", GREEN), ("M", RED), ("M", YELLOW), ("M", RED)]
DRAW_CALLS = {"glDrawElements", "glDrawArrays", "glBegin", "glEvalMesh2", "glCallList"}
STATE_CALLS = {"glMaterialfv", "glMaterialf", "glColor3f", "glColor4f", "glLineWidth",
               "glEnable", "glDisable", "glShadeModel", "glMatrixMode", "glLoadIdentity"}
FLOAT_TOL = 2e-6


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# ---- reading the dump ----

CALL_LINE = re.compile(r"^(\d+) (\w+)\((.*)\)(?: = (.*?))?( // fake)?$")


def split_top(text):
    """Splits at commas that are not inside braces."""
    parts, depth, start = [], 0, 0
    for i, ch in enumerate(text):
        if ch == "{":
            depth += 1
        elif ch == "}":
            depth -= 1
        elif ch == "," and depth == 0:
            parts.append(text[start:i].strip())
            start = i + 1
    if text[start:].strip():
        parts.append(text[start:].strip())
    return parts


def value(text):
    if text.startswith("{"):
        return [value(v) for v in split_top(text[1:-1])]
    try:
        return float(text)
    except ValueError:
        return text


class Call:
    def __init__(self, number, name, args_text):
        self.number = number
        self.name = name
        self.args = {}
        for part in split_top(args_text):
            key, _, val = part.partition(" = ")
            self.args[key] = value(val)
        self.args_text = args_text

    def __repr__(self):
        return f"#{self.number} {self.name}({self.args_text})"


def read_calls(dump_text):
    calls = []
    for line in dump_text.splitlines():
        m = CALL_LINE.match(line)
        if not m:
            continue
        number, name, args, _result, fake = m.groups()
        if fake or (name.startswith("glX") and name != "glXSwapBuffers"):
            continue  # window-system bookkeeping, and state apitrace makes up
        calls.append(Call(int(number), name, args))
    return calls


# ---- matrices (column-major lists of 16) ----

def perspective(fovy, aspect, near=0.1, far=40.0):
    f = 1 / math.tan(math.radians(fovy) / 2)
    m = [0.0] * 16
    m[0], m[5] = f / aspect, f
    m[10], m[11] = -(far + near) / (far - near), -1.0
    m[14] = -2 * far * near / (far - near)
    return m


def multiply(a, b):
    return [sum(a[4 * k + r] * b[4 * c + k] for k in range(4)) for c in range(4) for r in range(4)]


def look_at(eye, centre, up):
    f = [c - e for c, e in zip(centre, eye)]
    n = math.sqrt(sum(x * x for x in f))
    f = [x / n for x in f]
    s = [f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]]
    n = math.sqrt(sum(x * x for x in s))
    s = [x / n for x in s]
    u = [s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]]
    rows = [s, u, [-x for x in f]]
    m = [0.0] * 16
    for r in range(3):
        for c in range(3):
            m[4 * c + r] = rows[r][c]
        m[12 + r] = -sum(rows[r][c] * eye[c] for c in range(3))
    m[15] = 1.0
    return m


def translation(t):
    return [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, t[0], t[1], t[2], 1]


def rotation_y(degrees):
    a = math.radians(degrees)
    return [math.cos(a), 0, -math.sin(a), 0, 0, 1, 0, 0, math.sin(a), 0, math.cos(a), 0, 0, 0, 0, 1]


def close(a, b, tol=FLOAT_TOL):
    if isinstance(a, list):
        return len(a) == len(b) and all(close(x, y, tol) for x, y in zip(a, b))
    return abs(a - b) <= tol * max(1.0, abs(b))


def product_of(calls):
    """The matrix that a run of matrix calls multiplies onto the current one."""
    m = translation([0, 0, 0])
    for c in calls:
        if c.name in ("glMultMatrixf", "glMultMatrixd"):
            m = multiply(m, c.args["m"])
        elif c.name in ("glTranslatef", "glTranslated"):
            m = multiply(m, translation([c.args["x"], c.args["y"], c.args["z"]]))
        else:
            raise Failure(f"{c} where only matrix products belong")
    return m


# ---- walking through the calls ----

class Cursor:
    def __init__(self, calls):
        self.calls = calls
        self.i = 0

    def peek(self):
        return self.calls[self.i] if self.i < len(self.calls) else None

    def take(self, name, **args):
        c = self.peek()
        check(c is not None, f"trace ends where {name} was expected")
        check(c.name == name, f"expected {name}{args or ''}, found {c}")
        for key, want in args.items():
            got = c.args.get(key)
            ok = close(got, want) if isinstance(want, (int, float, list)) else got == want
            check(ok, f"{c}: {key} should be {want}")
        self.i += 1
        return c


def take_projection_install(cur):
    """glMatrixMode(PROJECTION), glLoadIdentity, the projection, back to an
    identity model-view. Returns the projection matrix as a description."""
    cur.take("glMatrixMode", mode="GL_PROJECTION")
    cur.take("glLoadIdentity")
    c = cur.peek()
    if c.name == "glFrustum":
        cur.take("glFrustum")
        result = ("frustum", [c.args[k] for k in ("left", "right", "bottom", "top", "zNear", "zFar")])
    else:
        products = []
        while cur.peek().name in ("glMultMatrixd", "glMultMatrixf"):
            products.append(cur.take(cur.peek().name))
        result = ("matrix", product_of(products))
    cur.take("glMatrixMode", mode="GL_MODELVIEW")
    cur.take("glLoadIdentity")
    return result


def take_reshape(cur):
    vp = cur.take("glViewport")
    size = (int(vp.args["width"]), int(vp.args["height"]))
    check(vp.args["x"] == 0 and vp.args["y"] == 0, f"{vp}: the viewport starts at 0, 0")
    return size, take_projection_install(cur)


def take_teapot(cur, method, colour, body_names):
    """One teapot: push, material, transform, GLUT's teapot, pop. Returns the
    position it was drawn at and, for the heading method, the angle."""
    cur.take("glPushMatrix")
    cur.take("glMaterialfv", face="GL_FRONT_AND_BACK", pname="GL_DIFFUSE", params=colour)
    if method == "M":
        m = cur.take("glMultMatrixf").args["m"]
        travel, up, side, p = m[0:3], m[4:7], m[8:11], m[12:15]
        check(close([m[3], m[7], m[11], m[15]], [0, 0, 0, 1]), f"bottom row of {m}")
        check(close(up, [0, 1, 0]), f"model +y stays vertical: {m}")
        check(travel[1] == 0 and close(math.hypot(travel[0], travel[2]), 1), f"travel {travel}")
        check(close(side, [-travel[2], 0, travel[0]]), f"side = travel x up in {m}")
        angle = None
    else:
        t = cur.take("glTranslatef")
        p = [t.args["x"], t.args["y"], t.args["z"]]
        r = cur.take("glRotatef", x=0, y=1, z=0)
        angle = r.args["angle"]
    body, depth = [], 0
    while True:
        c = cur.peek()
        check(c is not None, "trace ends inside a teapot")
        if c.name == "glPopMatrix" and depth == 0:
            break
        depth += {"glPushMatrix": 1, "glPopMatrix": -1}.get(c.name, 0)
        check(c.name not in STATE_CALLS, f"{c} inside the teapot model")
        body.append(c.name)
        cur.i += 1
    cur.take("glPopMatrix")
    check(any(name in DRAW_CALLS for name in body), "a teapot with no drawing call")
    if body_names:
        check(body == body_names, "the teapot model is not drawn the same way each time")
    else:
        body_names.extend(body)
    return p, angle


def take_frame(cur, body_names):
    """One frame from glClear to the swap. Returns its view, the positions
    the teapots (and lines) ended at, the first-teapot matrix, and the
    heading angles."""
    clear = cur.take("glClear")
    bits = set(b.strip() for b in clear.args["mask"].split("|"))
    check(bits == {"GL_COLOR_BUFFER_BIT", "GL_DEPTH_BUFFER_BIT", "GL_STENCIL_BUFFER_BIT"},
          f"{clear} clears colour, depth and stencil")
    cur.take("glEnable", cap="GL_DEPTH_TEST")
    cur.take("glPushMatrix")

    camera_calls = []
    while cur.peek() is not None and cur.peek().name != "glGetFloatv":
        camera_calls.append(cur.calls[cur.i])
        cur.i += 1
    view = cur.take("glGetFloatv", pname="GL_MODELVIEW_MATRIX").args["params"]
    ride = (len(camera_calls) == 2 and all(c.name == "glMultMatrixf" for c in camera_calls)
            and close(camera_calls[0].args["m"][12:15], [0, 0, 0]))
    positions = [None] * 8
    if ride:
        rot, trans = camera_calls[0].args["m"], camera_calls[1].args["m"]
        travel = [-rot[2], -rot[6], -rot[10]]
        check(close([rot[1], rot[5], rot[9]], [0, 1, 0]), f"second row up: {rot}")
        check(close([rot[0], rot[4], rot[8]], [-travel[2], 0, travel[0]]), f"first row side: {rot}")
        check(close([rot[3], rot[7], rot[11], rot[15]], [0, 0, 0, 1]), f"bottom row: {rot}")
        check(close(trans[0:12] + [trans[15]], translation([0, 0, 0])[0:12] + [1]),
              f"pure translation: {trans}")
        positions[0] = [-x for x in trans[12:15]]
        check(close(view, multiply(rot, trans)), f"view read back {view}")
    else:
        check(close(product_of(camera_calls), look_at([0, 1, 4], [0, 0, 0], [0, 1, 0])),
              f"observer camera {camera_calls}")
        check(close(view, look_at([0, 1, 4], [0, 0, 0], [0, 1, 0])), f"view read back {view}")

    cur.take("glDisable", cap="GL_CULL_FACE")
    cur.take("glShadeModel", mode="GL_FLAT")
    cur.take("glPushMatrix")
    cur.take("glLoadIdentity")
    cur.take("glMaterialfv", face="GL_FRONT_AND_BACK", pname="GL_DIFFUSE", params=BLUE)
    first = cur.take("glMultMatrixf").args["m"]
    cur.take("glGetFloatv", pname="GL_MODELVIEW_MATRIX", params=first)
    cur.take("glPopMatrix")
    if ride:
        t, p = [-rot[2], -rot[6], -rot[10]], positions[0]
        check(close(first, t + [0, 0, 1, 0, 0] + [-t[2], 0, t[0], 0] + p + [1]),
              f"first-teapot matrix {first} in the ride-along view")
    else:
        check(close(first[0:12] + [first[15]], translation([0, 0, 0])[0:12] + [1]),
              f"first-teapot matrix {first} in the observer view is a translation")

    angles = {}
    for i, (method, colour) in enumerate(TEAPOTS):
        if i == 0 and ride:
            continue
        positions[i], angle = take_teapot(cur, method, colour, body_names)
        if angle is not None:
            angles[i] = angle

    cur.take("glDisable", cap="GL_LIGHTING")
    cur.take("glLineWidth", width=3)
    for i in range(8):
        cur.take("glColor3f", red=0, green=0.5, blue=0.8)
        cur.take("glBegin", mode="GL_LINES")
        cur.take("glVertex3fv", v=[0, 0, 0])
        end = cur.take("glVertex3fv").args["v"]
        check(end == positions[i], f"line {i} ends at {end}, teapot {i} drawn at {positions[i]}")
        cur.take("glEnd")
    cur.take("glColor3f", red=0.5, green=0, blue=0)
    cur.take("glBegin", mode="GL_POLYGON")
    for x, z in ((2.5, 2.5), (-2.5, 2.5), (-2.5, -2.5), (2.5, -2.5)):
        cur.take("glVertex3f", x=x, y=-0.25, z=z)
    cur.take("glEnd")
    cur.take("glEnable", cap="GL_LIGHTING")
    cur.take("glPopMatrix")
    if cur.peek() is not None and cur.peek().name == "glFlush":
        cur.take("glFlush")  # glutSwapBuffers flushes before it swaps
    cur.take("glXSwapBuffers")
    return {"ride": ride, "positions": positions, "first": first, "angles": angles}


# ---- checks across the run ----

def azimuth(p):
    return math.atan2(p[2], p[0])


def check_orbits(frames):
    for i in range(8):
        expected = math.radians(INITIAL_AZIMUTHS[i])
        for n, frame in enumerate(frames):
            expected += FRAME_STEP
            p = frame["positions"][i]
            turn = (azimuth(p) - expected + math.pi) % (2 * math.pi) - math.pi
            check(abs(turn) < 2e-5, f"frame {n + 1}: teapot {i} at {p} is off its step by {turn}")
            check(abs(math.hypot(p[0], p[2]) - RADII[i]) < 2e-5, f"teapot {i} radius at {p}")
            bob = (math.cos(3 * azimuth(p)) + 1) / 2
            check(abs(p[1] - bob) < 2e-5, f"frame {n + 1}: teapot {i} height {p[1]}, not {bob}")


def check_first_teapot_blocks(frames):
    previous = [2.0, 0.0, 0.0]
    for n, frame in enumerate(frames):
        if not frame["ride"]:
            check(frame["first"][12:15] == previous,
                  f"frame {n + 1}: observer first-teapot block shows {frame['first'][12:15]}, "
                  f"teapot 0 was last at {previous}")
        previous = frame["positions"][0]


def check_headings(frames):
    for frame in frames:
        for i, angle in frame["angles"].items():
            p = frame["positions"][i]
            h = math.atan2(-p[2], p[0])  # travel = (-z, 0, x) / r
            check(abs(angle - (h * 57 - 90)) < 1e-3, f"teapot {i} turned by {angle}, h = {h}")


def check_run(calls, stdout_text):
    cur = Cursor(calls)
    cur.take("glEnable", cap="GL_CULL_FACE")
    cur.take("glShadeModel", mode="GL_FLAT")
    cur.take("glEnable", cap="GL_LIGHT0")
    cur.take("glEnable", cap="GL_LIGHTING")
    cur.take("glClearColor", red=0.5, green=0.5, blue=0.5, alpha=1)
    cur.take("glEnable", cap="GL_NORMALIZE")
    size, projection = take_reshape(cur)
    check(size == (400, 400), f"first reshape to {size}")
    check(projection[0] == "matrix" and close(projection[1], perspective(60, 1)),
          f"first projection {projection}")

    frames, between, body_names = [], [], []
    while cur.peek() is not None:
        c = cur.peek()
        if c.name == "glClear":
            frames.append(take_frame(cur, body_names))
        elif c.name == "glViewport":
            between.append((len(frames), "reshape") + take_reshape(cur))
        elif c.name == "glMatrixMode":
            between.append((len(frames), "key", None, take_projection_install(cur)))
        else:
            raise Failure(f"{c} between frames")
    check(len(frames) >= 8, f"only {len(frames)} frames traced")

    kinds = "".join("r" if f["ride"] else "o" for f in frames)
    collapsed = re.sub(r"(.)\1+", r"\1", kinds)
    check(collapsed == "oro", f"views frame by frame: {kinds}")

    posf = float.fromhex("0x1.99999ap-4")  # the float nearest 0.1, widened
    check(len(between) == 3, f"projection installs between frames: {between}")
    (_, what_d, _, d_install), (_, what_f, _, f_install), (_, what_r, size_r, r_install) = between
    check(what_d == "key" and d_install[0] == "matrix" and close(d_install[1], perspective(60, 1)),
          f"d in perspective mode: {d_install}")
    check(what_f == "key" and f_install[0] == "frustum", f"f: {f_install}")
    check(all(abs(a - b) <= 1e-15 for a, b in
              zip(f_install[1], [posf - 0.7, posf + 0.7, -0.7, 0.7, 1.0, 40.0])),
          f"frustum planes {f_install[1]} (left and right from the float posf)")
    check(what_r == "reshape" and size_r == (600, 300), f"resize: {size_r}")
    check(r_install[0] == "matrix" and close(r_install[1], perspective(60, 2)),
          f"a resize in frustum mode installs perspective: {r_install}")
    for frame_index, *_ in between:
        check(0 < frame_index < len(frames) and frames[frame_index - 1]["ride"],
              "the keys and the resize came during the ride-along frames")

    check_orbits(frames)
    check_first_teapot_blocks(frames)
    check_headings(frames)

    check(stdout_text.startswith("\nMatrizVision \n"), "output opens with the view title")
    check(stdout_text.count("\nMatrizVision \n") == len(frames),
          f"{stdout_text.count('MatrizVision')} view blocks for {len(frames)} frames")
    check(stdout_text.count("\nMatriz Primera tetera \n") == len(frames),
          "one first-teapot block per frame")
    return frames


# ---- running the viewer ----

def xdotool(*args, timeout=20):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True,
                          timeout=timeout).stdout


def wait_for_more_output(path, start_size, timeout=15):
    """Waits until the viewer has written two more buffers of printout, that is
    at least a handful of frames since start_size, so each key lands between
    frames of the view before it."""
    deadline = time.monotonic() + timeout
    while os.path.getsize(path) < start_size + 8192:
        check(time.monotonic() < deadline, "the viewer stopped drawing frames")
        time.sleep(0.02)


def record(viewer, workdir):
    trace = os.path.join(workdir, "ovezor.trace")
    out_path = os.path.join(workdir, "stdout.txt")
    with open(out_path, "wb") as out, open(os.path.join(workdir, "stderr.txt"), "wb") as err:
        proc = subprocess.Popen(["apitrace", "trace", "-o", trace, viewer], stdout=out, stderr=err)
        try:
            window = xdotool("search", "--sync", "--onlyvisible", "--name",
                             "^Rodured Ovezor$").split()[0]
            xdotool("windowfocus", "--sync", window)
            for action in (["key", "m"], ["key", "d"], ["key", "f"],
                           ["windowsize", window, "600", "300"], ["key", "m"], ["key", "Escape"]):
                wait_for_more_output(out_path, os.path.getsize(out_path))
                xdotool(*action)
            status = proc.wait(timeout=30)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
    check(status == 0, f"exit status {status} after Escape")
    dump = subprocess.run(["apitrace", "dump", "--color=never", trace], check=True,
                          capture_output=True, text=True, timeout=120).stdout
    with open(out_path, encoding="ascii") as f:
        return dump, f.read()


def main():
    viewer = sys.argv[1]
    for tool in ("apitrace", "xdotool"):
        if shutil.which(tool) is None:
            print(f"SKIPPED: {tool} is not installed (Debian package {tool}); "
                  "the GL call order was not checked")
            return SKIP
    if not os.environ.get("DISPLAY"):
        print("FAILED: no DISPLAY; run through ./scripts/test, which starts one")
        return 1
    with tempfile.TemporaryDirectory(prefix="ovezor-trace-") as workdir:
        try:
            dump, stdout_text = record(viewer, workdir)
            frames = check_run(read_calls(dump), stdout_text)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    rides = sum(f["ride"] for f in frames)
    print(f"ok: {len(frames)} frames traced ({rides} riding along), call order as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
