#include "frame.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include "matrix_printout.h"
#include "render_state.h"
#include "teapot_drawing.h"
#include "teapot_ring.h"

vector3D obs = {0.0f, 1.0f, 4.0f};
vector3D ref = {0.0f, 0.0f, 0.0f};

namespace {

void install_observer_camera() {
  gluLookAt(static_cast<double>(obs.x), static_cast<double>(obs.y), static_cast<double>(obs.z),
            static_cast<double>(ref.x), static_cast<double>(ref.y), static_cast<double>(ref.z), 0.0,
            1.0, 0.0);
}

// Steps teapot 0 (its one step of this frame) and puts the camera on it,
// looking along travel: rows side, up, -travel, then a translation by -p.
void install_ride_along_camera(vector3D *travel, const vector3D *up) {
  TrayectoriaTetera(&tetera[0], travel, kOrbitSpeed);
  vector3D side;
  m_vector_prod_3D(travel, up, &side);

  matrix4 rotation = {0.0f};
  const float s[3] = {side.x, side.y, side.z};
  const float u[3] = {up->x, up->y, up->z};
  const float t[3] = {travel->x, travel->y, travel->z};
  for (int i = 0; i < 3; ++i) {
    rotation[4 * i] = s[i];
    rotation[4 * i + 1] = u[i];
    rotation[4 * i + 2] = -t[i];
  }
  rotation[15] = 1.0f;

  const vector3D &p = tetera[0];
  const matrix4 translation = {
      1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
      0.0f, 0.0f, 1.0f, 0.0f, -p.x, -p.y, -p.z, 1.0f,
  };
  glMultMatrixf(rotation);
  glMultMatrixf(translation);
}

void draw_teapots() {
  if (!vista_viajero) {
    dibuja_tetera(0, 0);
  }
  dibuja_tetera2(1, 1);
  dibuja_tetera(2, 2);
  dibuja_tetera(3, 3);
  dibuja_tetera(4, 1);
  dibuja_tetera(5, 2);
  dibuja_tetera(6, 3);
  dibuja_tetera(7, 2);
}

}  // namespace

void draw_scene() {
  vector3D travel = {1.0f, 0.0f, 0.0f};
  const vector3D up = {0.0f, 1.0f, 0.0f};

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glPushMatrix();

  if (vista_viajero) {
    install_ride_along_camera(&travel, &up);
  } else {
    install_observer_camera();
  }
  print_view_matrix();

  glDisable(GL_CULL_FACE);
  glShadeModel(GL_FLAT);
  print_first_teapot_matrix(&travel, &up);

  draw_teapots();
  dibuja_lineas_teteras();

  glPopMatrix();
  glutSwapBuffers();
}
