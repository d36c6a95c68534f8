"""Where the floor must appear in the window, from the observer camera and
the projection, and how well a screenshot agrees with it. The floor is the
one large flat-coloured shape of the scene; if the viewport did not follow
the window, it would sit in the wrong place and at the wrong size."""

import math

EYE = (0.0, 1.0, 4.0)
_R17 = math.sqrt(17.0)
# Camera axes of the look-at from (0, 1, 4) to the origin with y up.
SIDE = (1.0, 0.0, 0.0)
UP = (0.0, 4.0 / _R17, -1.0 / _R17)
FORWARD = (0.0, -1.0 / _R17, -4.0 / _R17)
FLOOR = [(2.5, -0.25, 2.5), (-2.5, -0.25, 2.5), (-2.5, -0.25, -2.5),
         (2.5, -0.25, -2.5)]
FRUSTUM_HALF_EXTENT = 0.7  # at the near plane, which is at distance 1

# A pixel this close to the floor's outline is not judged either way.
EDGE_MARGIN = 1.5
MAX_SAMPLES_PER_SIDE = 90


def _dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def project(point, width, height, mode, fov=60.0):
    """Window position (x right, y down, in pixels) of a world point."""
    rel = tuple(p - e for p, e in zip(point, EYE))
    xe, ye, depth = _dot(SIDE, rel), _dot(UP, rel), _dot(FORWARD, rel)
    if mode == "perspective":
        f = 1.0 / math.tan(math.radians(fov) / 2.0)
        nx = f * height / width * xe / depth
        ny = f * ye / depth
    else:  # frustum mode with no shift
        nx = xe / (FRUSTUM_HALF_EXTENT * depth)
        ny = ye / (FRUSTUM_HALF_EXTENT * depth)
    return (nx + 1.0) * width / 2.0, (1.0 - ny) * height / 2.0


def floor_outline(width, height, mode):
    return [project(c, width, height, mode) for c in FLOOR]


def _edge_distances(outline, x, y):
    """Signed distances of (x, y) to the outline's edges, positive inside."""
    area = 0.0
    for (x0, y0), (x1, y1) in zip(outline, outline[1:] + outline[:1]):
        area += x0 * y1 - x1 * y0
    sign = 1.0 if area > 0 else -1.0
    out = []
    for (x0, y0), (x1, y1) in zip(outline, outline[1:] + outline[:1]):
        ex, ey = x1 - x0, y1 - y0
        cross = ex * (y - y0) - ey * (x - x0)
        out.append(sign * cross / math.hypot(ex, ey))
    return out


def is_floor_colour(raster, offset):
    r, g, b = raster[offset], raster[offset + 1], raster[offset + 2]
    return r in (127, 128) and g == 0 and b == 0


def edge_agreement(width, height, raster, outline, offset):
    """Samples both sides of each edge of the floor's outline (near, left,
    far, right), offset pixels away from it: returns per edge (share of
    floor colour just inside, share just outside, samples in the window). A floor drawn larger,
    smaller or shifted by more than the offset moves some edge across its
    samples."""
    result = []
    for (x0, y0), (x1, y1) in zip(outline, outline[1:] + outline[:1]):
        length = math.hypot(x1 - x0, y1 - y0)
        nx, ny = -(y1 - y0) / length, (x1 - x0) / length
        mid = ((x0 + x1) / 2 + nx, (y0 + y1) / 2 + ny)
        if min(_edge_distances(outline, *mid)) < 0:
            nx, ny = -nx, -ny  # the normal now points into the floor
        inside = outside = floor_in = floor_out = 0
        for k in range(1, 40):
            t = k / 40
            qx, qy = x0 + t * (x1 - x0), y0 + t * (y1 - y0)
            for sign in (1, -1):
                px, py = qx + sign * offset * nx, qy + sign * offset * ny
                if not (0 <= px < width and 0 <= py < height):
                    continue
                d = min(_edge_distances(outline, px, py))
                if sign == 1 and d < offset - 0.01:
                    continue  # near another edge of a thin outline
                floor = is_floor_colour(raster,
                                        3 * (int(py) * width + int(px)))
                if sign == 1:
                    inside += 1
                    floor_in += floor
                else:
                    outside += 1
                    floor_out += floor
        result.append((floor_in / max(inside, 1), floor_out / max(outside, 1),
                       min(inside, outside)))
    return result


def agreement(width, height, raster, outline):
    """Samples the picture on a grid: returns (share of floor colour where the
    floor must be, share of floor colour where it must not be, samples
    inside, samples outside). Teapots and tether lines stand in front of
    parts of the floor, so the first share is high but not 1."""
    step_x = max(1, width // MAX_SAMPLES_PER_SIDE)
    step_y = max(1, height // MAX_SAMPLES_PER_SIDE)
    inside = outside = floor_in = floor_out = 0
    for row in range(step_y // 2, height, step_y):
        for col in range(step_x // 2, width, step_x):
            d = min(_edge_distances(outline, col + 0.5, row + 0.5))
            if -EDGE_MARGIN < d < EDGE_MARGIN:
                continue
            floor = is_floor_colour(raster, 3 * (row * width + col))
            if d >= EDGE_MARGIN:
                inside += 1
                floor_in += floor
            else:
                outside += 1
                floor_out += floor
    return (floor_in / inside if inside else None,
            floor_out / outside if outside else None, inside, outside)
