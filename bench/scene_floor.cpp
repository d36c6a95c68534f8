// The limit for this scene: the viewer's GL content and render state (clear,
// depth test, camera, eight solid teapots, tether lines, floor, swap), drawn
// with every transform worked out once at start-up. A frame does no orbit
// step, no vector maths, no matrix read-back and no formatted printing.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "floor_window.h"
#include "teapot_drawing.h"
#include "teapot_ring.h"

namespace {

constexpr double kTeapotSize = 0.25;
// Colour row of each teapot, as the viewer's frame draws them.
constexpr int kColorOf[kTeapotCount] = {0, 1, 2, 3, 1, 2, 3, 2};
// The one teapot that the viewer draws by translation and heading rotation.
constexpr int kHeadingTeapot = 1;

matrix4 view_matrix;
matrix4 model_matrix[kTeapotCount];
float heading_degrees;

// The look-at matrix of the observer view, as GLU builds it.
void fix_view_matrix() {
  glPushMatrix();
  glLoadIdentity();
  gluLookAt(0.0, 1.0, 4.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
  glGetFloatv(GL_MODELVIEW_MATRIX, view_matrix);
  glPopMatrix();
}

// Each teapot stays at its starting place in the ring, facing along its orbit.
void fix_teapot_transforms() {
  const vector3D up = {0.0f, 1.0f, 0.0f};
  for (int i = 0; i < kTeapotCount; ++i) {
    vector3D travel;
    vector3D side;
    m_vector_prod_3D(&tetera[i], &up, &travel);
    m_normalize3D(&travel);
    m_vector_prod_3D(&travel, &up, &side);
    build_frame_matrix(&travel, &up, &side, &tetera[i], model_matrix[i]);
    if (i == kHeadingTeapot) {
      const double heading = std::atan2(static_cast<double>(travel.x), travel.z);
      heading_degrees = static_cast<float>(heading * 57.0 - 90.0);
    }
  }
}

void place_teapot(int i) {
  if (i == kHeadingTeapot) {
    glTranslatef(tetera[i].x, tetera[i].y, tetera[i].z);
    glRotatef(heading_degrees, 0.0f, 1.0f, 0.0f);
  } else {
    glMultMatrixf(model_matrix[i]);
  }
}

void draw_fixed_teapots() {
  for (int i = 0; i < kTeapotCount; ++i) {
    glPushMatrix();
    set_diffuse_color(kColorOf[i]);
    place_teapot(i);
    glutSolidTeapot(kTeapotSize);
    glPopMatrix();
  }
}

void draw_fixed_scene() {
  print_frame_line();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glPushMatrix();
  glMultMatrixf(view_matrix);
  glDisable(GL_CULL_FACE);
  glShadeModel(GL_FLAT);
  draw_fixed_teapots();
  // Reads the ring, which nothing here moves, so the lines stay fixed too.
  dibuja_lineas_teteras();
  glPopMatrix();
  glutSwapBuffers();
}

}  // namespace

int main(int argc, char **argv) {
  start_floor_window(&argc, argv, draw_fixed_scene);
  fix_view_matrix();
  fix_teapot_transforms();
  glutMainLoop();
  return 0;
}
