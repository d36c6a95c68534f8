#include "render_state.h"

#include <GL/gl.h>
#include <GL/glu.h>

float fov = 60.0f;
float posf = 0.0f;
unsigned char frustrum = 0;
unsigned char eje_aspect = 1;
float aspecto = 0.0f;
unsigned char vista_viajero = 0;

namespace {

constexpr double kPerspectiveNear = 0.1;
constexpr double kFrustumNear = 1.0;
constexpr double kFar = 40.0;
constexpr double kFrustumHalfExtent = 0.7;

void install_perspective(double aspect_ratio) {
  gluPerspective(static_cast<double>(fov), eje_aspect ? aspect_ratio : 1.0, kPerspectiveNear, kFar);
}

void install_frustum() {
  const double shift = static_cast<double>(posf);
  glFrustum(shift - kFrustumHalfExtent, shift + kFrustumHalfExtent, -kFrustumHalfExtent,
            kFrustumHalfExtent, kFrustumNear, kFar);
}

// Every install leaves the model-view matrix current and set to the identity,
// which the frame routine builds its camera on.
void select_clean_modelview() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

void init() {
  glEnable(GL_CULL_FACE);
  glShadeModel(GL_FLAT);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
  glEnable(GL_NORMALIZE);
}

void actualiza_perspectiva() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (frustrum) {
    install_frustum();
  } else {
    install_perspective(static_cast<double>(aspecto));
  }
  select_clean_modelview();
}

void reshape(int width, int height) {
  // A zero height would make the ratio infinite or NaN; it counts as 1 here,
  // while the viewport still gets the real size.
  const int ratio_height = height == 0 ? 1 : height;
  const float ratio = static_cast<float>(static_cast<double>(width) / ratio_height);
  aspecto = ratio;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  install_perspective(static_cast<double>(ratio));
  select_clean_modelview();
}
