"""Key storm: thousands of key events in a seeded random order, at full
speed: every bound key, their upper-case forms, the arrows, function and
page keys, digits and punctuation. The viewer must keep drawing, every frame
it prints must be well formed and exactly what the orbit and the camera
make it, every "m" must be honoured (the view at the end has the parity of
the "m" presses), and Escape must then end it with status 0.

    key_storm.py path/to/ovezor [--keys N] [--seed S] [--batch B]

A failure names the seed; the same seed and count replay the same storm."""

import random
import sys
import time

import robust_support as rs


def main():
    binary, opt = rs.parse_args(sys.argv, keys=3000, seed=1, batch=1000)
    sequence = rs.key_sequence(random.Random(opt["seed"]), opt["keys"])
    presses_of_m = sequence.count("m")
    print("storm of %d keys, seed %d, %d of them 'm'"
          % (len(sequence), opt["seed"], presses_of_m), flush=True)

    viewer = rs.RunningViewer(binary, ["-geometry", rs.geometry(200, 200)])
    try:
        viewer.start()
        began = time.time()
        for n in range(0, len(sequence), opt["batch"]):
            viewer.keys(sequence[n:n + opt["batch"]])
            viewer.alive()
            # Frames still come between batches: no hang in mid-storm.
            viewer.wait_frames(2)
        sent = time.time() - began
        # Every event has been handled once frames follow the last one.
        viewer.wait_frames(20)
        ride_along = presses_of_m % 2 == 1
        view = viewer.checker.current_view()
        expected = "ride-along" if ride_along else "observer"
        if view != expected:
            rs.fail("after %d presses of 'm' the view is %s, not %s (seed %d)"
                    % (presses_of_m, view, expected, opt["seed"]))
        switches = len(viewer.checker.views) - 1
        if switches > presses_of_m:
            rs.fail("%d view switches from %d presses of 'm'"
                    % (switches, presses_of_m))
        checker = viewer.quit()
    except AssertionError as e:
        raise AssertionError("%s [seed %d, %d keys]"
                             % (e, opt["seed"], opt["keys"])) from None
    finally:
        viewer.close()

    rs.report("keys sent", "%d in %.2f s" % (len(sequence), sent))
    rs.report("frames checked", checker.frames)
    rs.report("view switches seen", switches)
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
