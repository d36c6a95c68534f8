// The frame-loop limit: the viewer's window and frame loop, with a frame that
// only clears the buffers and swaps them.
#include <GL/freeglut.h>

#include "floor_window.h"

namespace {

void clear_and_swap() {
  print_frame_line();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glutSwapBuffers();
}

}  // namespace

int main(int argc, char **argv) {
  start_floor_window(&argc, argv, clear_and_swap);
  glutMainLoop();
  return 0;
}
