// Expected matrices worked out in double precision from their textbook
// definitions, independently of GLU and of the GL, in the GL's column-major
// layout (row r, column c at index 4 * c + r).
#pragma once

#include <gtest/gtest.h>

#include <array>

#include "vector_math.h"

using Mat4 = std::array<double, 16>;

struct Vec3 {
  double x, y, z;
};

Mat4 identity_matrix();
Mat4 multiply(const Mat4 &a, const Mat4 &b);
Vec3 transform_point(const Mat4 &m, const Vec3 &p);
Vec3 widen(const vector3D &v);

// The projection after glLoadIdentity and gluPerspective(fovy, aspect, near,
// far): f = cot(fovy / 2) over aspect and f on the diagonal, then the depth
// terms. GLU leaves the matrix alone (identity here) when the sine of the half
// angle or the aspect ratio is zero.
Mat4 perspective_matrix(double fovy_degrees, double aspect, double near, double far);

// The projection after glLoadIdentity and glFrustum with these planes.
Mat4 frustum_matrix(double left, double right, double bottom, double top, double near, double far);

// The view matrix of a camera at eye looking at centre with the given up.
Mat4 look_at_matrix(const Vec3 &eye, const Vec3 &centre, const Vec3 &up);

// Rotation by an angle in degrees about the y axis.
Mat4 rotation_y_matrix(double degrees);
Mat4 translation_matrix(const Vec3 &t);

// Element by element, |actual - expected| <= relative * |expected| + absolute.
::testing::AssertionResult matrices_near(const Mat4 &actual, const Mat4 &expected, double relative,
                                         double absolute);

Mat4 read_gl_matrix(unsigned int pname);
