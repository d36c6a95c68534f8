"""A short session of the viewer under valgrind's memcheck: frames in both
views, every kind of key, a resize, an unmap and map, then Escape. It must
end with status 0, print well-formed frames that match the orbit exactly,
and memcheck must find no invalid access, no use of an uninitialised value
and no definite leak in the project's own code.

How an error is judged to be the project's:
- a leak, if the allocation was made by the project's code: the first stack
  frame past the allocator (malloc and operator new and the like) lies in
  the viewer's own binary;
- any other error (invalid read or write, uninitialised value, bad free), if
  the innermost frame outside the C runtime (the dynamic loader, libc,
  libstdc++, libm and valgrind's own preloads) lies in the viewer's binary:
  a bad access in memcpy called by the viewer is the viewer's, while the
  loader's own word-sized string reads while it maps a library that Mesa
  dlopens are not (they come and go with the length of the build's path).
Errors wholly inside Mesa, X and GLUT are not the project's. The known ones
are suppressed by tests/robust/valgrind.supp; any other is listed as a
warning, so that an update of those libraries does not fail the check, but
is seen.

Only definite leaks count (--errors-for-leak-kinds=definite): the GL
context, the X connection and GLUT's window are alive at exit() on Escape,
and what they hold is still reachable, not lost.

    valgrind_session.py path/to/ovezor [--xml PATH]"""

import os
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

import robust_support as rs

SUPPRESSIONS = os.path.join(rs.HERE, "valgrind.supp")
ALLOCATORS = ("malloc", "calloc", "realloc", "memalign", "posix_memalign",
              "aligned_alloc", "operator new", "operator new[]", "strdup")


def memcheck_command(binary, xml_path):
    return ["--tool=memcheck", "--leak-check=full",
            "--show-leak-kinds=definite", "--errors-for-leak-kinds=definite",
            # Keeps the names of Mesa's driver, which is unloaded before the
            # leak check, so that its frames can be matched.
            "--keep-debuginfo=yes", "--num-callers=40",
            "--suppressions=%s" % SUPPRESSIONS,
            "--xml=yes", "--xml-file=%s" % xml_path,
            binary, "-geometry", rs.geometry(64, 64)]


def frames_of(error):
    out = []
    for frame in error.iter("frame"):
        out.append({k: (frame.findtext(k) or "") for k in ("obj", "fn",
                                                           "file")})
    return out


def is_allocator(frame):
    return ("vgpreload" in frame["obj"]
            or any(frame["fn"].startswith(a) for a in ALLOCATORS))


RUNTIME = ("ld-linux", "libc.so", "libstdc++", "libm.so", "vgpreload")


def is_runtime(frame):
    return any(name in os.path.basename(frame["obj"]) for name in RUNTIME)


def is_projects(error, binary):
    frames = frames_of(error)
    if error.findtext("kind", "").startswith("Leak_"):
        past = [f for f in frames if not is_allocator(f)]
    else:
        past = [f for f in frames if not is_runtime(f)]
    return bool(past) and past[0]["obj"] == binary


def describe(error):
    text = error.findtext("what") or error.findtext("xwhat/text") or ""
    stack = ["%s (%s)" % (f["fn"] or "???", os.path.basename(f["obj"]))
             for f in frames_of(error)[:12]]
    return "%s: %s\n      %s" % (error.findtext("kind"), text,
                                 "\n      ".join(stack))


def session(viewer):
    viewer.wait_window(timeout=300)
    viewer.wait_frames(20, timeout=300)
    every_key = [k for keys in rs.KEY_KINDS.values() for k in keys]
    viewer.keys(*every_key)
    viewer.wait_frames(20, timeout=300)
    rs.harness.xdotool("windowsize", "--sync", viewer.window, "90", "50")
    viewer.wait_frames(15, timeout=300)
    rs.harness.xdotool("windowunmap", "--sync", viewer.window)
    time.sleep(1)
    rs.harness.xdotool("windowmap", "--sync", viewer.window)
    viewer.wait_frames(15, timeout=300)


def main():
    binary, opt = rs.parse_args(sys.argv, xml="")
    xml_path = opt["xml"] or os.path.join(tempfile.mkdtemp(), "memcheck.xml")
    began = time.time()
    viewer = rs.harness.Viewer("valgrind", memcheck_command(binary, xml_path))
    try:
        session(viewer)
        status = viewer.quit(timeout=300)
    finally:
        viewer.close()
    seconds = time.time() - began
    if status != 0:
        rs.fail("the viewer under memcheck ended with status %s" % status)
    checker = rs.FrameChecker()
    checker.feed(viewer.output())
    checker.finish()

    tree = ET.parse(xml_path).getroot()
    errors = tree.findall("error")
    suppressed = sum(int(p.findtext("count")) for p in
                     tree.findall("suppcounts/pair"))
    project = [e for e in errors if is_projects(e, binary)]
    libraries = [e for e in errors if not is_projects(e, binary)]
    rs.report("memcheck session", "%d frames in %.0f s" % (checker.frames,
                                                           seconds))
    rs.report("memcheck errors in the project's code", len(project))
    rs.report("memcheck errors in libraries, not suppressed", len(libraries))
    rs.report("memcheck errors suppressed (Mesa)", suppressed)
    for e in libraries:
        print("warning: library error, not the project's: %s" % describe(e))
    if project:
        rs.fail("memcheck found errors in the project's code (%s):\n%s"
                % (xml_path, "\n".join(describe(e) for e in project)))
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
