// The ring of eight teapots circling the vertical axis, and their orbit step.
#pragma once

#include "vector_math.h"

constexpr int kTeapotCount = 8;

// The speed every caller steps a teapot with: 0.2 radian per step, so that
// teapot 0 moves alike whether it is drawn or carries the camera.
constexpr float kOrbitSpeed = 0.4f;

// Teapot positions; the orbit step is their only writer.
extern vector3D tetera[kTeapotCount];

// Moves one teapot along its circle about the vertical axis by speed * 0.5
// radian, sets its bobbing height and writes its unit horizontal direction of
// travel into travel.
void TrayectoriaTetera(vector3D *position, vector3D *travel, float speed);
