// Records what a piece of drawing code sends down the GL pipeline, using the
// GL's feedback mode. The recording installs its own orthographic projection
// (a cube of +/- half_extent eye units) and a large viewport, so the vertices
// it returns are converted back to eye coordinates, that is to coordinates
// under the model-view matrix that the drawing code leaves in force.
#pragma once

#include <GL/gl.h>

#include <array>
#include <functional>
#include <vector>

struct FeedbackVertex {
  double x, y, z;               // eye coordinates
  std::array<double, 4> color;  // RGBA as the GL computed it (lit or current)
};

enum class FeedbackKind { kPolygon, kLine, kPoint, kOther };

struct FeedbackPrimitive {
  FeedbackKind kind;
  std::vector<FeedbackVertex> vertices;
};

constexpr double kFeedbackHalfExtent = 8.0;

// Fails the current test (and returns what it has) if the buffer overflows.
std::vector<FeedbackPrimitive> record_feedback(const std::function<void()> &draw);

int count_kind(const std::vector<FeedbackPrimitive> &primitives, FeedbackKind kind);
