// The text that frames write to standard output, captured at the file
// descriptor and compared as text. The expected matrices come from a copy of
// the teapot ring that the test steps once per frame itself, and from the
// look-at and ride-along camera definitions.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "callbacks.h"
#include "frame.h"
#include "printout_match.h"
#include "reference_matrices.h"
#include "render_state.h"
#include "stdout_capture.h"
#include "teapot_ring.h"
#include "viewer_session.h"

namespace {

const char kViewTitle[] = "\nMatrizVision \n";
const char kFirstTeapotTitle[] = "\nMatriz Primera tetera \n";
constexpr float kSpeed = 0.4f;

// Elements that the GL only copies are exact; those it computes in single
// precision may differ from the double-precision value by a few units in the
// last place of the largest term.
constexpr double kUnitTolerance = 3e-7;
constexpr double kSqrt17Tolerance = 1.5e-6;

ExpectedNumber exact(double value) { return {value, 0.0}; }

vector3D cross(const vector3D &a, const vector3D &b) {
  return {static_cast<float>(static_cast<double>(a.y) * b.z - static_cast<double>(a.z) * b.y),
          static_cast<float>(static_cast<double>(a.z) * b.x - static_cast<double>(a.x) * b.z),
          static_cast<float>(static_cast<double>(a.x) * b.y - static_cast<double>(a.y) * b.x)};
}

using Rows = std::array<std::array<ExpectedNumber, 4>, 4>;

// A block from its four rows, as they read in the printout.
ExpectedBlock from_rows(const char *title, const Rows &rows) {
  ExpectedBlock b{title, {}};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) b.elements[4 * c + r] = rows[r][c];
  }
  return b;
}

// The look-at from (0, 1, 4) to the origin with up (0, 1, 0).
ExpectedBlock observer_view_block() {
  const double r = std::sqrt(17.0);
  const double u = kUnitTolerance;
  const double t = kSqrt17Tolerance;
  return from_rows(kViewTitle, {{{exact(1), exact(0), exact(0), exact(0)},
                                 {exact(0), {4 / r, u}, {-1 / r, u}, {0, t}},
                                 {exact(0), {1 / r, u}, {4 / r, u}, {-r, t}},
                                 {exact(0), exact(0), exact(0), exact(1)}}});
}

// A dot product that the GL forms in single precision: tolerance from the
// size of its terms.
ExpectedNumber gl_dot(const vector3D &a, const vector3D &b, double sign) {
  const double terms[3] = {static_cast<double>(a.x) * b.x, static_cast<double>(a.y) * b.y,
                           static_cast<double>(a.z) * b.z};
  const double magnitude = std::fabs(terms[0]) + std::fabs(terms[1]) + std::fabs(terms[2]);
  return {sign * (terms[0] + terms[1] + terms[2]), 4 * magnitude * std::ldexp(1.0, -24)};
}

// Rows side, up, -travel; translation the rotation applied to -p.
ExpectedBlock ride_along_view_block(const vector3D &travel, const vector3D &p) {
  const vector3D up = {0, 1, 0};
  const vector3D side = cross(travel, up);
  return from_rows(kViewTitle,
                   {{{exact(side.x), exact(side.y), exact(side.z), gl_dot(side, p, -1)},
                     {exact(up.x), exact(up.y), exact(up.z), gl_dot(up, p, -1)},
                     {exact(-travel.x), exact(-travel.y), exact(-travel.z), gl_dot(travel, p, 1)},
                     {exact(0), exact(0), exact(0), exact(1)}}});
}

// Columns travel, up, travel x up and p, which the GL only copies.
ExpectedBlock first_teapot_block(const vector3D &travel, const vector3D &p) {
  const vector3D up = {0, 1, 0};
  const vector3D side = cross(travel, up);
  return from_rows(kFirstTeapotTitle, {{{exact(travel.x), exact(up.x), exact(side.x), exact(p.x)},
                                        {exact(travel.y), exact(up.y), exact(side.y), exact(p.y)},
                                        {exact(travel.z), exact(up.z), exact(side.z), exact(p.z)},
                                        {exact(0), exact(0), exact(0), exact(1)}}});
}

// The ring as the test expects it, stepped once per frame.
struct RingModel {
  vector3D ring[kTeapotCount];
  bool ride_along = false;

  // Steps every teapot and returns the two blocks of the frame.
  std::vector<ExpectedBlock> frame() {
    const vector3D before = ring[0];
    vector3D travel0;
    vector3D ignored;
    TrayectoriaTetera(&ring[0], &travel0, kSpeed);
    for (int i = 1; i < kTeapotCount; ++i) TrayectoriaTetera(&ring[i], &ignored, kSpeed);
    if (ride_along) {
      return {ride_along_view_block(travel0, ring[0]), first_teapot_block(travel0, ring[0])};
    }
    return {observer_view_block(), first_teapot_block({1, 0, 0}, before)};
  }
};

// A character key, or an arrow key written as <, >, ^ or _.
void press(char k) {
  switch (k) {
    case '<':
      return special(GLUT_KEY_LEFT, 0, 0);
    case '>':
      return special(GLUT_KEY_RIGHT, 0, 0);
    case '^':
      return special(GLUT_KEY_UP, 0, 0);
    case '_':
      return special(GLUT_KEY_DOWN, 0, 0);
    default:
      return key(static_cast<unsigned char>(k), 0, 0);
  }
}

class PrintoutTest : public ViewerTest {};

TEST_F(PrintoutTest, FirstFrameInTheObserverView) {
  const std::string text = capture_stdout(draw_scene);

  EXPECT_TRUE(
      printout_matches(text, {observer_view_block(), first_teapot_block({1, 0, 0}, {2, 0, 0})}));
  // The first-teapot block of the first frame, character for character.
  const std::string first_teapot =
      "\nMatriz Primera tetera \n"
      "\n1.000000\t0.000000\t0.000000\t2.000000\t"
      "\n0.000000\t1.000000\t0.000000\t0.000000\t"
      "\n0.000000\t0.000000\t1.000000\t0.000000\t"
      "\n0.000000\t0.000000\t0.000000\t1.000000\t";
  ASSERT_GE(text.size(), first_teapot.size());
  EXPECT_EQ(text.substr(text.size() - first_teapot.size()), first_teapot);
  EXPECT_EQ(text.rfind(kViewTitle, 0), 0u) << "the output opens with a line break and the title";
}

struct FrameSequence {
  std::string name;
  std::vector<std::string> keys_before_frame;  // one entry per frame
};

TEST_F(PrintoutTest, FramesAcrossViewSwitchesStepTeapotZeroOnce) {
  const FrameSequence sequences[] = {
      {"observer, three frames", {"", "", ""}},
      {"ride-along, three frames", {"m", "", ""}},
      {"observer, ride-along, observer", {"", "m", "m"}},
      {"ride-along, observer, ride-along", {"m", "m", "m"}},
      {"m twice between frames changes nothing", {"", "mm", ""}},
      {"projection keys and arrows between frames", {"fd<", "sa^", "m>_"}},
      {"ten frames riding along", {"m", "", "", "", "", "", "", "", "", ""}},
  };
  const ViewerState start = capture_viewer_state();
  for (const FrameSequence &sequence : sequences) {
    SCOPED_TRACE(sequence.name);
    restore_viewer_state(start);
    reshape(400, 400);
    RingModel model;
    std::memcpy(model.ring, tetera, sizeof model.ring);

    std::vector<ExpectedBlock> expected;
    int frame = 0;
    const std::string text = capture_stdout([&] {
      for (const std::string &keys : sequence.keys_before_frame) {
        ++frame;
        for (char k : keys) {
          press(k);
          if (k == 'm') model.ride_along = !model.ride_along;
        }
        draw_scene();
        for (const ExpectedBlock &b : model.frame()) expected.push_back(b);
        EXPECT_EQ(std::memcmp(tetera, model.ring, sizeof model.ring), 0)
            << "after frame " << frame << " the ring is not one step further";
        EXPECT_EQ(read_gl_matrix(GL_MODELVIEW_MATRIX), identity_matrix()) << "frame " << frame;
      }
    });
    // Frames follow each other with no empty line and nothing in between.
    EXPECT_TRUE(printout_matches(text, expected));
  }
}

}  // namespace
