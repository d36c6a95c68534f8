"""The teapot orbit step, reproduced bit for bit in Python: every stored
value is rounded to single precision exactly where the viewer rounds it, and
the double-precision arithmetic and libm calls are the same ones."""

import math
import struct

_F32 = struct.Struct("<f")
_U32 = struct.Struct("<I")


def f32(x):
    """Rounds a double to the nearest single-precision value."""
    return _F32.unpack(_F32.pack(x))[0]


SPEED = f32(0.4)
STEP = SPEED * 0.5  # the azimuth increment, formed in double
F14 = f32(1.4)
START = [
    (2.0, 0.0, 0.0), (0.0, 0.0, 2.0), (-2.0, 0.0, 0.0), (0.0, 0.0, -2.0),
    (F14, 0.0, -F14), (-F14, 0.0, F14), (-F14, 0.0, -F14), (F14, 0.0, F14),
]


def orbit_step(x, z):
    """One orbit step from (x, z): returns the new position and travel."""
    radius = f32(math.sqrt(x * x + 0.0 + z * z))
    angle = f32(math.atan2(z, x))
    angle = f32(angle + STEP)
    nx = f32(math.cos(angle) * radius)
    nz = f32(math.sin(angle) * radius)
    # travel = position x up = (-z, 0, x), then normalised with a rounded
    # length and a rounded reciprocal.
    tx, tz = -nz, nx
    length = f32(math.sqrt(tx * tx + 0.0 + tz * tz))
    k = f32(1.0 / length)
    travel = (f32(tx * k), 0.0, f32(tz * k))
    y = f32((math.cos(angle * 3.0) + 1.0) * 0.5)
    return (nx, y, nz), travel


def horizontal_radius(p):
    return f32(math.sqrt(p[0] * p[0] + p[2] * p[2]))


def ulp(x):
    """The gap from the positive float x to the next float up."""
    bits = _U32.unpack(_F32.pack(x))[0]
    return _F32.unpack(_U32.pack(bits + 1))[0] - x


def radius_drift_ulps(start, steps):
    """Largest |horizontal radius - start radius| of one teapot over its
    first steps, in float ulps of the start radius, the radius taken in
    double from the stored x and z. Returns (drift, step where it was)."""
    r0 = math.hypot(start[0], start[2])
    unit = ulp(f32(r0))
    x, z = start[0], start[2]
    worst, worst_step = 0.0, 0
    for n in range(1, steps + 1):
        (x, _, z), _ = orbit_step(x, z)
        drift = abs(math.sqrt(x * x + z * z) - r0) / unit
        if drift > worst:
            worst, worst_step = drift, n
    return worst, worst_step


class Orbit:
    """Positions of one teapot after 0, 1, 2, ... steps, computed on demand
    and kept only as far as a caller still needs them."""

    def __init__(self, teapot=0):
        self.steps = 0
        self.position = START[teapot]
        self.travel = None

    def advance_to(self, steps):
        if steps < self.steps:
            raise ValueError("orbit cannot go back from %d to %d" % (self.steps, steps))
        while self.steps < steps:
            self.position, self.travel = orbit_step(self.position[0], self.position[2])
            self.steps += 1
        return self.position, self.travel
