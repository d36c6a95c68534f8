#include "gl_feedback.h"

#include <gtest/gtest.h>

namespace {

constexpr GLsizei kViewportSize = 4096;
constexpr size_t kBufferFloats = 1 << 21;
constexpr int kFloatsPerVertex = 7;  // GL_3D_COLOR in RGBA mode: x, y, z, r, g, b, a

FeedbackVertex to_eye(const GLfloat *f) {
  const double h = kFeedbackHalfExtent;
  FeedbackVertex v;
  v.x = (f[0] / kViewportSize * 2.0 - 1.0) * h;
  v.y = (f[1] / kViewportSize * 2.0 - 1.0) * h;
  // glOrtho(-h, h) maps eye z to -z / h; the depth range then maps to [0, 1].
  v.z = -(2.0 * f[2] - 1.0) * h;
  v.color = {f[3], f[4], f[5], f[6]};
  return v;
}

std::vector<FeedbackPrimitive> parse(const std::vector<GLfloat> &buffer, GLint used) {
  std::vector<FeedbackPrimitive> out;
  GLint i = 0;
  auto take_vertices = [&](FeedbackKind kind, int count) {
    FeedbackPrimitive p{kind, {}};
    for (int k = 0; k < count; ++k, i += kFloatsPerVertex) p.vertices.push_back(to_eye(&buffer[i]));
    out.push_back(p);
  };
  while (i < used) {
    const GLint token = static_cast<GLint>(buffer[i++]);
    switch (token) {
      case GL_POLYGON_TOKEN: {
        const int n = static_cast<int>(buffer[i++]);
        take_vertices(FeedbackKind::kPolygon, n);
        break;
      }
      case GL_LINE_TOKEN:
      case GL_LINE_RESET_TOKEN:
        take_vertices(FeedbackKind::kLine, 2);
        break;
      case GL_POINT_TOKEN:
        take_vertices(FeedbackKind::kPoint, 1);
        break;
      case GL_BITMAP_TOKEN:
      case GL_DRAW_PIXEL_TOKEN:
      case GL_COPY_PIXEL_TOKEN:
        take_vertices(FeedbackKind::kOther, 1);
        break;
      case GL_PASS_THROUGH_TOKEN:
        ++i;
        out.push_back({FeedbackKind::kOther, {}});
        break;
      default:
        ADD_FAILURE() << "unknown feedback token " << token << " at " << i - 1;
        return out;
    }
  }
  return out;
}

}  // namespace

std::vector<FeedbackPrimitive> record_feedback(const std::function<void()> &draw) {
  static std::vector<GLfloat> buffer(kBufferFloats);
  const double h = kFeedbackHalfExtent;

  glPushAttrib(GL_VIEWPORT_BIT | GL_TRANSFORM_BIT);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-h, h, -h, h, -h, h);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, kViewportSize, kViewportSize);

  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glPopAttrib();

  if (used < 0) {
    ADD_FAILURE() << "feedback buffer overflowed";
    return {};
  }
  return parse(buffer, used);
}

int count_kind(const std::vector<FeedbackPrimitive> &primitives, FeedbackKind kind) {
  int n = 0;
  for (const FeedbackPrimitive &p : primitives) n += p.kind == kind;
  return n;
}
