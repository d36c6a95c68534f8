// Reference results for the vector library, written out step by step from each
// operation's definition: every product, sum, quotient and libm call in double,
// and a float rounding only at the points that the definition names. The tests
// compare the library against these bit for bit.
#pragma once

#include <cmath>

#include "vector_math.h"

namespace ref {

inline double wide(float v) { return static_cast<double>(v); }
inline float to_float(double v) { return static_cast<float>(v); }

// Differences that the definition rounds to float before squaring.
inline float rounded_difference(float a, float b) { return to_float(wide(a) - wide(b)); }

inline float distance3D(const vector3D &a, const vector3D &b) {
  const float dx = rounded_difference(a.x, b.x);
  const float dy = rounded_difference(a.y, b.y);
  const float dz = rounded_difference(a.z, b.z);
  const double sum = wide(dx) * wide(dx) + wide(dy) * wide(dy) + wide(dz) * wide(dz);
  return to_float(std::sqrt(sum));
}

inline float distance2D(float x1, float y1, float x2, float y2) {
  const float dx = rounded_difference(x1, x2);
  const float dy = rounded_difference(y1, y2);
  return to_float(std::sqrt(wide(dx) * wide(dx) + wide(dy) * wide(dy)));
}

inline float module3D(const vector3D &v) {
  const double sum = wide(v.x) * wide(v.x) + wide(v.y) * wide(v.y) + wide(v.z) * wide(v.z);
  return to_float(std::sqrt(sum));
}

// Length and reciprocal both rounded to float before the three products.
inline vector3D normalize3D(const vector3D &v) {
  const float length = module3D(v);
  const float k = to_float(1.0 / wide(length));
  return {to_float(wide(v.x) * wide(k)), to_float(wide(v.y) * wide(k)),
          to_float(wide(v.z) * wide(k))};
}

// Length and reciprocal kept in double; only the two products are rounded.
inline void normalize2D(float x, float y, float *out_x, float *out_y) {
  const double length = std::sqrt(wide(x) * wide(x) + wide(y) * wide(y));
  const double k = 1.0 / length;
  *out_x = to_float(wide(x) * k);
  *out_y = to_float(wide(y) * k);
}

// b - a, the vector from a to b.
inline vector3D diference3D(const vector3D &a, const vector3D &b) {
  return {rounded_difference(b.x, a.x), rounded_difference(b.y, a.y), rounded_difference(b.z, a.z)};
}

inline vector3D norm_diference3D(const vector3D &a, const vector3D &b) {
  return normalize3D(diference3D(a, b));
}

// Each component formed wholly in double and rounded once.
inline vector3D vector_prod3D(const vector3D &a, const vector3D &b) {
  return {to_float(wide(a.y) * wide(b.z) - wide(a.z) * wide(b.y)),
          to_float(wide(a.z) * wide(b.x) - wide(a.x) * wide(b.z)),
          to_float(wide(a.x) * wide(b.y) - wide(a.y) * wide(b.x))};
}

inline float dot_prod3D(const vector3D &a, const vector3D &b) {
  return to_float(wide(a.x) * wide(b.x) + wide(a.y) * wide(b.y) + wide(a.z) * wide(b.z));
}

struct Polar {
  float radius;
  float azimuth;
  float polar;
};

// One-argument arc tangent of unrounded double differences; arc sine of the
// quotient of the two float distances.
inline Polar to_polar(const vector3D &p, const vector3D &c) {
  Polar out;
  out.radius = distance3D(c, p);
  const double dz = wide(p.z) - wide(c.z);
  const double dx = wide(p.x) - wide(c.x);
  out.azimuth = to_float(std::atan(dz / dx));
  const float h = distance2D(p.x, p.z, c.x, c.z);
  out.polar = to_float(std::asin(wide(h) / wide(out.radius)));
  return out;
}

// The four sines and cosines are rounded to float before they are used.
inline vector3D from_polar(float radius, float azimuth, float polar, const vector3D &c) {
  const float sa = to_float(std::sin(wide(azimuth)));
  const float ca = to_float(std::cos(wide(azimuth)));
  const float sp = to_float(std::sin(wide(polar)));
  const float cp = to_float(std::cos(wide(polar)));
  const double r = wide(radius);
  return {to_float((r * wide(ca)) * wide(sp) + wide(c.x)), to_float(r * wide(cp) + wide(c.y)),
          to_float((r * wide(sa)) * wide(sp) + wide(c.z))};
}

}  // namespace ref
