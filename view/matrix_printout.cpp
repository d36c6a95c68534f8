#include "matrix_printout.h"

#include <GL/gl.h>

#include "teapot_drawing.h"
#include "teapot_ring.h"

namespace {

const char kViewTitle[] = "\nMatrizVision \n";
const char kFirstTeapotTitle[] = "\nMatriz Primera tetera \n";

}  // namespace

void print_matrix(std::FILE *out, const char *title, const matrix4 m) {
  // Output errors are ignored: a failing stdout must not disturb the frame.
  std::fputs(title, out);
  for (int row = 0; row < 4; ++row) {
    std::fputs("\n", out);
    for (int col = 0; col < 4; ++col) {
      std::fprintf(out, "%f\t", static_cast<double>(m[4 * col + row]));
    }
  }
}

void print_view_matrix() {
  matrix4 m;
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  print_matrix(stdout, kViewTitle, m);
}

void print_first_teapot_matrix(const vector3D *travel, const vector3D *up) {
  glPushMatrix();
  glLoadIdentity();
  set_diffuse_color(0);

  vector3D side;
  m_vector_prod_3D(travel, up, &side);
  matrix4 first;
  build_frame_matrix(travel, up, &side, &tetera[0], first);
  glMultMatrixf(first);

  matrix4 m;
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  print_matrix(stdout, kFirstTeapotTitle, m);
  glPopMatrix();
}
