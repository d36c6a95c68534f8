// Text printout of 4 x 4 matrices read back from the GL.
#pragma once

#include <cstdio>

#include "vector_math.h"

// Writes the title, then each row as "\n" and four "%f\t" fields.
void print_matrix(std::FILE *out, const char *title, const matrix4 m);

// Prints the current model-view matrix, the view matrix, under "MatrizVision".
void print_view_matrix();

// Prints the matrix with columns travel, up, travel x up and teapot 0's
// position, as the GL composes it on the identity. Draws nothing and leaves
// the model-view matrix as it found it.
void print_first_teapot_matrix(const vector3D *travel, const vector3D *up);
