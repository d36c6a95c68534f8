#include "vector_math.h"

#include <cmath>

namespace {

double sq(float v) { return static_cast<double>(v) * static_cast<double>(v); }

float diff(float a, float b) { return static_cast<float>(static_cast<double>(a) - b); }

}  // namespace

float m_distance3D(const vector3D *a, const vector3D *b) {
  const float dx = diff(a->x, b->x);
  const float dy = diff(a->y, b->y);
  const float dz = diff(a->z, b->z);
  return static_cast<float>(std::sqrt(sq(dx) + sq(dy) + sq(dz)));
}

float m_distance2D(float x1, float y1, float x2, float y2) {
  const float dx = diff(x1, x2);
  const float dy = diff(y1, y2);
  return static_cast<float>(std::sqrt(sq(dx) + sq(dy)));
}

void m_3D_to_polar(const vector3D *p, const vector3D *c, float *radius, float *azimuth,
                   float *polar) {
  const float r = m_distance3D(c, p);
  *radius = r;
  // One-argument arc tangent on purpose: the azimuth stays within +-pi/2 and
  // the differences are left unrounded in double.
  const double dz = static_cast<double>(p->z) - c->z;
  const double dx = static_cast<double>(p->x) - c->x;
  *azimuth = static_cast<float>(std::atan(dz / dx));
  const float h = m_distance2D(p->x, p->z, c->x, c->z);
  *polar = static_cast<float>(std::asin(static_cast<double>(h) / r));
}

void m_polar_to_3D(float radius, float azimuth, float polar, const vector3D *c, vector3D *out) {
  const float sa = static_cast<float>(std::sin(static_cast<double>(azimuth)));
  const float ca = static_cast<float>(std::cos(static_cast<double>(azimuth)));
  const float sp = static_cast<float>(std::sin(static_cast<double>(polar)));
  const float cp = static_cast<float>(std::cos(static_cast<double>(polar)));
  const double r = radius;
  out->x = static_cast<float>((r * ca) * sp + c->x);
  out->y = static_cast<float>(r * cp + c->y);
  out->z = static_cast<float>((r * sa) * sp + c->z);
}

float m_module3D(const vector3D *v) {
  return static_cast<float>(std::sqrt(sq(v->x) + sq(v->y) + sq(v->z)));
}

void m_normalize3D(vector3D *v) {
  // Length and reciprocal are both rounded to float before scaling.
  const float len = m_module3D(v);
  const float k = static_cast<float>(1.0 / static_cast<double>(len));
  v->x = static_cast<float>(static_cast<double>(v->x) * k);
  v->y = static_cast<float>(static_cast<double>(v->y) * k);
  v->z = static_cast<float>(static_cast<double>(v->z) * k);
}

void m_normalize2D(float *p) {
  // Unlike m_normalize3D, length and reciprocal stay in double.
  const double len = std::sqrt(sq(p[0]) + sq(p[1]));
  const double k = 1.0 / len;
  p[0] = static_cast<float>(p[0] * k);
  p[1] = static_cast<float>(p[1] * k);
}

void m_norm_diference3D(const vector3D *a, const vector3D *b, vector3D *out) {
  m_diference3D(a, b, out);
  m_normalize3D(out);
}

void m_diference3D(const vector3D *a, const vector3D *b, vector3D *out) {
  out->x = diff(b->x, a->x);
  out->y = diff(b->y, a->y);
  out->z = diff(b->z, a->z);
}

void m_vector_prod_3D(const vector3D *a, const vector3D *b, vector3D *out) {
  // Components are read from the operands as each one is written, x first.
  out->x = static_cast<float>(static_cast<double>(a->y) * b->z - static_cast<double>(a->z) * b->y);
  out->y = static_cast<float>(static_cast<double>(a->z) * b->x - static_cast<double>(a->x) * b->z);
  out->z = static_cast<float>(static_cast<double>(a->x) * b->y - static_cast<double>(a->y) * b->x);
}

float m_dot_prod_3D(const vector3D *a, const vector3D *b) {
  const double s = static_cast<double>(a->x) * b->x + static_cast<double>(a->y) * b->y +
                   static_cast<double>(a->z) * b->z;
  return static_cast<float>(s);
}
