#include "reference_matrices.h"

#include <GL/gl.h>

#include <cmath>
#include <sstream>

namespace {

constexpr double kPi = 3.14159265358979323846;

Vec3 normalized(const Vec3 &v) {
  const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x / length, v.y / length, v.z / length};
}

Vec3 cross(const Vec3 &a, const Vec3 &b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Vec3 &a, const Vec3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

std::string describe(const Mat4 &m) {
  std::ostringstream out;
  out.precision(10);
  for (int r = 0; r < 4; ++r) {
    out << "\n  ";
    for (int c = 0; c < 4; ++c) out << m[4 * c + r] << "  ";
  }
  return out.str();
}

}  // namespace

Mat4 identity_matrix() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Mat4 multiply(const Mat4 &a, const Mat4 &b) {
  Mat4 p{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += a[4 * k + r] * b[4 * c + k];
      p[4 * c + r] = sum;
    }
  }
  return p;
}

Vec3 transform_point(const Mat4 &m, const Vec3 &p) {
  const double w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
  return {(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12]) / w,
          (m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13]) / w,
          (m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]) / w};
}

Vec3 widen(const vector3D &v) { return {v.x, v.y, v.z}; }

Mat4 perspective_matrix(double fovy_degrees, double aspect, double near, double far) {
  const double half = fovy_degrees / 2.0 * kPi / 180.0;
  if (std::sin(half) == 0.0 || aspect == 0.0) return identity_matrix();
  const double f = std::cos(half) / std::sin(half);
  Mat4 m{};
  m[0] = f / aspect;
  m[5] = f;
  m[10] = -(far + near) / (far - near);
  m[11] = -1.0;
  m[14] = -2.0 * near * far / (far - near);
  return m;
}

Mat4 frustum_matrix(double left, double right, double bottom, double top, double near, double far) {
  Mat4 m{};
  m[0] = 2.0 * near / (right - left);
  m[5] = 2.0 * near / (top - bottom);
  m[8] = (right + left) / (right - left);
  m[9] = (top + bottom) / (top - bottom);
  m[10] = -(far + near) / (far - near);
  m[11] = -1.0;
  m[14] = -2.0 * far * near / (far - near);
  return m;
}

Mat4 look_at_matrix(const Vec3 &eye, const Vec3 &centre, const Vec3 &up) {
  const Vec3 forward = normalized({centre.x - eye.x, centre.y - eye.y, centre.z - eye.z});
  const Vec3 side = normalized(cross(forward, up));
  const Vec3 true_up = cross(side, forward);
  Mat4 m = identity_matrix();
  const Vec3 rows[3] = {side, true_up, {-forward.x, -forward.y, -forward.z}};
  for (int r = 0; r < 3; ++r) {
    m[r] = rows[r].x;
    m[4 + r] = rows[r].y;
    m[8 + r] = rows[r].z;
    m[12 + r] = -dot(rows[r], eye);
  }
  return m;
}

Mat4 rotation_y_matrix(double degrees) {
  const double a = degrees * kPi / 180.0;
  Mat4 m = identity_matrix();
  m[0] = std::cos(a);
  m[2] = -std::sin(a);
  m[8] = std::sin(a);
  m[10] = std::cos(a);
  return m;
}

Mat4 translation_matrix(const Vec3 &t) {
  Mat4 m = identity_matrix();
  m[12] = t.x;
  m[13] = t.y;
  m[14] = t.z;
  return m;
}

::testing::AssertionResult matrices_near(const Mat4 &actual, const Mat4 &expected, double relative,
                                         double absolute) {
  for (int i = 0; i < 16; ++i) {
    const double allowed = relative * std::fabs(expected[i]) + absolute;
    if (!(std::fabs(actual[i] - expected[i]) <= allowed)) {
      return ::testing::AssertionFailure()
             << "element " << i << " (row " << i % 4 << ", column " << i / 4 << ") is " << actual[i]
             << ", expected " << expected[i] << "\nactual:" << describe(actual)
             << "\nexpected:" << describe(expected);
    }
  }
  return ::testing::AssertionSuccess();
}

Mat4 read_gl_matrix(unsigned int pname) {
  Mat4 m{};
  glGetDoublev(pname, m.data());
  return m;
}
