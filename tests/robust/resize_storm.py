"""Resize storm: a seeded run of window sizes from 1 x 1 to the whole
display, first in perspective mode, then with frustum mode set. After every
resize the window has the size asked for, frames keep coming, and, where the
window is large enough to judge, the picture shows that the viewport
follows the window: the floor lies exactly where the projection for the
new size puts it. A resize always installs the perspective projection, also
in frustum mode; the next frustum key then brings the frustum back, still
over the whole window.

    resize_storm.py path/to/ovezor [--resizes N] [--seed S]"""

import math
import random
import sys
import time

import floor_picture
import robust_support as rs

# Pictures smaller than this are too coarse to judge; the viewer must still
# live through them and draw.
SMALLEST_JUDGED = 64
# Over the whole picture: where the floor must be, at least this share of
# the samples shows its colour (teapots and tether lines cover the rest);
# where it must not be, hardly any does.
FLOOR_INSIDE_AT_LEAST = 0.6
FLOOR_OUTSIDE_AT_MOST = 0.005
# Along the floor's edges, a few pixels to either side: nothing of the floor
# beyond any edge, and the near edge, which nothing stands in front of,
# fully there. (Small pictures can have the far edge wholly hidden behind
# teapots, so the other edges are not required to show.)
EDGE_OUTSIDE_AT_MOST = 0.05
NEAR_EDGE_INSIDE_AT_LEAST = 0.9


def sizes(rng, count, largest):
    """The corners of the range first, then random sizes; no size repeats
    the one before it."""
    max_w, max_h = largest
    out = [(1, 1), (max_w, max_h), (1, max_h), (max_w, 1), (2, 2)]
    while len(out) < count:
        w, h = (_one_side(rng, largest) for largest in (max_w, max_h))
        if (w, h) != out[-1]:
            out.append((w, h))
    return out[:count]


def _one_side(rng, largest):
    """Half the time spread evenly on a log scale from 1, so tiny windows are
    frequent; otherwise evenly over the sizes large enough to judge."""
    if rng.random() < 0.5:
        return int(round(math.exp(rng.uniform(0, math.log(largest)))))
    return rng.randint(SMALLEST_JUDGED, largest)


class Storm:

    def __init__(self, viewer):
        self.viewer = viewer
        self.judged = 0
        self.worst_inside = 1.0
        self.worst_outside = 0.0

    def resize(self, width, height):
        rs.harness.xdotool("windowsize", "--sync", self.viewer.window,
                           str(width), str(height))
        got = rs.window_geometry(self.viewer.window)
        if got != (0, 0, width, height):
            rs.fail("asked for %dx%d at the corner, window is %s"
                    % (width, height, got))
        # The frame in progress may predate the resize; the ones after it
        # cannot.
        self.viewer.wait_frames(3)

    def judge(self, width, height, mode, what):
        if min(width, height) < SMALLEST_JUDGED:
            return
        w, h, raster = rs.screenshot(self.viewer.window)
        if (w, h) != (width, height):
            rs.fail("screenshot is %dx%d, window %dx%d" % (w, h, width,
                                                           height))
        outline = floor_picture.floor_outline(width, height, mode)
        inside, outside, n_in, n_out = floor_picture.agreement(
            width, height, raster, outline)
        if inside is not None and n_in >= 50:
            self.worst_inside = min(self.worst_inside, inside)
            if inside < FLOOR_INSIDE_AT_LEAST:
                rs.fail("%s, %dx%d: only %.0f%% of the floor's place shows "
                        "the floor" % (what, width, height, 100 * inside))
        if outside is not None and n_out >= 50:
            self.worst_outside = max(self.worst_outside, outside)
            if outside > FLOOR_OUTSIDE_AT_MOST:
                rs.fail("%s, %dx%d: floor colour on %.1f%% of the picture "
                        "outside the floor's place"
                        % (what, width, height, 100 * outside))
        self.judge_edges(width, height, raster, outline, what)
        self.judged += 1

    def judge_edges(self, width, height, raster, outline, what):
        offset = max(3.0, 0.02 * height)
        edges = floor_picture.edge_agreement(width, height, raster, outline,
                                             offset)
        where = "%s, %dx%d" % (what, width, height)
        for n, (inside, outside, samples) in enumerate(edges):
            if samples >= 3 and outside > EDGE_OUTSIDE_AT_MOST:
                rs.fail("%s: floor beyond edge %d of its place" % (where, n))
        near = edges[0] if edges and edges[0][2] >= 3 else None
        if near and near[0] < NEAR_EDGE_INSIDE_AT_LEAST:
            rs.fail("%s: the floor's near edge is not where it must be"
                    % where)


def main():
    binary, opt = rs.parse_args(sys.argv, resizes=40, seed=1)
    largest = rs.display_size()
    plan = sizes(random.Random(opt["seed"]), opt["resizes"], largest)
    print("%d resizes up to %dx%d, seed %d" % (len(plan), *largest,
                                                 opt["seed"]), flush=True)
    viewer = rs.RunningViewer(binary, ["-geometry", rs.geometry(200, 200)],
                              tty_output=True)
    storm = Storm(viewer)
    began = time.time()
    try:
        viewer.start()
        half = len(plan) // 2
        for n, (w, h) in enumerate(plan):
            if n == half:
                viewer.keys(["f"])  # frustum mode for the second half
            storm.resize(w, h)
            storm.judge(w, h, "perspective", "resize %d" % n)
            if n >= half:
                # "d" then "c" re-install the frustum with no net shift.
                viewer.keys(["d", "c"])
                viewer.wait_frames(3)
                storm.judge(w, h, "frustum", "frustum key after resize %d" % n)
        checker = viewer.quit()
    except AssertionError as e:
        raise AssertionError("%s [seed %d, %d resizes]"
                             % (e, opt["seed"], opt["resizes"])) from None
    finally:
        viewer.close()
    rs.report("resizes", "%d in %.1f s" % (len(plan), time.time() - began))
    rs.report("pictures judged", storm.judged)
    rs.report("least floor share inside its place", "%.3f" % storm.worst_inside)
    rs.report("most floor share outside its place", "%.4f" % storm.worst_outside)
    rs.report("frames checked", checker.frames)
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
