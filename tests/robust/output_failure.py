"""Failing standard output: a pipe whose reader is gone from the start, a
pipe whose reader leaves mid-run, a terminal that goes away, /dev/full,
standard output closed, and all three standard descriptors closed. In every
case the viewer keeps drawing (its picture keeps changing and it keeps
using CPU), writes nothing on standard error, and Escape ends it with
status 0.

    output_failure.py path/to/ovezor [--watch SECONDS]"""

import os
import pty
import sys
import time
import tty

import robust_support as rs

GEOMETRY = ["-geometry", rs.geometry(120, 120)]


def keeps_drawing(viewer, watch):
    """Three pictures watch/2 apart all differ (the teapots move every
    frame and never come back to the same place) and CPU time is spent."""
    cpu = viewer.cpu_seconds()
    shots = []
    for n in range(3):
        if n:
            time.sleep(watch / 2)
        if viewer.proc.poll() is not None:
            rs.fail("the viewer ended (status %s)" % viewer.proc.returncode)
        shots.append(rs.screenshot(viewer.window)[2])
    if len(set(shots)) != 3:
        rs.fail("the picture stood still")
    if viewer.cpu_seconds() - cpu < 0.05:
        rs.fail("no CPU time spent drawing")


def ends_cleanly(viewer, stderr_open=True):
    rs.harness.xdotool("windowfocus", "--sync", viewer.window)
    rs.harness.xdotool("key", "Escape")
    status = viewer.wait_exit(30)
    if status != 0:
        rs.fail("Escape ended the viewer with status %s" % status)
    if stderr_open:
        errors = viewer.proc.stderr.read()
        if errors:
            rs.fail("the viewer wrote to standard error: %r" % errors[:500])


def reader_gone_from_start(binary):
    read_end, write_end = os.pipe()
    os.close(read_end)
    viewer = rs.harness.Viewer(binary, GEOMETRY, stdout=write_end)
    os.close(write_end)
    return viewer, True


def reader_leaves_mid_run(binary):
    read_end, write_end = os.pipe()
    viewer = rs.harness.Viewer(binary, GEOMETRY, stdout=write_end)
    os.close(write_end)
    checker = rs.FrameChecker()
    while checker.frames < 50:
        chunk = os.read(read_end, 4096)
        if not chunk:
            rs.fail("the printout ended after %d frames" % checker.frames)
        checker.feed(chunk.decode("ascii"))
    os.close(read_end)
    return viewer, True


def terminal_goes_away(binary):
    master, slave = pty.openpty()
    tty.setraw(slave)
    viewer = rs.harness.Viewer(binary, GEOMETRY, stdout=slave)
    os.close(slave)
    viewer.wait_window()
    os.read(master, 4096)  # it has started printing
    os.close(master)  # writes to the terminal now fail
    return viewer, True


def full_device(binary):
    with open("/dev/full", "wb") as full:
        viewer = rs.harness.Viewer(binary, GEOMETRY, stdout=full)
    return viewer, True


def _through_shell(binary, redirections):
    """Starts the viewer through sh, which closes descriptors before exec
    (the process id stays the viewer's)."""
    script = 'exec "$0" "$@" %s' % redirections
    return rs.harness.Viewer("/bin/sh", ["-c", script, binary, *GEOMETRY])


def stdout_closed(binary):
    return _through_shell(binary, ">&-"), True


def all_standard_descriptors_closed(binary):
    return _through_shell(binary, "<&- >&- 2>&-"), False


CASES = [reader_gone_from_start, reader_leaves_mid_run, terminal_goes_away,
         full_device, stdout_closed, all_standard_descriptors_closed]


def main():
    binary, opt = rs.parse_args(sys.argv, watch=1.0)
    failures = []
    for case in CASES:
        name = case.__name__.replace("_", " ")
        viewer = None
        try:
            viewer, stderr_open = case(binary)
            viewer.wait_window()
            keeps_drawing(viewer, opt["watch"])
            ends_cleanly(viewer, stderr_open)
            print("ok: %s" % name, flush=True)
        except (AssertionError, RuntimeError) as e:
            failures.append("%s: %s" % (name, e))
            print("FAIL: %s: %s" % (name, e), flush=True)
        finally:
            if viewer:
                viewer.close()
    if failures:
        rs.fail("; ".join(failures))
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
