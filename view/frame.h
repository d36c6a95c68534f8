// The frame routine: one complete frame and one animation tick per call.
#pragma once

#include "vector_math.h"

extern vector3D obs;  // eye of the observer view
extern vector3D ref;  // point the observer view looks at

void draw_scene();
