// Small vector library on single-precision 3D vectors and 2D points.
//
// Every operation forms its products, sums and quotients in double precision
// and rounds to float only where it stores a value; the rounding points are
// part of each operation's result and are kept exactly as written below.
#pragma once

struct vector3D {
  float x;
  float y;
  float z;
};

// Sixteen floats in column-major order: row r, column c is at index 4 * c + r.
typedef float matrix4[16];

float m_distance3D(const vector3D *a, const vector3D *b);
float m_distance2D(float x1, float y1, float x2, float y2);
void m_3D_to_polar(const vector3D *p, const vector3D *c, float *radius, float *azimuth,
                   float *polar);
void m_polar_to_3D(float radius, float azimuth, float polar, const vector3D *c, vector3D *out);
float m_module3D(const vector3D *v);
void m_normalize3D(vector3D *v);
void m_normalize2D(float *p);
void m_norm_diference3D(const vector3D *a, const vector3D *b, vector3D *out);
void m_diference3D(const vector3D *a, const vector3D *b, vector3D *out);
// out must be a third vector, distinct from a and b.
void m_vector_prod_3D(const vector3D *a, const vector3D *b, vector3D *out);
float m_dot_prod_3D(const vector3D *a, const vector3D *b);
