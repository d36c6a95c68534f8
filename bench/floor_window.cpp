#include "floor_window.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>

#include "callbacks.h"
#include "render_state.h"

namespace {

constexpr unsigned int kDisplayMode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL;

// The viewer writes about 338 bytes of matrix text per frame. The marker line
// has the same length, so the standard output stream fills and flushes into
// the pipe at the same rate: the pipe traffic matches the viewer's, and a
// frame counter outside sees a flush every dozen frames instead of every few
// hundred.
constexpr std::size_t kLineBytes = 338;
constexpr char kMarker[] = "floor frame ";

struct FrameLine {
  char text[kLineBytes + 1];
  FrameLine() {
    std::memset(text, '.', kLineBytes);
    std::memcpy(text, kMarker, sizeof kMarker - 1);
    text[kLineBytes - 1] = '\n';
    text[kLineBytes] = '\0';
  }
};

const FrameLine frame_line;

}  // namespace

void start_floor_window(int *argc, char **argv, void (*display)()) {
  glutInitWindowSize(400, 400);
  glutInit(argc, argv);
  glutInitDisplayMode(kDisplayMode);
  glutCreateWindow("Rodured Ovezor");
  glutReshapeFunc(reshape);
  glutDisplayFunc(display);
  glutVisibilityFunc(visible);
  init();
}

void print_frame_line() { std::fputs(frame_line.text, stdout); }
