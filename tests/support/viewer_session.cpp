#include "viewer_session.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "callbacks.h"
#include "render_state.h"
#include "stdout_capture.h"

namespace {

StartupRecord record;

bool same_position(const vector3D &a, const vector3D &b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Pumps the loop until the first frame has stepped teapot 0, or gives up.
void wait_for_first_frame(const vector3D &start) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (same_position(tetera[0], start) && std::chrono::steady_clock::now() < deadline) {
    glutMainLoopEvent();
    usleep(1000);
  }
}

void start_once() {
  static char name[] = "ovezor_gl_test";
  static char *argv[] = {name, nullptr};
  static int argc = 1;
  start_viewer(&argc, argv);
  record.settings = capture_viewer_state();
  record.after_init = take_gl_snapshot();

  discard_stdout([] {
    wait_for_first_frame(record.settings.tetera[0]);
    // From here on frames are drawn only when a test asks for one.
    visible(GLUT_NOT_VISIBLE);
    record.after_first_frame = take_gl_snapshot();
    record.aspecto_after_first_frame = aspecto;
    pump_events(50);
  });
  restore_viewer_state(record.settings);
}

}  // namespace

ViewerState capture_viewer_state() {
  ViewerState s{};
  s.fov = fov;
  s.posf = posf;
  s.frustrum = frustrum;
  s.eje_aspect = eje_aspect;
  s.aspecto = aspecto;
  s.vista_viajero = vista_viajero;
  std::memcpy(s.tetera, tetera, sizeof tetera);
  s.xrot = xrot;
  s.yrot = yrot;
  return s;
}

void restore_viewer_state(const ViewerState &s) {
  fov = s.fov;
  posf = s.posf;
  frustrum = s.frustrum;
  eje_aspect = s.eje_aspect;
  aspecto = s.aspecto;
  vista_viajero = s.vista_viajero;
  std::memcpy(tetera, s.tetera, sizeof tetera);
  xrot = s.xrot;
  yrot = s.yrot;
}

std::string state_difference(const ViewerState &a, const ViewerState &b) {
  auto differs = [](const void *x, const void *y, size_t n) { return std::memcmp(x, y, n) != 0; };
  if (differs(&a.fov, &b.fov, sizeof a.fov)) return "fov";
  if (differs(&a.posf, &b.posf, sizeof a.posf)) return "posf";
  if (a.frustrum != b.frustrum) return "frustrum";
  if (a.eje_aspect != b.eje_aspect) return "eje_aspect";
  if (differs(&a.aspecto, &b.aspecto, sizeof a.aspecto)) return "aspecto";
  if (a.vista_viajero != b.vista_viajero) return "vista_viajero";
  for (int i = 0; i < kTeapotCount; ++i) {
    if (differs(&a.tetera[i], &b.tetera[i], sizeof a.tetera[i])) {
      return "tetera[" + std::to_string(i) + "]";
    }
  }
  if (differs(&a.xrot, &b.xrot, sizeof a.xrot)) return "xrot";
  if (differs(&a.yrot, &b.yrot, sizeof a.yrot)) return "yrot";
  return "";
}

GlSnapshot take_gl_snapshot() {
  GlSnapshot g{};
  g.cull_face = glIsEnabled(GL_CULL_FACE);
  g.lighting = glIsEnabled(GL_LIGHTING);
  g.light0 = glIsEnabled(GL_LIGHT0);
  g.normalize = glIsEnabled(GL_NORMALIZE);
  g.depth_test = glIsEnabled(GL_DEPTH_TEST);
  glGetIntegerv(GL_SHADE_MODEL, &g.shade_model);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, g.clear_color.data());
  glGetIntegerv(GL_MATRIX_MODE, &g.matrix_mode);
  glGetDoublev(GL_PROJECTION_MATRIX, g.projection.data());
  glGetDoublev(GL_MODELVIEW_MATRIX, g.modelview.data());
  glGetIntegerv(GL_VIEWPORT, g.viewport.data());
  return g;
}

const StartupRecord &ensure_viewer_started() {
  static bool started = false;
  if (!started) {
    started = true;
    start_once();
  }
  return record;
}

int pump_events(int iterations) {
  int frames = 0;
  for (int i = 0; i < iterations; ++i) {
    const vector3D before = tetera[0];
    glutMainLoopEvent();
    if (!same_position(before, tetera[0])) ++frames;
    usleep(1000);
  }
  return frames;
}

void ViewerTest::SetUp() {
  const StartupRecord &startup = ensure_viewer_started();
  saved_ = capture_viewer_state();
  restore_viewer_state(startup.settings);
  reshape(400, 400);
}

void ViewerTest::TearDown() {
  reshape(400, 400);
  restore_viewer_state(saved_);
}
