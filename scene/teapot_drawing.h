// Drawing of the teapots, their tether lines and the floor.
#pragma once

#include "vector_math.h"

constexpr int kColorCount = 4;

// Diffuse colours of the teapots: blue, green, red, yellow.
extern const float teapot_colors[kColorCount][3];

// Both routines step the teapot once, then draw it at its new position facing
// its direction of travel, in the given colour row.
// Frame-matrix method: builds the whole model matrix from travel, up and side.
void dibuja_tetera(int teapot, int color);
// Heading-rotation method: translate, then rotate about y by an angle taken
// from travel (with the factor 57 degrees per radian).
void dibuja_tetera2(int teapot, int color);

// One unlit line from the origin to each teapot, then the dark red floor.
void dibuja_lineas_teteras();

// Fills a model matrix whose columns are travel, up, side and the position p.
void build_frame_matrix(const vector3D *travel, const vector3D *up, const vector3D *side,
                        const vector3D *p, matrix4 out);

// Sets the diffuse material of both faces to a colour row, with alpha 1.
void set_diffuse_color(int color);
