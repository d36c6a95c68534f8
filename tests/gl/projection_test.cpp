// Render state, view settings and projection, read back from the GL after
// start-up, keys and resizes. Expected projections come from the perspective
// and frustum formulas in double precision; the GL stores floats, so they are
// compared to a few parts in ten million.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "callbacks.h"
#include "reference_matrices.h"
#include "render_state.h"
#include "stdout_capture.h"
#include "viewer_session.h"

namespace {

constexpr double kRelative = 1e-6;
constexpr double kAbsolute = 1e-7;

std::uint32_t bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

float from_bits(std::uint32_t b) {
  float f;
  std::memcpy(&f, &b, sizeof f);
  return f;
}

// posf after n presses of "d" (n > 0) or "c" (n < 0) from 0: each press adds
// the double 0.1 to the widened float and stores the rounded sum.
float posf_after(int presses) {
  float p = 0.0f;
  for (int i = 0; i < std::abs(presses); ++i) {
    p = static_cast<float>(static_cast<double>(p) + (presses > 0 ? 0.1 : -0.1));
  }
  return p;
}

Mat4 perspective(double fov_degrees, double aspect) {
  return perspective_matrix(fov_degrees, aspect, 0.1, 40.0);
}

Mat4 frustum(float shift) {
  const double s = static_cast<double>(shift);
  return frustum_matrix(s - 0.7, s + 0.7, -0.7, 0.7, 1.0, 40.0);
}

// One event between frames: a character key, or a resize when key is 0.
struct Step {
  unsigned char key;
  int width;
  int height;
};

std::vector<Step> keys(const std::string &typed) {
  std::vector<Step> steps;
  for (char c : typed) steps.push_back({static_cast<unsigned char>(c), 0, 0});
  return steps;
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<Step> resize(int width, int height) { return {{0, width, height}}; }

void run(const std::vector<Step> &steps) {
  for (const Step &s : steps) {
    if (s.key == 0) {
      reshape(s.width, s.height);
    } else {
      key(s.key, 0, 0);
    }
  }
}

struct ProjectionCase {
  std::string name;
  std::vector<Step> steps;
  Mat4 projection;
  std::array<GLint, 4> viewport;
  float fov;
  float posf;
  unsigned char frustrum;
  unsigned char eje_aspect;
  float aspecto;
  unsigned char vista_viajero;
};

std::vector<ProjectionCase> projection_cases() {
  const std::array<GLint, 4> square = {0, 0, 400, 400};
  const std::array<GLint, 4> wide = {0, 0, 800, 400};
  const std::array<GLint, 4> small = {0, 0, 300, 200};
  const std::array<GLint, 4> tall = {0, 0, 1, 3};
  const std::array<GLint, 4> flat = {0, 0, 640, 0};
  const std::array<GLint, 4> empty = {0, 0, 0, 0};
  const float third = static_cast<float>(1.0 / 3.0);
  const float just_above_one = from_bits(0x3f800001u);  // 1 + 2^-23
  return {
      {"start-up", {}, perspective(60, 1), square, 60, 0, 0, 1, 1, 0},
      {"s widens the field of view", keys("s"), perspective(65, 1), square, 65, 0, 0, 1, 1, 0},
      {"x narrows it", keys("x"), perspective(55, 1), square, 55, 0, 0, 1, 1, 0},
      {"upper-case S and X do nothing", keys("SX"), perspective(60, 1), square, 60, 0, 0, 1, 1, 0},
      {"unbound keys do nothing", keys("qbMF 1\t"), perspective(60, 1), square, 60, 0, 0, 1, 1, 0},
      {"m only flips the camera", keys("m"), perspective(60, 1), square, 60, 0, 0, 1, 1, 1},
      {"f installs the frustum", keys("f"), frustum(0), square, 60, 0, 1, 1, 1, 0},
      {"f twice returns to perspective", keys("ff"), perspective(60, 1), square, 60, 0, 0, 1, 1, 0},
      {"d in perspective mode waits for the frustum", keys("d"), perspective(60, 1), square, 60,
       posf_after(1), 0, 1, 1, 0},
      {"d then f shifts the frustum window", keys("df"), frustum(posf_after(1)), square, 60,
       posf_after(1), 1, 1, 1, 0},
      {"c then f shifts it the other way", keys("cf"), frustum(posf_after(-1)), square, 60,
       posf_after(-1), 1, 1, 1, 0},
      {"d in frustum mode re-installs at once", keys("fdd"), frustum(posf_after(2)), square, 60,
       posf_after(2), 1, 1, 1, 0},
      {"three c in frustum mode", keys("fccc"), frustum(posf_after(-3)), square, 60, posf_after(-3),
       1, 1, 1, 0},
      {"ten d leave posf just above 1", keys("dddddddddd"), perspective(60, 1), square, 60,
       just_above_one, 0, 1, 1, 0},
      {"ten d then f", keys("ddddddddddf"), frustum(just_above_one), square, 60, just_above_one, 1,
       1, 1, 0},
      {"s in frustum mode keeps the frustum", keys("fs"), frustum(0), square, 65, 0, 1, 1, 1, 0},
      {"the new fov shows when perspective returns", keys("fsf"), perspective(65, 1), square, 65, 0,
       0, 1, 1, 0},
      {"twelve x reach fov 0 (GLU leaves the identity)", keys("xxxxxxxxxxxx"), perspective(0, 1),
       square, 0, 0, 0, 1, 1, 0},
      {"thirteen x reach fov -5", keys("xxxxxxxxxxxxx"), perspective(-5, 1), square, -5, 0, 0, 1, 1,
       0},
      {"twenty-five s pass 180 degrees", keys(std::string(25, 's')), perspective(185, 1), square,
       185, 0, 0, 1, 1, 0},
      {"800 x 400 with aspect correction", resize(800, 400), perspective(60, 2), wide, 60, 0, 0, 1,
       2, 0},
      {"a alone changes nothing until the next install", resize(800, 400) + keys("a"),
       perspective(60, 2), wide, 60, 0, 0, 0, 2, 0},
      {"a then s installs the uncorrected picture", resize(800, 400) + keys("as"),
       perspective(65, 1), wide, 65, 0, 0, 0, 2, 0},
      {"a then x as well", resize(800, 400) + keys("ax"), perspective(55, 1), wide, 55, 0, 0, 0, 2,
       0},
      {"800 x 400 without aspect correction", keys("a") + resize(800, 400), perspective(60, 1),
       wide, 60, 0, 0, 0, 2, 0},
      {"correction back on, then s, needs no resize", keys("a") + resize(800, 400) + keys("as"),
       perspective(65, 2), wide, 65, 0, 0, 1, 2, 0},
      {"a in frustum mode changes nothing", resize(800, 400) + keys("fa"), frustum(0), wide, 60, 0,
       1, 0, 2, 0},
      {"resize in frustum mode installs perspective", keys("f") + resize(300, 200),
       perspective(60, 1.5), small, 60, 0, 1, 1, 1.5f, 0},
      {"then s brings the frustum back", keys("f") + resize(300, 200) + keys("s"), frustum(0),
       small, 65, 0, 1, 1, 1.5f, 0},
      {"then f switches to perspective mode", keys("f") + resize(300, 200) + keys("f"),
       perspective(60, 1.5), small, 60, 0, 0, 1, 1.5f, 0},
      {"resize in frustum mode without correction", keys("fa") + resize(800, 400),
       perspective(60, 1), wide, 60, 0, 1, 0, 2, 0},
      {"a tall window", resize(1, 3), perspective(60, static_cast<double>(third)), tall, 60, 0, 0,
       1, third, 0},
      {"zero height counts as one for the ratio only", resize(640, 0), perspective(60, 640), flat,
       60, 0, 0, 1, 640, 0},
      {"zero by zero gives ratio 0 (GLU leaves the identity)", resize(0, 0), perspective(60, 0),
       empty, 60, 0, 0, 1, 0, 0},
  };
}

class ProjectionTest : public ViewerTest {};

TEST_F(ProjectionTest, KeysAndResizesInstallTheExpectedProjection) {
  const ViewerState before = capture_viewer_state();
  for (const ProjectionCase &c : projection_cases()) {
    SCOPED_TRACE(c.name);
    restore_viewer_state(before);
    reshape(400, 400);
    const std::string printed = capture_stdout([&] { run(c.steps); });

    EXPECT_TRUE(
        matrices_near(read_gl_matrix(GL_PROJECTION_MATRIX), c.projection, kRelative, kAbsolute));
    std::array<GLint, 4> viewport;
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, c.viewport);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(read_gl_matrix(GL_MODELVIEW_MATRIX), identity_matrix());

    EXPECT_EQ(bits(fov), bits(c.fov)) << fov;
    EXPECT_EQ(bits(posf), bits(c.posf)) << posf;
    EXPECT_EQ(frustrum, c.frustrum);
    EXPECT_EQ(eje_aspect, c.eje_aspect);
    EXPECT_EQ(bits(aspecto), bits(c.aspecto)) << aspecto;
    EXPECT_EQ(vista_viajero, c.vista_viajero);
    EXPECT_EQ(std::memcmp(tetera, before.tetera, sizeof tetera), 0) << "a key moved a teapot";
    EXPECT_EQ(printed, "") << "keys and resizes print nothing";
  }
}

TEST_F(ProjectionTest, FlagsFlipByLogicalNegation) {
  // A flag holding any nonzero value counts as set and flips to 0.
  for (unsigned char start : {0, 1, 2, 255}) {
    SCOPED_TRACE(static_cast<int>(start));
    frustrum = start;
    key('f', 0, 0);
    EXPECT_EQ(frustrum, start == 0 ? 1 : 0);
    const Mat4 expected = start == 0 ? frustum(0) : perspective(60, 1);
    EXPECT_TRUE(
        matrices_near(read_gl_matrix(GL_PROJECTION_MATRIX), expected, kRelative, kAbsolute));
    eje_aspect = start;
    key('a', 0, 0);
    EXPECT_EQ(eje_aspect, start == 0 ? 1 : 0);
    vista_viajero = start;
    key('m', 0, 0);
    EXPECT_EQ(vista_viajero, start == 0 ? 1 : 0);
  }
}

TEST_F(ProjectionTest, StartUpSetsTheFixedRenderStateAndNoProjection) {
  const StartupRecord &startup = ensure_viewer_started();
  const GlSnapshot &g = startup.after_init;
  EXPECT_TRUE(g.cull_face);
  EXPECT_TRUE(g.lighting);
  EXPECT_TRUE(g.light0);
  EXPECT_TRUE(g.normalize);
  EXPECT_FALSE(g.depth_test) << "depth testing is the frame's to enable";
  EXPECT_EQ(g.shade_model, GL_FLAT);
  EXPECT_EQ(g.clear_color, (std::array<GLfloat, 4>{0.5f, 0.5f, 0.5f, 1.0f}));
  EXPECT_EQ(g.matrix_mode, GL_MODELVIEW);
  EXPECT_EQ(g.projection, identity_matrix()) << "the first reshape installs the projection";
  EXPECT_EQ(g.modelview, identity_matrix());

  const ViewerState &s = startup.settings;
  EXPECT_EQ(s.fov, 60.0f);
  EXPECT_EQ(bits(s.posf), bits(0.0f));
  EXPECT_EQ(s.frustrum, 0);
  EXPECT_EQ(s.eje_aspect, 1);
  EXPECT_EQ(bits(s.aspecto), bits(0.0f)) << "aspecto waits for the first reshape";
  EXPECT_EQ(s.vista_viajero, 0);
  EXPECT_EQ(s.xrot, 0.0f);
  EXPECT_EQ(s.yrot, 0.0f);
}

TEST_F(ProjectionTest, GlutReshapesBeforeTheFirstFrame) {
  const StartupRecord &startup = ensure_viewer_started();
  const GlSnapshot &g = startup.after_first_frame;
  EXPECT_EQ(g.viewport, (std::array<GLint, 4>{0, 0, 400, 400}));
  EXPECT_EQ(startup.aspecto_after_first_frame, 1.0f);
  Mat4 projection;
  std::copy(g.projection.begin(), g.projection.end(), projection.begin());
  EXPECT_TRUE(matrices_near(projection, perspective(60, 1), kRelative, kAbsolute));
  EXPECT_EQ(g.matrix_mode, GL_MODELVIEW);
  EXPECT_EQ(g.modelview, identity_matrix()) << "a frame restores the model-view matrix";
  // What a frame leaves behind: depth testing on, culling off, flat, lit.
  EXPECT_TRUE(g.depth_test);
  EXPECT_FALSE(g.cull_face);
  EXPECT_EQ(g.shade_model, GL_FLAT);
  EXPECT_TRUE(g.lighting);
}

TEST_F(ProjectionTest, NothingElseLeavesTheGlDefaults) {
  GLint value = 0;
  glGetIntegerv(GL_CULL_FACE_MODE, &value);
  EXPECT_EQ(value, GL_BACK);
  glGetIntegerv(GL_FRONT_FACE, &value);
  EXPECT_EQ(value, GL_CCW);
  glGetIntegerv(GL_DEPTH_FUNC, &value);
  EXPECT_EQ(value, GL_LESS);
  GLfloat depth_clear = 0;
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth_clear);
  EXPECT_EQ(depth_clear, 1.0f);
  GLint stencil_clear = -1;
  glGetIntegerv(GL_STENCIL_CLEAR_VALUE, &stencil_clear);
  EXPECT_EQ(stencil_clear, 0);
  for (GLenum cap : {GL_BLEND, GL_ALPHA_TEST, GL_COLOR_MATERIAL, GL_LIGHT1, GL_TEXTURE_2D,
                     GL_STENCIL_TEST, GL_FOG}) {
    EXPECT_FALSE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
  }
  GLint two_side = 1;
  glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &two_side);
  EXPECT_EQ(two_side, 0);
  std::array<GLfloat, 4> light{};
  glGetLightfv(GL_LIGHT0, GL_POSITION, light.data());
  EXPECT_EQ(light, (std::array<GLfloat, 4>{0, 0, 1, 0})) << "light 0 shines along the view";
  glGetLightfv(GL_LIGHT0, GL_DIFFUSE, light.data());
  EXPECT_EQ(light, (std::array<GLfloat, 4>{1, 1, 1, 1}));
}

TEST_F(ProjectionTest, InitSetsItsStateWhateverCameBefore) {
  const bool depth_was_on = glIsEnabled(GL_DEPTH_TEST);
  for (bool depth_on : {true, false}) {
    SCOPED_TRACE(depth_on ? "depth test on before" : "depth test off before");
    for (GLenum cap : {GL_CULL_FACE, GL_LIGHT0, GL_LIGHTING, GL_NORMALIZE}) glDisable(cap);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.25f, 1.0f, 0.0f);
    depth_on ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);

    init();

    const GlSnapshot g = take_gl_snapshot();
    EXPECT_TRUE(g.cull_face);
    EXPECT_TRUE(g.lighting);
    EXPECT_TRUE(g.light0);
    EXPECT_TRUE(g.normalize);
    EXPECT_EQ(g.depth_test, depth_on) << "init leaves depth testing alone";
    EXPECT_EQ(g.shade_model, GL_FLAT);
    EXPECT_EQ(g.clear_color, (std::array<GLfloat, 4>{0.5f, 0.5f, 0.5f, 1.0f}));
  }
  // Back to what the frames leave behind.
  glDisable(GL_CULL_FACE);
  depth_was_on ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
}

// ---- arrow keys and the other special keys ----

struct SpecialCase {
  std::string name;
  std::vector<int> codes;
  float xrot;
  float yrot;
};

std::vector<int> repeated(int code, int times) { return std::vector<int>(times, code); }

std::vector<SpecialCase> special_cases() {
  return {
      {"left turns yrot up by 3", {GLUT_KEY_LEFT}, 0, 3},
      {"right turns yrot down by 3", {GLUT_KEY_RIGHT}, 0, -3},
      {"yrot has no bound", repeated(GLUT_KEY_RIGHT, 130), 0, -390},
      {"up raises xrot by 3", {GLUT_KEY_UP}, 3, 0},
      {"up stops at 180", repeated(GLUT_KEY_UP, 61), 180, 0},
      {"down stops at 0", {GLUT_KEY_DOWN}, 0, 0},
      {"up, down, down", {GLUT_KEY_UP, GLUT_KEY_DOWN, GLUT_KEY_DOWN}, 0, 0},
      {"other special keys do nothing",
       {GLUT_KEY_F1, GLUT_KEY_F12, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN, GLUT_KEY_HOME,
        GLUT_KEY_END, GLUT_KEY_INSERT},
       0,
       0},
  };
}

TEST_F(ProjectionTest, ArrowKeysKeepTheirAnglesAndTurnNothing) {
  const ViewerState before = capture_viewer_state();
  const Mat4 projection = read_gl_matrix(GL_PROJECTION_MATRIX);
  for (const SpecialCase &c : special_cases()) {
    SCOPED_TRACE(c.name);
    restore_viewer_state(before);
    for (int code : c.codes) special(code, 0, 0);
    EXPECT_EQ(xrot, c.xrot);
    EXPECT_EQ(yrot, c.yrot);

    ViewerState after = capture_viewer_state();
    after.xrot = before.xrot;
    after.yrot = before.yrot;
    EXPECT_EQ(state_difference(after, before), "");
    EXPECT_EQ(read_gl_matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(read_gl_matrix(GL_MODELVIEW_MATRIX), identity_matrix());
  }
}

TEST_F(ProjectionTest, SameCodeDifferentCallbacks) {
  // GLUT_KEY_LEFT and "d" are both 100; GLUT_KEY_RIGHT and "f" are both 102.
  special(100, 0, 0);
  special(102, 0, 0);
  special(102, 0, 0);
  EXPECT_EQ(yrot, -3.0f);
  EXPECT_EQ(posf, 0.0f);
  EXPECT_EQ(frustrum, 0);
  key(100, 0, 0);
  key(102, 0, 0);
  EXPECT_EQ(yrot, -3.0f);
  EXPECT_EQ(posf, posf_after(1));
  EXPECT_EQ(frustrum, 1);
  EXPECT_TRUE(matrices_near(read_gl_matrix(GL_PROJECTION_MATRIX), frustum(posf_after(1)), kRelative,
                            kAbsolute));
}

// ---- which events ask GLUT for a frame ----

struct RedisplayCase {
  std::string name;
  bool special_key;
  int code;
  bool asks_for_frame;
};

TEST_F(ProjectionTest, OnlyArrowKeysRequestARedisplay) {
  const RedisplayCase cases[] = {
      {"left arrow", true, GLUT_KEY_LEFT, true},
      {"up arrow", true, GLUT_KEY_UP, true},
      {"right arrow", true, GLUT_KEY_RIGHT, true},
      {"down arrow", true, GLUT_KEY_DOWN, true},
      {"F1", true, GLUT_KEY_F1, false},
      {"Home", true, GLUT_KEY_HOME, false},
      {"m", false, 'm', false},
      {"a", false, 'a', false},
      {"s", false, 's', false},
      {"f", false, 'f', false},
      {"d", false, 'd', false},
      {"unbound q", false, 'q', false},
  };
  for (const RedisplayCase &c : cases) {
    SCOPED_TRACE(c.name);
    discard_stdout([&] {
      pump_events(5);  // let anything pending run first
      vector3D ring[kTeapotCount];
      std::memcpy(ring, tetera, sizeof ring);
      c.special_key ? special(c.code, 0, 0) : key(static_cast<unsigned char>(c.code), 0, 0);
      EXPECT_EQ(pump_events(10), c.asks_for_frame ? 1 : 0);
      if (c.asks_for_frame) {
        // A frame asked for by a key is still one tick for every teapot.
        vector3D travel;
        for (vector3D &p : ring) TrayectoriaTetera(&p, &travel, 0.4f);
        EXPECT_EQ(std::memcmp(ring, tetera, sizeof ring), 0);
      }
    });
  }
}

}  // namespace
