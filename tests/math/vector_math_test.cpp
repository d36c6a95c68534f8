// Exact tests of the vector library. Each operation is checked bit for bit
// against its reference (reference_vector_math.h) over a table of operands
// chosen so that a rounding point moved, added or dropped changes some result,
// and against values that are exact by construction.
#include "vector_math.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "float_compare.h"
#include "reference_vector_math.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr double kPi = 3.14159265358979323846;
const vector3D kOrigin = {0.0f, 0.0f, 0.0f};

struct PairCase {
  const char *what;
  vector3D a;
  vector3D b;
};

// Operand pairs shared by the two-vector operations.
const PairCase kPairs[] = {
    {"small integers", {0, 0, 0}, {3, 4, 12}},
    {"decimal coordinates", {0.1f, 0.2f, 0.3f}, {-1.7f, 2.9f, 0.05f}},
    {"differences that round to float", {0.1f, 0.2f, 0}, {1e-6f, 1e-6f, 0}},
    {"a difference rounding away a tiny term", {0.1f, 0, 0}, {7e-6f, 7e-6f, 0}},
    {"only the x difference rounds", {0.2f, 0.1f, 0}, {2e-6f, 0, 0}},
    {"only the y difference rounds", {0.1f, 0.2f, 0}, {0, 2e-6f, 0}},
    {"only the z difference rounds", {0, 0.1f, 0.2f}, {0, 0, 2e-6f}},
    {"integers with an inexact length", {6, 2, 11}, {0, 0, 0}},
    {"mixed signs", {3, 5, -4}, {-1.25f, 0.5f, 2}},
    {"tiny components", {1e-30f, 0, 0}, {0, -1e-30f, 0}},
    {"huge components", {3e38f, 0, 0}, {0, 0, -1e38f}},
    {"a difference that overflows float", {3e38f, 0, 0}, {-3e38f, 0, 0}},
    {"signed zeros", {-0.0f, 0, -0.0f}, {0, -0.0f, 0}},
    {"far-apart magnitudes", {1e20f, 1, 1e-20f}, {-1, 1e10f, 3}},
    {"near-cancelling products", {0, 1 + FLT_EPSILON, 1}, {0, 1, 1 - FLT_EPSILON / 2}},
};

// Vectors for the one-vector operations.
const vector3D kVectors[] = {
    {3, 4, 12},       {4, 1, 0},
    {6, 2, 11},       {3, 5, -4},
    {1, 1, 2},        {-1, 0, 9},
    {9, -5, -4},      {0.1f, 0.2f, 0.3f},
    {-0.0f, 3, 4},    {1e-30f, 0, 0},
    {3e38f, 0, 0},    {3e38f, 3e38f, 0},
    {1e-40f, 0, 0},   {1e-20f, 1e-20f, 1e-20f},
    {-2, 1.5f, 0.3f}, {2e38f, 2e38f, 2e38f},
};

// ---- m_distance3D and m_distance2D ----

TEST(Distance3D, MatchesDefinitionInBothOrders) {
  for (const PairCase &c : kPairs) {
    SCOPED_TRACE(c.what);
    const float forward = m_distance3D(&c.a, &c.b);
    EXPECT_SAME_FLOAT(ref::distance3D(c.a, c.b), forward);
    // The differences of b - a only change sign, so the result is the same bits.
    EXPECT_SAME_FLOAT(forward, m_distance3D(&c.b, &c.a));
  }
}

TEST(Distance3D, ExactResults) {
  const struct {
    vector3D a, b;
    float expected;
  } cases[] = {
      {{0, 0, 0}, {3, 4, 12}, 13.0f},
      {{1, 1, 1}, {-1, 2, 3}, 3.0f},
      {{1.5f, -2, 7}, {1.5f, -2, 7}, 0.0f},
      {{1e-30f, 0, 0}, {0, 0, 0}, 1e-30f},    // the square underflows float, not double
      {{3e38f, 0, 0}, {0, 0, 0}, 3e38f},      // the square overflows float, not double
      {{3e38f, 0, 0}, {-3e38f, 0, 0}, kInf},  // the float difference itself overflows
  };
  for (const auto &c : cases) EXPECT_SAME_FLOAT(c.expected, m_distance3D(&c.a, &c.b));
}

TEST(Distance2D, MatchesDefinitionInBothOrders) {
  const float cases[][4] = {
      {0, 0, 3, 4},
      {0.2f, 0.1f, 2e-6f, 0},
      {0.1f, 0.2f, 0, 2e-6f},
      {0.1f, 0.2f, 1e-6f, 1e-6f},
      {0.1f, 0, 7e-6f, 7e-6f},
      {-1.7f, 2.9f, 0.05f, 0.3f},
      {1e-30f, 0, 0, 1e-30f},
      {3e38f, 0, 0, 3e38f},
      {3e38f, 1, -3e38f, 1},
      {-0.0f, 0, 0, -0.0f},
  };
  for (const auto &c : cases) {
    const float forward = m_distance2D(c[0], c[1], c[2], c[3]);
    EXPECT_SAME_FLOAT(ref::distance2D(c[0], c[1], c[2], c[3]), forward);
    EXPECT_SAME_FLOAT(forward, m_distance2D(c[2], c[3], c[0], c[1]));
  }
  EXPECT_SAME_FLOAT(5.0f, m_distance2D(0, 0, 3, 4));
  EXPECT_SAME_FLOAT(3e38f, m_distance2D(3e38f, 0, 0, 0));
  EXPECT_SAME_FLOAT(kInf, m_distance2D(3e38f, 1, -3e38f, 1));
}

// ---- m_module3D ----

TEST(Module3D, MatchesDefinition) {
  for (const vector3D &v : kVectors) EXPECT_SAME_FLOAT(ref::module3D(v), m_module3D(&v));
}

TEST(Module3D, ExactResults) {
  const struct {
    vector3D v;
    float expected;
  } cases[] = {
      {{3, 4, 12}, 13.0f},           {{-3, 0, -4}, 5.0f},
      {{3e38f, 0, 0}, 3e38f},         // no overflow before the root
      {{1e-30f, 0, 0}, 1e-30f},       // no underflow before the root
      {{0, 0, -1e-40f}, 1e-40f},      // a subnormal float comes back exactly
      {{2e38f, 2e38f, 2e38f}, kInf},  // a length beyond the float range
      {{-0.0f, -0.0f, 0}, 0.0f},
  };
  for (const auto &c : cases) EXPECT_SAME_FLOAT(c.expected, m_module3D(&c.v));
}

// ---- m_normalize3D and m_normalize2D ----

TEST(Normalize3D, MatchesDefinition) {
  for (const vector3D &v : kVectors) {
    vector3D n = v;
    m_normalize3D(&n);
    EXPECT_SAME_VECTOR(ref::normalize3D(v), n)
        << "from (" << v.x << ", " << v.y << ", " << v.z << ")";
  }
}

TEST(Normalize3D, EdgeResults) {
  const struct {
    const char *what;
    vector3D v, expected;
  } cases[] = {
      {"tiny", {1e-30f, 0, 0}, {1, 0, 0}},
      {"axis", {0, -5, 0}, {0, -1, 0}},
      {"keeps a negative zero", {-0.0f, 0, 0.5f}, {-0.0f, 0, 1}},
      {"length beyond float: scaled by 1/inf", {3e38f, 3e38f, 0}, {0, 0, 0}},
      {"zero vector: 0 * inf", {0, 0, 0}, {kNaN, kNaN, kNaN}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    vector3D n = c.v;
    m_normalize3D(&n);
    EXPECT_SAME_VECTOR(c.expected, n);
  }
}

TEST(Normalize2D, MatchesDefinition) {
  const float cases[][2] = {
      {4, 1},
      {1, 3},
      {1, 4},
      {1, 7},
      {1, 9},
      {3, 4},
      {-6, 2},
      {0.1f, 0.2f},
      {1e-30f, 0},
      {1e-40f, 0},
      {3e38f, 3e38f},
      {-0.0f, 2},
      {1e-20f, -1e-20f},
  };
  for (const auto &c : cases) {
    float expected[2];
    ref::normalize2D(c[0], c[1], &expected[0], &expected[1]);
    float p[3] = {c[0], c[1], 42.0f};
    m_normalize2D(p);
    EXPECT_SAME_FLOAT(expected[0], p[0]) << "from (" << c[0] << ", " << c[1] << ")";
    EXPECT_SAME_FLOAT(expected[1], p[1]) << "from (" << c[0] << ", " << c[1] << ")";
    EXPECT_SAME_FLOAT(42.0f, p[2]) << "only two floats are written";
  }
}

TEST(Normalize2D, EdgeResults) {
  float zero[2] = {0, 0};
  m_normalize2D(zero);
  EXPECT_TRUE(std::isnan(zero[0]) && std::isnan(zero[1]));

  float tiny[2] = {0, -1e-40f};
  m_normalize2D(tiny);
  EXPECT_SAME_FLOAT(0.0f, tiny[0]);
  EXPECT_SAME_FLOAT(-1.0f, tiny[1]);
}

// The two normalisations round at different points, and it shows in the last bit.
TEST(Normalize, ThreeDimensionalIsOneUlpAboveTwoDimensionalFor4And1) {
  vector3D v = {4, 1, 0};
  m_normalize3D(&v);
  float p[2] = {4, 1};
  m_normalize2D(p);

  EXPECT_EQ(1, ulp_distance(v.x, p[0]));
  EXPECT_EQ(1, ulp_distance(v.y, p[1]));
  EXPECT_GT(v.x, p[0]);
  EXPECT_GT(v.y, p[1]);
  EXPECT_SAME_FLOAT(0.0f, v.z);
  // Both approximate (4, 1) / sqrt(17).
  EXPECT_NEAR(4 / std::sqrt(17.0), p[0], 1e-7);
  EXPECT_NEAR(1 / std::sqrt(17.0), p[1], 1e-7);
}

// A length beyond the float range: the 3D length overflows, the 2D one does not.
TEST(Normalize, HugeVectorOnlyTwoDimensionalSurvives) {
  vector3D v = {3e38f, 3e38f, 0};
  m_normalize3D(&v);
  EXPECT_SAME_VECTOR((vector3D{0, 0, 0}), v);

  float p[2] = {3e38f, 3e38f};
  m_normalize2D(p);
  const float half_root2 = static_cast<float>(std::sqrt(0.5));
  EXPECT_SAME_FLOAT(half_root2, p[0]);
  EXPECT_SAME_FLOAT(half_root2, p[1]);
}

// ---- m_diference3D and m_norm_diference3D ----

TEST(Diference3D, MatchesDefinition) {
  for (const PairCase &c : kPairs) {
    vector3D out;
    m_diference3D(&c.a, &c.b, &out);
    EXPECT_SAME_VECTOR(ref::diference3D(c.a, c.b), out) << c.what;
  }
  const vector3D a = {1, 2, 3}, b = {4, 6, 8};
  vector3D out;
  m_diference3D(&a, &b, &out);
  EXPECT_SAME_VECTOR((vector3D{3, 4, 5}), out) << "second argument minus the first";
}

// out may be a or b: each component reads its own components before writing.
TEST(Diference3D, OutputMayBeEitherOperand) {
  for (const PairCase &c : kPairs) {
    SCOPED_TRACE(c.what);
    const vector3D expected = ref::diference3D(c.a, c.b);
    vector3D a = c.a, b = c.b;
    m_diference3D(&a, &b, &a);
    EXPECT_SAME_VECTOR(expected, a);
    a = c.a;
    m_diference3D(&a, &b, &b);
    EXPECT_SAME_VECTOR(expected, b);
  }
  vector3D same = {1.5f, -2, 7};
  m_diference3D(&same, &same, &same);
  EXPECT_SAME_VECTOR((vector3D{0, 0, 0}), same);
}

TEST(NormDiference3D, MatchesDefinition) {
  for (const PairCase &c : kPairs) {
    vector3D out;
    m_norm_diference3D(&c.a, &c.b, &out);
    EXPECT_SAME_VECTOR(ref::norm_diference3D(c.a, c.b), out) << c.what;
  }
  // Normalised with the 3D rounding points, not the 2D ones.
  const vector3D b = {4, 1, 0};
  vector3D out;
  m_norm_diference3D(&kOrigin, &b, &out);
  vector3D by_normalize3D = b;
  m_normalize3D(&by_normalize3D);
  EXPECT_SAME_VECTOR(by_normalize3D, out);
}

TEST(NormDiference3D, PointsFromAToward) {
  const vector3D a = {1, 1, 1}, b = {1, 1, 3};
  vector3D out;
  m_norm_diference3D(&a, &b, &out);
  EXPECT_SAME_VECTOR((vector3D{0, 0, 1}), out);

  m_norm_diference3D(&a, &a, &out);
  EXPECT_SAME_VECTOR((vector3D{kNaN, kNaN, kNaN}), out) << "equal points";
}

TEST(NormDiference3D, OutputMayBeEitherOperand) {
  for (const PairCase &c : kPairs) {
    SCOPED_TRACE(c.what);
    const vector3D expected = ref::norm_diference3D(c.a, c.b);
    vector3D a = c.a, b = c.b;
    m_norm_diference3D(&a, &b, &a);
    EXPECT_SAME_VECTOR(expected, a);
    a = c.a;
    m_norm_diference3D(&a, &b, &b);
    EXPECT_SAME_VECTOR(expected, b);
  }
}

// ---- m_vector_prod_3D and m_dot_prod_3D ----

TEST(VectorProduct, RightHandedBasis) {
  const vector3D x = {1, 0, 0}, y = {0, 1, 0}, z = {0, 0, 1};
  const struct {
    const vector3D *a, *b;
    vector3D expected;
  } cases[] = {
      {&x, &y, {0, 0, 1}},  {&y, &z, {1, 0, 0}}, {&z, &x, {0, 1, 0}},
      {&y, &x, {0, 0, -1}}, {&x, &x, {0, 0, 0}},
  };
  for (const auto &c : cases) {
    vector3D out;
    m_vector_prod_3D(c.a, c.b, &out);
    EXPECT_SAME_VECTOR(c.expected, out);
  }
}

TEST(VectorProduct, MatchesDefinition) {
  for (const PairCase &c : kPairs) {
    vector3D out;
    m_vector_prod_3D(&c.a, &c.b, &out);
    EXPECT_SAME_VECTOR(ref::vector_prod3D(c.a, c.b), out) << c.what;
  }
}

// Products kept in double until the difference: (1 + 2^-23)(1 - 2^-24) - 1
// survives as 2^-24 - 2^-47, which rounding each product to float would lose.
TEST(VectorProduct, EachComponentRoundedOnce) {
  const vector3D a = {0, 1 + FLT_EPSILON, 1}, b = {0, 1, 1 - FLT_EPSILON / 2};
  vector3D out;
  m_vector_prod_3D(&a, &b, &out);
  const double exact_x = (1 + 0x1p-23) * (1 - 0x1p-24) - 1;
  EXPECT_SAME_FLOAT(static_cast<float>(exact_x), out.x);
  EXPECT_NE(0.0f, out.x);
}

TEST(DotProduct, MatchesDefinition) {
  for (const PairCase &c : kPairs) {
    EXPECT_SAME_FLOAT(ref::dot_prod3D(c.a, c.b), m_dot_prod_3D(&c.a, &c.b)) << c.what;
  }
}

TEST(DotProduct, SumRoundedOnceAtTheEnd) {
  const struct {
    const char *what;
    vector3D a, b;
    float expected;
  } cases[] = {
      {"small integers", {1, 2, 3}, {4, 5, 6}, 32.0f},
      {"orthogonal", {1, 0, 0}, {0, 7, 0}, 0.0f},
      {"partial sum beyond float precision", {1e8f, 1, -1e8f}, {1, 1, 1}, 1.0f},
      {"products beyond float precision",
       {1 + FLT_EPSILON, -1, 0},
       {1 - FLT_EPSILON, 1, 0},
       -0x1p-46f},
      {"products beyond the float range", {3e38f, 0, 1}, {3e38f, 0, 0}, kInf},
  };
  for (const auto &c : cases) EXPECT_SAME_FLOAT(c.expected, m_dot_prod_3D(&c.a, &c.b)) << c.what;
}

// ---- m_3D_to_polar and m_polar_to_3D ----

ref::Polar to_polar(const vector3D &p, const vector3D &c) {
  ref::Polar out;
  m_3D_to_polar(&p, &c, &out.radius, &out.azimuth, &out.polar);
  return out;
}

vector3D from_polar(const ref::Polar &polar, const vector3D &c) {
  vector3D out;
  m_polar_to_3D(polar.radius, polar.azimuth, polar.polar, &c, &out);
  return out;
}

void expect_same_polar(const ref::Polar &expected, const ref::Polar &actual) {
  EXPECT_SAME_FLOAT(expected.radius, actual.radius);
  EXPECT_SAME_FLOAT(expected.azimuth, actual.azimuth);
  EXPECT_SAME_FLOAT(expected.polar, actual.polar);
}

const float kQuarterPi = static_cast<float>(kPi / 4);
const float kHalfPi = static_cast<float>(kPi / 2);

TEST(ToPolar, MatchesDefinition) {
  const struct {
    vector3D p, c;
  } cases[] = {
      {{1, 1, 1}, kOrigin},
      {{-1, 1, 1}, kOrigin},
      {{1, -1, 1}, kOrigin},
      {{0, 1, 2}, kOrigin},
      {{0, 1, -2}, kOrigin},
      {{3, 0, 4}, kOrigin},
      {{0, 1, 0}, kOrigin},
      {{1, 2, 3}, {1, 2, 3}},
      {{0.1f, 1, 0.5f}, {1e-6f, 0, 1e-6f}},  // azimuth differences must stay unrounded
      {{0.1f, 0.5f, 0.3f}, kOrigin},         // h / r of the float distances
      {{5, -2, 7}, {1.5f, 0.25f, -3}},
      {{-2.5f, 3, -0.7f}, {0.3f, -1, 2}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "p = (" << c.p.x << ", " << c.p.y << ", " << c.p.z << "), c = (" << c.c.x
                 << ", " << c.c.y << ", " << c.c.z << ")");
    expect_same_polar(ref::to_polar(c.p, c.c), to_polar(c.p, c.c));
  }
}

TEST(ToPolar, NamedAngles) {
  const ref::Polar diagonal = to_polar({1, 1, 1}, kOrigin);
  EXPECT_SAME_FLOAT(static_cast<float>(std::sqrt(3.0)), diagonal.radius);
  EXPECT_SAME_FLOAT(kQuarterPi, diagonal.azimuth);
  EXPECT_LE(ulp_distance(static_cast<float>(std::acos(1 / std::sqrt(3.0))), diagonal.polar), 1);

  // One-argument arc tangent: the opposite direction gives the same tangent.
  EXPECT_SAME_FLOAT(-kQuarterPi, to_polar({-1, 1, 1}, kOrigin).azimuth);
  // The arc sine cannot tell a point below the centre from one above.
  expect_same_polar(diagonal, to_polar({1, -1, 1}, kOrigin));

  EXPECT_SAME_FLOAT(kHalfPi, to_polar({0, 1, 2}, kOrigin).azimuth);
  EXPECT_SAME_FLOAT(-kHalfPi, to_polar({0, 1, -2}, kOrigin).azimuth);

  const ref::Polar level = to_polar({3, 0, 4}, kOrigin);
  EXPECT_SAME_FLOAT(5.0f, level.radius);
  EXPECT_SAME_FLOAT(kHalfPi, level.polar);

  const ref::Polar above = to_polar({0, 1, 0}, kOrigin);
  EXPECT_SAME_FLOAT(1.0f, above.radius);
  EXPECT_TRUE(std::isnan(above.azimuth));
  EXPECT_SAME_FLOAT(0.0f, above.polar);

  const ref::Polar same_point = to_polar({1, 2, 3}, {1, 2, 3});
  EXPECT_SAME_FLOAT(0.0f, same_point.radius);
  EXPECT_TRUE(std::isnan(same_point.azimuth));
  EXPECT_TRUE(std::isnan(same_point.polar));
}

// Both distances come from the same float differences, so h / r never leaves
// the domain of the arc sine, however the coordinates round.
TEST(ToPolar, PolarAngleAlwaysDefinedForDistinctPoints) {
  const float coordinates[] = {-3e37f, -7.3f, -1, -0.1f, -1e-30f, 0, 1e-38f, 0.3f, 1, 2.9f, 1e37f};
  const vector3D centre = {0.1f, -0.2f, 0.3f};
  for (float x : coordinates) {
    for (float y : coordinates) {
      for (float z : coordinates) {
        const vector3D p = {x, y, z};
        const ref::Polar polar = to_polar(p, centre);
        if (polar.radius == 0) continue;
        EXPECT_GE(polar.polar, 0.0f) << x << ' ' << y << ' ' << z;
        EXPECT_LE(polar.polar, kHalfPi) << x << ' ' << y << ' ' << z;
      }
    }
  }
}

struct FromPolarCase {
  float radius, azimuth, polar;
  vector3D c;
};

const FromPolarCase kFromPolarCases[] = {
    {2, 0.01f, 0.17f, kOrigin},  // rounded sines and cosines show in x and z
    {3, 0.5f, 1.2f, {1, 2, 3}},     {1.75f, -2.5f, 0.4f, {-0.5f, 0.25f, 8}},
    {0, 1, 1, {1, 2, 3}},           {1, kHalfPi, kHalfPi, kOrigin},
    {-2, 0.3f, 0.4f, {1, 1, 1}},    {1, kNaN, 0, kOrigin},
    {1e30f, 0.7f, 0.9f, {1, 2, 3}},
};

// The float rounding of sp and cp is what GCC 12's vectorizer once dropped
// (a (double)(float)v pair folded to v); this table catches it coming back.
TEST(FromPolar, MatchesDefinition) {
  for (const FromPolarCase &c : kFromPolarCases) {
    SCOPED_TRACE(::testing::Message()
                 << "r " << c.radius << ", azimuth " << c.azimuth << ", polar " << c.polar);
    EXPECT_SAME_VECTOR(ref::from_polar(c.radius, c.azimuth, c.polar, c.c),
                       from_polar({c.radius, c.azimuth, c.polar}, c.c));
  }
}

TEST(FromPolar, OutputMayBeTheCentre) {
  for (const FromPolarCase &c : kFromPolarCases) {
    SCOPED_TRACE(::testing::Message()
                 << "r " << c.radius << ", azimuth " << c.azimuth << ", polar " << c.polar);
    vector3D centre = c.c;
    m_polar_to_3D(c.radius, c.azimuth, c.polar, &centre, &centre);
    EXPECT_SAME_VECTOR(from_polar({c.radius, c.azimuth, c.polar}, c.c), centre);
  }
  EXPECT_SAME_VECTOR((vector3D{1, 2, 3}), from_polar({0, 1, 1}, {1, 2, 3}));
}

// There and back about a centre gives c + (|dx|, |dy|, sign(dx) * dz): the
// arc tangent folds dx < 0 onto the opposite direction, the arc sine folds dy < 0.
TEST(PolarRoundTrip, ComesBackFoldedIntoDxAndDyPositive) {
  const vector3D centres[] = {kOrigin, {1.5f, -2, 0.25f}};
  const vector3D offsets[] = {
      {1, 1, 1},  {2, 0.5f, -3}, {0.3f, 0, 4},  {-1, 1, 1},     {-2, 0.5f, -3},
      {1, -1, 1}, {-1, -2, -3},  {5, -0.1f, 0}, {-0.25f, 3, 2}, {4, 1, 0},
  };
  for (const vector3D &c : centres) {
    for (const vector3D &d : offsets) {
      const vector3D p = {c.x + d.x, c.y + d.y, c.z + d.z};
      const vector3D back = from_polar(to_polar(p, c), c);
      const double fold = d.x < 0 ? -1.0 : 1.0;
      const double expected[3] = {c.x + std::fabs(d.x), c.y + std::fabs(d.y), c.z + fold * d.z};
      const double got[3] = {back.x, back.y, back.z};
      const double tolerance = 8 * FLT_EPSILON * 6;  // a few roundings at |p|, |c| < 6
      for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(expected[i], got[i], tolerance)
            << "component " << i << " of offset (" << d.x << ", " << d.y << ", " << d.z
            << ") about (" << c.x << ", " << c.y << ", " << c.z << ")";
      }
    }
  }
}

TEST(PolarRoundTrip, NamedMirrorsAndDegenerateOffsets) {
  // dx < 0: mirrored through the vertical line through the centre.
  const vector3D mirrored = from_polar(to_polar({-1, 1, 1}, kOrigin), kOrigin);
  EXPECT_NEAR(1, mirrored.x, 4 * FLT_EPSILON);
  EXPECT_NEAR(1, mirrored.y, 4 * FLT_EPSILON);
  EXPECT_NEAR(-1, mirrored.z, 4 * FLT_EPSILON);

  // dx = 0: the float of pi/2 has a cosine just below zero.
  const vector3D side = from_polar(to_polar({0, 1, 2}, kOrigin), kOrigin);
  EXPECT_LT(side.x, -8e-8f);
  EXPECT_GT(side.x, -1e-7f);
  EXPECT_LE(ulp_distance(1.0f, side.y), 1);
  EXPECT_LE(ulp_distance(2.0f, side.z), 1);

  // Straight above: no azimuth, so x and z are lost.
  const vector3D above = from_polar(to_polar({0, 1, 0}, kOrigin), kOrigin);
  EXPECT_TRUE(std::isnan(above.x));
  EXPECT_SAME_FLOAT(1.0f, above.y);
  EXPECT_TRUE(std::isnan(above.z));

  // The centre itself: no angles at all.
  const vector3D centre = {1, 2, 3};
  const vector3D same = from_polar(to_polar(centre, centre), centre);
  EXPECT_SAME_VECTOR((vector3D{kNaN, kNaN, kNaN}), same);
}

}  // namespace
