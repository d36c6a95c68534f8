// Tests of the teapot table and the orbit step: bit for bit against the step
// written out from its definition, the named first steps in closed form, the
// geometry of the motion, and the drift of the radius over a long run.
#include "teapot_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iostream>
#include <limits>

#include "float_compare.h"
#include "reference_vector_math.h"

namespace {

constexpr float kSpeed = 0.4f;  // what every caller passes
constexpr double kPi = 3.14159265358979323846;

using ref::to_float;
using ref::wide;

struct Step {
  vector3D position;
  vector3D travel;
};

// The orbit step from its definition: radius and azimuth from x and z, the
// azimuth advanced and rounded, the new x and z from double sine and cosine,
// travel = position x up normalised, and the bobbing height last.
Step reference_step(vector3D position, float speed) {
  position.y = 0.0f;
  const float radius = ref::module3D(position);
  float angle = to_float(std::atan2(wide(position.z), wide(position.x)));
  angle = to_float(wide(angle) + wide(speed) * 0.5);
  position.x = to_float(std::cos(wide(angle)) * wide(radius));
  position.z = to_float(std::sin(wide(angle)) * wide(radius));
  const vector3D up = {0.0f, 1.0f, 0.0f};
  const vector3D travel = ref::normalize3D(ref::vector_prod3D(position, up));
  position.y = to_float((std::cos(wide(angle) * 3.0) + 1.0) * 0.5);
  return {position, travel};
}

// The position after one step from an azimuth already rounded to float, for
// the closed forms of the first steps.
vector3D position_at(float angle, float radius) {
  return {to_float(std::cos(wide(angle)) * wide(radius)),
          to_float((std::cos(wide(angle) * 3.0) + 1.0) * 0.5),
          to_float(std::sin(wide(angle)) * wide(radius))};
}

double horizontal_radius(const vector3D &p) {
  return std::sqrt(wide(p.x) * wide(p.x) + wide(p.z) * wide(p.z));
}

// Every test that steps a teapot works on the real table and puts it back.
class OrbitStep : public ::testing::Test {
 protected:
  void SetUp() override { std::copy(tetera, tetera + kTeapotCount, saved_); }
  void TearDown() override { std::copy(saved_, saved_ + kTeapotCount, tetera); }

  static Step step(int teapot, float speed = kSpeed) {
    Step out;
    TrayectoriaTetera(&tetera[teapot], &out.travel, speed);
    out.position = tetera[teapot];
    return out;
  }
  const vector3D &initial(int teapot) const { return saved_[teapot]; }

 private:
  vector3D saved_[kTeapotCount];
};

TEST(TeapotRing, InitialTable) {
  const vector3D expected[kTeapotCount] = {
      {2, 0, 0},        {0, 0, 2},        {-2, 0, 0},        {0, 0, -2},
      {1.4f, 0, -1.4f}, {-1.4f, 0, 1.4f}, {-1.4f, 0, -1.4f}, {1.4f, 0, 1.4f},
  };
  for (int i = 0; i < kTeapotCount; ++i) EXPECT_SAME_VECTOR(expected[i], tetera[i]) << i;
}

TEST_F(OrbitStep, MatchesDefinitionStepAfterStep) {
  const float speeds[] = {kSpeed, 0.0f, -kSpeed, 1.0f, -2.5f, 7.0f};
  for (float speed : speeds) {
    for (int t = 0; t < kTeapotCount; ++t) {
      tetera[t] = initial(t);
      // Two full turns at the usual speed, crossing the +-pi seam twice.
      for (int n = 1; n <= 64; ++n) {
        const Step expected = reference_step(tetera[t], speed);
        const Step got = step(t, speed);
        const auto position =
            SameVectorFormat("reference", "position", expected.position, got.position);
        const auto travel = SameVectorFormat("reference", "travel", expected.travel, got.travel);
        if (!position || !travel) {
          ADD_FAILURE() << "teapot " << t << ", speed " << speed << ", step " << n << "\n"
                        << position.message() << "\n"
                        << travel.message();
          break;
        }
      }
    }
  }
}

TEST_F(OrbitStep, FirstTwoStepsOfTeapot0) {
  const Step first = step(0);
  const float a1 = 0.2f;  // 0 + 0.4f * 0.5 is exactly the float 0.2f
  EXPECT_SAME_VECTOR(position_at(a1, 2.0f), first.position);
  EXPECT_SAME_VECTOR(reference_step(initial(0), kSpeed).travel, first.travel);
  EXPECT_LE(ulp_distance(to_float(-std::sin(wide(a1))), first.travel.x), 1);
  EXPECT_SAME_FLOAT(0.0f, first.travel.y);
  EXPECT_LE(ulp_distance(to_float(std::cos(wide(a1))), first.travel.z), 1);

  const Step second = step(0);
  EXPECT_SAME_VECTOR(reference_step(first.position, kSpeed).position, second.position);
  // Close to (2 cos 0.4, (1 + cos 1.2) / 2, 2 sin 0.4).
  const vector3D closed_form = position_at(0.4f, 2.0f);
  EXPECT_LE(ulp_distance(closed_form.x, second.position.x), 2);
  EXPECT_LE(ulp_distance(closed_form.y, second.position.y), 2);
  EXPECT_LE(ulp_distance(closed_form.z, second.position.z), 2);
}

// Teapot 2 sits on the seam with z = +0: the arc tangent gives +pi, not -pi,
// and the step carries it past pi to negative z.
TEST_F(OrbitStep, Teapot2CrossesTheSeamToNegativeZ) {
  ASSERT_FALSE(std::signbit(tetera[2].z));
  const Step first = step(2);
  const float angle = to_float(wide(to_float(kPi)) + 0.2f);
  EXPECT_SAME_VECTOR(position_at(angle, 2.0f), first.position);
  EXPECT_LT(first.position.z, 0.0f);
  EXPECT_NEAR(-2 * std::cos(0.2), first.position.x, 1e-6);
  EXPECT_NEAR((1 - std::cos(0.6)) / 2, first.position.y, 1e-6);
  EXPECT_NEAR(-2 * std::sin(0.2), first.position.z, 1e-6);
}

TEST_F(OrbitStep, Teapot3TurnsTowardPlusX) {
  const Step first = step(3);
  const float angle = to_float(wide(to_float(-kPi / 2)) + 0.2f);
  EXPECT_SAME_VECTOR(position_at(angle, 2.0f), first.position);
  EXPECT_NEAR(2 * std::sin(0.2), first.position.x, 1e-6);
  EXPECT_NEAR((1 - std::sin(0.6)) / 2, first.position.y, 1e-6);
  EXPECT_NEAR(-2 * std::cos(0.2), first.position.z, 1e-6);
}

TEST_F(OrbitStep, SpeedZeroStaysPutButSetsHeightAndTravel) {
  const Step at_start = step(0, 0.0f);
  EXPECT_SAME_VECTOR((vector3D{2, 1, 0}), at_start.position);
  EXPECT_SAME_VECTOR((vector3D{0, 0, 1}), at_start.travel);

  for (int t = 0; t < kTeapotCount; ++t) {
    const vector3D start = initial(t);
    const Step s = step(t, 0.0f);
    const double tolerance = 2 * float_ulp(to_float(horizontal_radius(start)));
    EXPECT_NEAR(start.x, s.position.x, tolerance) << t;
    EXPECT_NEAR(start.z, s.position.z, tolerance) << t;
    const double azimuth = std::atan2(start.z, start.x);
    EXPECT_NEAR((1 + std::cos(3 * azimuth)) / 2, s.position.y, 1e-6) << t;
  }
}

// travel depends on the new position alone: it points toward increasing
// azimuth whichever way the teapot turned.
TEST_F(OrbitStep, TravelPointsTowardIncreasingAzimuthWhateverTheSpeed) {
  const Step back = step(0, -kSpeed);
  EXPECT_LT(back.position.z, 0.0f) << "turned toward -z";
  EXPECT_NEAR(std::sin(0.2), back.travel.x, 1e-7);
  EXPECT_NEAR(std::cos(0.2), back.travel.z, 1e-7);

  for (float speed : {kSpeed, -kSpeed, 1.0f, -1.0f}) {
    for (int t = 0; t < kTeapotCount; ++t) {
      tetera[t] = initial(t);
      const Step s = step(t, speed);
      const double moved = wide(s.travel.x) * (wide(s.position.x) - initial(t).x) +
                           wide(s.travel.z) * (wide(s.position.z) - initial(t).z);
      EXPECT_EQ(speed > 0, moved > 0) << "teapot " << t << ", speed " << speed;
    }
  }
}

TEST_F(OrbitStep, HeightHeldBeforeTheCallHasNoInfluence) {
  const float held[] = {-0.0f,
                        1.0f,
                        -7.5f,
                        1e30f,
                        std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN()};
  for (int t = 0; t < kTeapotCount; ++t) {
    tetera[t] = initial(t);
    const Step from_zero = step(t);
    for (float y : held) {
      tetera[t] = {initial(t).x, y, initial(t).z};
      const Step s = step(t);
      EXPECT_SAME_VECTOR(from_zero.position, s.position) << "teapot " << t << ", y " << y;
      EXPECT_SAME_VECTOR(from_zero.travel, s.travel) << "teapot " << t << ", y " << y;
    }
  }
}

// Geometry of the motion, independent of the rounding points: 0.2 radian per
// step toward increasing azimuth, unit horizontal tangent, three bobs a turn.
TEST_F(OrbitStep, MotionIsATangentTravelAndABobbingHeight) {
  for (int t = 0; t < kTeapotCount; ++t) {
    double azimuth = std::atan2(initial(t).z, initial(t).x);
    for (int n = 1; n <= 64; ++n) {
      SCOPED_TRACE(::testing::Message() << "teapot " << t << ", step " << n);
      const Step s = step(t);
      const double theta = std::atan2(s.position.z, s.position.x);
      EXPECT_NEAR(0.2, std::remainder(theta - azimuth, 2 * kPi), 1e-6);
      azimuth = theta;

      EXPECT_EQ(0.0f, s.travel.y);
      const double length = std::hypot(wide(s.travel.x), wide(s.travel.z));
      EXPECT_NEAR(1.0, length, FLT_EPSILON);
      EXPECT_NEAR(-std::sin(theta), s.travel.x, 2e-7);
      EXPECT_NEAR(std::cos(theta), s.travel.z, 2e-7);

      EXPECT_NEAR((1 + std::cos(3 * theta)) / 2, s.position.y, 1e-6);
      EXPECT_GE(s.position.y, 0.0f);
      EXPECT_LE(s.position.y, 1.0f);
    }
  }
}

// Over the first turn every radius, 2 or the float of 1.4 * sqrt(2), stays
// within one float of where it started.
TEST_F(OrbitStep, RadiusHeldToFloatPrecisionOverOneTurn) {
  for (int t = 0; t < kTeapotCount; ++t) {
    const float start = ref::module3D(initial(t));
    for (int n = 1; n <= 32; ++n) {
      const Step s = step(t);
      const vector3D flat = {s.position.x, 0.0f, s.position.z};
      EXPECT_LE(ulp_distance(start, ref::module3D(flat)), 1) << "teapot " << t << ", step " << n;
    }
  }
  EXPECT_SAME_FLOAT(to_float(1.4 * std::sqrt(2.0)), ref::module3D(initial(4)));
}

// Nothing pulls the radius back, so over many steps it wanders in its last
// bits. The bound leaves a margin above the largest drift measured here
// (about 109 float ulps in 100,000 steps, for teapot 6).
TEST_F(OrbitStep, RadiusDriftOverALongRun) {
  constexpr int kSteps = 100000;
  constexpr double kBoundUlps = 256;
  double worst = 0;
  int worst_teapot = -1;
  for (int t = 0; t < kTeapotCount; ++t) {
    const double start = horizontal_radius(initial(t));
    const double ulp = float_ulp(to_float(start));
    for (int n = 0; n < kSteps; ++n) {
      step(t);
      const double drift = std::fabs(horizontal_radius(tetera[t]) - start) / ulp;
      if (drift > worst) {
        worst = drift;
        worst_teapot = t;
      }
    }
  }
  RecordProperty("max_radius_drift_ulps", std::to_string(worst));
  std::cout << "largest radius drift over " << kSteps << " steps: " << worst << " ulps (teapot "
            << worst_teapot << ")\n";
  EXPECT_LE(worst, kBoundUlps);
}

}  // namespace
