// One viewer per test process: GLUT allows a single glutInit, so the first
// fixture starts the viewer and every later test reuses its window and GL
// context. Each test starts from the start-up values of the view settings and
// the teapot ring, and puts back what it found when it ends.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "teapot_ring.h"
#include "vector_math.h"

// The process-wide values that keys, resizes and frames change.
struct ViewerState {
  float fov;
  float posf;
  unsigned char frustrum;
  unsigned char eje_aspect;
  float aspecto;
  unsigned char vista_viajero;
  vector3D tetera[kTeapotCount];
  float xrot;
  float yrot;
};

ViewerState capture_viewer_state();
void restore_viewer_state(const ViewerState &state);

// Names the first value that differs bit for bit; empty when none does.
std::string state_difference(const ViewerState &a, const ViewerState &b);

// GL state read back at one moment.
struct GlSnapshot {
  bool cull_face, lighting, light0, normalize, depth_test;
  GLint shade_model;
  std::array<GLfloat, 4> clear_color;
  GLint matrix_mode;
  std::array<GLdouble, 16> projection;
  std::array<GLdouble, 16> modelview;
  std::array<GLint, 4> viewport;
};

GlSnapshot take_gl_snapshot();

// What the process held at three moments of its start.
struct StartupRecord {
  ViewerState settings;          // right after start_viewer, before any event
  GlSnapshot after_init;         // GL state at that same moment
  GlSnapshot after_first_frame;  // once GLUT has reshaped and drawn one frame
  float aspecto_after_first_frame;
};

// Starts the viewer once, lets GLUT map the window and draw its first frame
// (its printout is discarded), then stops the idle animation so that frames
// run only when a test calls for them.
const StartupRecord &ensure_viewer_started();

// Runs GLUT's event loop for a while without the idle animation; returns how
// many frames were drawn (seen as steps of teapot 0).
int pump_events(int iterations);

// Base fixture: start-up settings and ring, a fresh 400 x 400 reshape, and the
// previous state restored afterwards.
class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  ViewerState saved_{};
};
