// A seeded storm of window sizes handed straight to reshape in a real GL
// context, from 0 x 0 past the GL's largest viewport, with the view settings
// shuffled in between: the viewport follows every size (as far as the GL's
// limit lets it), the aspect ratio stays finite, and the projection is the
// finite perspective for that ratio, whatever the projection mode; the next
// frustum key then installs the frustum over the same viewport.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "callbacks.h"
#include "render_state.h"

namespace {

constexpr double kNear = 0.1;
constexpr double kFar = 40.0;
constexpr double kFrustumHalfExtent = 0.7;
constexpr int kRandomSizes = 600;

using Matrix = std::array<GLfloat, 16>;

struct Size {
  int width;
  int height;
};

std::string describe(const Size &s) {
  std::ostringstream out;
  out << s.width << "x" << s.height << " (fov " << fov << ", posf " << posf << ", frustrum "
      << int(frustrum) << ", eje_aspect " << int(eje_aspect) << ")";
  return out.str();
}

Matrix current_matrix(GLenum which) {
  Matrix m;
  glGetFloatv(which, m.data());
  return m;
}

bool all_finite(const Matrix &m) {
  return std::all_of(m.begin(), m.end(), [](GLfloat v) { return std::isfinite(v); });
}

std::uint32_t bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

// Within n float steps of each other (both finite and of the same sign).
bool within_ulps(float a, float b, std::uint32_t n) {
  if (a == b) return true;
  if ((a < 0) != (b < 0)) return false;
  const std::uint32_t x = bits(a), y = bits(b);
  return (x > y ? x - y : y - x) <= n;
}

// The perspective that GLU builds for a field of view and aspect ratio; GLU
// leaves the identity when the sine of the half angle or the ratio is 0.
Matrix expected_perspective(double fov_degrees, double aspect) {
  Matrix m = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const double radians = fov_degrees / 2 * M_PI / 180;
  const double sine = std::sin(radians);
  if (sine == 0 || aspect == 0) return m;
  const double cotangent = std::cos(radians) / sine;
  m[0] = static_cast<float>(cotangent / aspect);
  m[5] = static_cast<float>(cotangent);
  m[10] = static_cast<float>(-(kFar + kNear) / (kFar - kNear));
  m[11] = -1;
  m[14] = static_cast<float>(-2 * kNear * kFar / (kFar - kNear));
  m[15] = 0;
  return m;
}

Matrix expected_frustum(double shift) {
  const double left = shift - kFrustumHalfExtent, right = shift + kFrustumHalfExtent;
  const double bottom = -kFrustumHalfExtent, top = kFrustumHalfExtent;
  const double near = 1.0;
  Matrix m = {};
  m[0] = static_cast<float>(2 * near / (right - left));
  m[5] = static_cast<float>(2 * near / (top - bottom));
  m[8] = static_cast<float>((right + left) / (right - left));
  m[9] = static_cast<float>((top + bottom) / (top - bottom));
  m[10] = static_cast<float>(-(kFar + near) / (kFar - near));
  m[11] = -1;
  m[14] = static_cast<float>(-2 * kFar * near / (kFar - near));
  return m;
}

void expect_matrix_near(const Matrix &got, const Matrix &want, const std::string &where) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_TRUE(within_ulps(got[i], want[i], 2))
        << where << ": element " << i << " is " << got[i] << ", expected " << want[i];
  }
}

// The GL may take glFrustum's edges in single precision, which costs the
// difference of two shifted edges a few float steps of the shift.
void expect_matrix_close(const Matrix &got, const Matrix &want, double relative,
                         const std::string &where) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(got[i], want[i], relative * std::max(1.0, std::fabs(double(want[i]))))
        << where << ": element " << i;
  }
}

class ReshapeStorm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static char name[] = "robust_reshape_storm";
    static char *argv[] = {name, nullptr};
    int argc = 1;
    start_viewer(&argc, argv);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, max_viewport_);
  }

  // One reshape and everything that must hold after it.
  void reshape_and_check(const Size &s) {
    const std::string where = describe(s);
    reshape(s.width, s.height);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << where;

    const float ratio =
        static_cast<float>(static_cast<double>(s.width) / (s.height == 0 ? 1 : s.height));
    EXPECT_EQ(bits(aspecto), bits(ratio)) << where;
    EXPECT_TRUE(std::isfinite(aspecto)) << where;

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0) << where;
    EXPECT_EQ(viewport[1], 0) << where;
    EXPECT_EQ(viewport[2], std::min(s.width, max_viewport_[0])) << where;
    EXPECT_EQ(viewport[3], std::min(s.height, max_viewport_[1])) << where;

    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW) << where;
    const Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(current_matrix(GL_MODELVIEW_MATRIX), identity) << where;

    // Perspective mode, whatever frustrum holds.
    const Matrix projection = current_matrix(GL_PROJECTION_MATRIX);
    EXPECT_TRUE(all_finite(projection)) << where;
    expect_matrix_near(projection, expected_perspective(fov, eje_aspect ? ratio : 1.0), where);

    if (frustrum) {
      actualiza_perspectiva();
      const Matrix frustum = current_matrix(GL_PROJECTION_MATRIX);
      EXPECT_TRUE(all_finite(frustum)) << where;
      if (std::fabs(posf) <= 100) {
        expect_matrix_close(frustum, expected_frustum(posf), 1e-5, where + ", frustum key");
      }
      GLint after[4];
      glGetIntegerv(GL_VIEWPORT, after);
      EXPECT_TRUE(std::equal(after, after + 4, viewport)) << where << ", frustum key";
    }
  }

  static GLint max_viewport_[2];
};

GLint ReshapeStorm::max_viewport_[2];

TEST_F(ReshapeStorm, EdgeSizes) {
  const int w = max_viewport_[0], h = max_viewport_[1];
  const Size sizes[] = {
      {0, 0},     {0, 1},         {1, 0},     {1, 1},       {1, h},       {w, 1},
      {w, h},     {w + 1, h + 1}, {2 * w, 3}, {INT_MAX, 1}, {1, INT_MAX}, {INT_MAX, INT_MAX},
      {400, 400}, {800, 400},
  };
  for (unsigned char mode : {0, 1}) {
    frustrum = mode;
    for (const Size &s : sizes) reshape_and_check(s);
  }
  frustrum = 0;
}

TEST_F(ReshapeStorm, SeededStormWithShuffledSettings) {
  std::mt19937 rng(20240611);
  const float fovs[] = {60, 0, -5, 5, 90, 175, 180, 185, 360, 3600, -3600};
  const float shifts[] = {0.0f, 0.1f, -0.1f, 1.0f, -100.0f, 100.0f, 1e6f};
  const int limit = 2 * std::max(max_viewport_[0], max_viewport_[1]);
  for (int n = 0; n < kRandomSizes; ++n) {
    fov = fovs[rng() % std::size(fovs)];
    posf = shifts[rng() % std::size(shifts)];
    frustrum = rng() % 2;
    eje_aspect = rng() % 2;
    // Half the sizes small, where the ratio changes fastest.
    const int range = rng() % 2 ? 64 : limit;
    reshape_and_check(
        {static_cast<int>(rng() % (range + 1)), static_cast<int>(rng() % (range + 1))});
    if (HasFailure()) break;  // one size is enough to show a fault
  }
  fov = 60;
  posf = 0;
  frustrum = 0;
  eje_aspect = 1;
}

}  // namespace
