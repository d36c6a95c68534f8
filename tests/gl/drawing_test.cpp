// What a frame and each drawing routine send to the GL, recorded in feedback
// mode and compared with a reference drawing or with the expected geometry;
// plus a look at the pixels of real frames. With OVEZOR_GL_SHOTS set to a
// folder, the pixel test leaves the frames it read there as PPM files.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "callbacks.h"
#include "frame.h"
#include "gl_feedback.h"
#include "reference_matrices.h"
#include "render_state.h"
#include "stdout_capture.h"
#include "teapot_drawing.h"
#include "teapot_ring.h"
#include "viewer_session.h"

namespace {

constexpr float kSpeed = 0.4f;
constexpr double kTeapotSize = 0.25;
constexpr double kPi = 3.14159265358979323846;
// Eye-space distances. Float rounding in the GL stays far below this, while a
// heading that used 180/pi instead of 57 degrees per radian would move the
// spout tip of a teapot of size 0.25 by about 3e-3 when travel is along x.
constexpr double kPositionTolerance = 5e-5;
constexpr double kColorTolerance = 1e-5;

const std::array<double, 4> kLineColor = {0.0, 0.5, 0.8, 1.0};
const std::array<double, 4> kFloorColor = {0.5, 0.0, 0.0, 1.0};

bool near(const FeedbackVertex &v, const Vec3 &p, double tolerance = kPositionTolerance) {
  return std::fabs(v.x - p.x) <= tolerance && std::fabs(v.y - p.y) <= tolerance &&
         std::fabs(v.z - p.z) <= tolerance;
}

bool color_is(const FeedbackVertex &v, const std::array<double, 4> &c) {
  for (int k = 0; k < 4; ++k) {
    if (std::fabs(v.color[k] - c[k]) > kColorTolerance) return false;
  }
  return true;
}

std::string describe(const FeedbackVertex &v) {
  char text[160];
  std::snprintf(text, sizeof text, "(%.6f, %.6f, %.6f) colour (%.4f, %.4f, %.4f, %.4f)", v.x, v.y,
                v.z, v.color[0], v.color[1], v.color[2], v.color[3]);
  return text;
}

std::string describe(const Vec3 &p) {
  char text[96];
  std::snprintf(text, sizeof text, "(%.6f, %.6f, %.6f)", p.x, p.y, p.z);
  return text;
}

// Lit colour of a teapot polygon: light 0 adds diffuse * N.L to an ambient
// 0.04 (0.2 of the light model times 0.2 of the material) in every channel.
// Returns b, g, r or y by the channels lit above the ambient, or '.' for a
// polygon facing away from the light.
char teapot_color_class(const FeedbackPrimitive &p) {
  bool lit[3] = {false, false, false};
  for (const FeedbackVertex &v : p.vertices) {
    for (int k = 0; k < 3; ++k) lit[k] = lit[k] || v.color[k] > 0.04 + 0.01;
  }
  if (!lit[0] && !lit[1] && lit[2]) return 'b';
  if (!lit[0] && lit[1] && !lit[2]) return 'g';
  if (lit[0] && !lit[1] && !lit[2]) return 'r';
  if (lit[0] && lit[1] && !lit[2]) return 'y';
  if (!lit[0] && !lit[1] && !lit[2]) return '.';
  return '?';
}

// The colour classes of consecutive polygons, runs merged and unlit ones
// skipped: one letter per teapot as long as neighbours differ in colour.
std::string color_runs(const std::vector<FeedbackPrimitive> &polygons) {
  std::string runs;
  for (const FeedbackPrimitive &p : polygons) {
    const char c = teapot_color_class(p);
    if (c != '.' && (runs.empty() || runs.back() != c)) runs += c;
  }
  return runs;
}

double triangle_area(const FeedbackVertex &a, const FeedbackVertex &b, const FeedbackVertex &c) {
  const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
  const double v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
  const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
  return 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

double polygon_area(const FeedbackPrimitive &p) {
  double area = 0;
  for (size_t k = 2; k < p.vertices.size(); ++k) {
    area += triangle_area(p.vertices[0], p.vertices[k - 1], p.vertices[k]);
  }
  return area;
}

// Polygons of one solid teapot as this GLUT draws it.
size_t polygons_per_teapot() {
  static const size_t count = record_feedback([] { glutSolidTeapot(kTeapotSize); }).size();
  return count;
}

vector3D cross_up(const vector3D &t) {
  return {static_cast<float>(static_cast<double>(t.y) * 0.0 - static_cast<double>(t.z) * 1.0),
          static_cast<float>(static_cast<double>(t.z) * 0.0 - static_cast<double>(t.x) * 0.0),
          static_cast<float>(static_cast<double>(t.x) * 1.0 - static_cast<double>(t.y) * 0.0)};
}

// Model matrix with columns travel, up, side and p.
Mat4 frame_model_matrix(const vector3D &travel, const vector3D &p) {
  const vector3D side = cross_up(travel);
  return {travel.x, travel.y, travel.z, 0, 0, 1, 0, 0, side.x, side.y, side.z, 0, p.x, p.y, p.z, 1};
}

// Translation to p, then a turn about y by 57 degrees per radian of the
// heading atan2(travel.x, travel.z), less 90.
Mat4 heading_model_matrix(const vector3D &travel, const vector3D &p) {
  const float h =
      static_cast<float>(std::atan2(static_cast<double>(travel.x), static_cast<double>(travel.z)));
  const float degrees = static_cast<float>(static_cast<double>(h) * 57.0 - 90.0);
  return multiply(translation_matrix(widen(p)), rotation_y_matrix(degrees));
}

// The camera of the ride-along view: rows side, up, -travel, eye at p.
Mat4 ride_along_camera(const vector3D &travel, const vector3D &p) {
  const vector3D side = cross_up(travel);
  const double rows[3][3] = {
      {side.x, side.y, side.z}, {0, 1, 0}, {-travel.x, -travel.y, -travel.z}};
  Mat4 rotation = identity_matrix();
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) rotation[4 * c + r] = rows[r][c];
  }
  return multiply(rotation, translation_matrix({-p.x, -p.y, -p.z}));
}

Mat4 observer_camera() { return look_at_matrix({0, 1, 4}, {0, 0, 0}, {0, 1, 0}); }

// Loads m as the model-view matrix; returns it as the GL holds it (in floats).
Mat4 load(const Mat4 &m) {
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixd(m.data());
  return read_gl_matrix(GL_MODELVIEW_MATRIX);
}

vector3D on_circle(double radius, double azimuth) {
  return {static_cast<float>(radius * std::cos(azimuth)), 0.0f,
          static_cast<float>(radius * std::sin(azimuth))};
}

class DrawingTest : public ViewerTest {};

// ---- one teapot: push, material, step, transform, draw, pop ----

enum class Method { kFrameMatrix, kHeading };

struct TeapotCase {
  std::string name;
  Method method;
  int teapot;
  int color;
  bool place;  // put the teapot at `start` first; otherwise the start-up ring
  vector3D start;
};

TEST_F(DrawingTest, EachTeapotIsSteppedOnceAndDrawnWhereItsFramePutsIt) {
  const TeapotCase cases[] = {
      {"teapot 0, frame matrix, blue", Method::kFrameMatrix, 0, 0, false, {}},
      {"teapot 1, heading, green", Method::kHeading, 1, 1, false, {}},
      {"teapot 2, frame matrix, red", Method::kFrameMatrix, 2, 2, false, {}},
      {"teapot 3, frame matrix, yellow", Method::kFrameMatrix, 3, 3, false, {}},
      {"teapot 4, diagonal, green", Method::kFrameMatrix, 4, 1, false, {}},
      {"teapot 7, diagonal, red", Method::kFrameMatrix, 7, 2, false, {}},
      {"heading on teapot 6", Method::kHeading, 6, 3, false, {}},
      {"heading with travel along +x (57 degrees per radian)", Method::kHeading, 5, 0, true,
       on_circle(2, -kPi / 2 - 0.2)},
      {"heading with travel along +z", Method::kHeading, 1, 1, true, on_circle(2, -0.2)},
      {"heading with travel near -z", Method::kHeading, 1, 2, true, on_circle(2, kPi - 0.2)},
      {"frame matrix with travel near -z", Method::kFrameMatrix, 3, 3, true,
       on_circle(2, kPi - 0.2)},
      {"frame matrix at the top of the bob", Method::kFrameMatrix, 2, 1, true,
       on_circle(2, 2 * kPi / 3 - 0.2)},
  };
  const ViewerState start = capture_viewer_state();
  for (const TeapotCase &c : cases) {
    SCOPED_TRACE(c.name);
    restore_viewer_state(start);
    if (c.place) tetera[c.teapot] = c.start;

    // The expected step, taken on a copy.
    vector3D expected_ring[kTeapotCount];
    std::memcpy(expected_ring, tetera, sizeof expected_ring);
    vector3D travel;
    TrayectoriaTetera(&expected_ring[c.teapot], &travel, kSpeed);
    const vector3D &p = expected_ring[c.teapot];
    const Mat4 model = c.method == Method::kFrameMatrix ? frame_model_matrix(travel, p)
                                                        : heading_model_matrix(travel, p);

    // Any camera: the routine multiplies onto what it finds and restores it.
    const Mat4 camera = load(observer_camera());
    const GLfloat stale[4] = {0.3f, 0.3f, 0.3f, 0.5f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, stale);
    const auto drawn = record_feedback([&] {
      c.method == Method::kFrameMatrix ? dibuja_tetera(c.teapot, c.color)
                                       : dibuja_tetera2(c.teapot, c.color);
    });
    EXPECT_EQ(read_gl_matrix(GL_MODELVIEW_MATRIX), camera) << "model-view not restored";
    EXPECT_EQ(std::memcmp(tetera, expected_ring, sizeof expected_ring), 0)
        << "not exactly one orbit step of this teapot alone";

    const GLfloat diffuse[4] = {teapot_colors[c.color][0], teapot_colors[c.color][1],
                                teapot_colors[c.color][2], 1.0f};
    for (GLenum face : {GL_FRONT, GL_BACK}) {
      std::array<GLfloat, 4> left{};
      glGetMaterialfv(face, GL_DIFFUSE, left.data());
      EXPECT_EQ(left, (std::array<GLfloat, 4>{diffuse[0], diffuse[1], diffuse[2], diffuse[3]}))
          << "diffuse material of face 0x" << std::hex << face;
    }

    // The reference: the same model drawn at the expected transform.
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    const auto reference = record_feedback([&] {
      glPushMatrix();
      glMultMatrixd(model.data());
      glutSolidTeapot(kTeapotSize);
      glPopMatrix();
    });
    load(identity_matrix());

    ASSERT_EQ(drawn.size(), reference.size());
    int reported = 0;
    for (size_t i = 0; i < drawn.size() && reported < 3; ++i) {
      ASSERT_EQ(drawn[i].vertices.size(), reference[i].vertices.size());
      for (size_t k = 0; k < drawn[i].vertices.size(); ++k) {
        const FeedbackVertex &d = drawn[i].vertices[k];
        const FeedbackVertex &r = reference[i].vertices[k];
        if (!near(d, {r.x, r.y, r.z}) || !color_is(d, r.color)) {
          ADD_FAILURE() << "polygon " << i << " vertex " << k << " drawn at " << describe(d)
                        << ", reference " << describe(r);
          ++reported;
          break;
        }
      }
    }
  }
}

// ---- tether lines and floor on their own ----

// The floor: the four corners, dark red, 5 x 5.
void expect_floor(const std::vector<FeedbackPrimitive> &floor, const Mat4 &camera) {
  const Vec3 corners[4] = {
      transform_point(camera, {2.5, -0.25, 2.5}), transform_point(camera, {-2.5, -0.25, 2.5}),
      transform_point(camera, {-2.5, -0.25, -2.5}), transform_point(camera, {2.5, -0.25, -2.5})};
  bool used[4] = {false, false, false, false};
  double area = 0;
  for (const FeedbackPrimitive &p : floor) {
    area += polygon_area(p);
    for (const FeedbackVertex &v : p.vertices) {
      EXPECT_TRUE(color_is(v, kFloorColor)) << describe(v);
      bool corner = false;
      for (int k = 0; k < 4; ++k) {
        if (near(v, corners[k])) corner = used[k] = true;
      }
      EXPECT_TRUE(corner) << "floor vertex " << describe(v) << " is no corner";
    }
  }
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(used[k]) << "floor corner " << k << " missing";
  EXPECT_NEAR(area, 25.0, 1e-3) << "a 5 x 5 square";
}

TEST_F(DrawingTest, LinesAndFloorAreUnlitAndLeaveLightingOn) {
  struct Before {
    std::string name;
    bool lighting;
    GLfloat line_width;
  };
  const Before cases[] = {{"lighting on, width 1", true, 1.0f},
                          {"lighting off, width 5", false, 5.0f}};
  // Positions that no orbit step would give, to see the lines read the table.
  const vector3D placed[kTeapotCount] = {{1, 2, 3},    {-1, 0.5f, 2}, {0, 0, -3},
                                         {2.5f, 1, 0}, {-2, -1, -2},  {0.25f, 0.75f, 0.5f},
                                         {3, 0, 0},    {-0.5f, 1, 1}};
  const Mat4 camera = observer_camera();
  for (const Before &c : cases) {
    SCOPED_TRACE(c.name);
    std::memcpy(tetera, placed, sizeof placed);
    c.lighting ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
    glLineWidth(c.line_width);
    const Mat4 loaded = load(camera);

    const auto drawn = record_feedback(dibuja_lineas_teteras);

    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 3.0f);
    std::array<GLfloat, 4> color{};
    glGetFloatv(GL_CURRENT_COLOR, color.data());
    EXPECT_EQ(color, (std::array<GLfloat, 4>{0.5f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(read_gl_matrix(GL_MODELVIEW_MATRIX), loaded);
    EXPECT_EQ(std::memcmp(tetera, placed, sizeof placed), 0) << "the lines moved a teapot";

    ASSERT_GE(drawn.size(), 9u);
    for (int i = 0; i < kTeapotCount; ++i) {
      const FeedbackPrimitive &line = drawn[i];
      ASSERT_EQ(line.kind, FeedbackKind::kLine) << "primitive " << i;
      const Vec3 end = transform_point(camera, widen(placed[i]));
      EXPECT_TRUE(near(line.vertices[0], transform_point(camera, {0, 0, 0})))
          << "line " << i << " starts at " << describe(line.vertices[0]);
      EXPECT_TRUE(near(line.vertices[1], end))
          << "line " << i << " ends at " << describe(line.vertices[1]) << ", not " << describe(end);
      for (const FeedbackVertex &v : line.vertices) EXPECT_TRUE(color_is(v, kLineColor));
    }
    expect_floor({drawn.begin() + kTeapotCount, drawn.end()}, camera);
  }
  load(identity_matrix());
}

// ---- a whole frame ----

struct FrameCase {
  std::string name;
  bool ride_along;
  std::string teapot_colors;  // one letter per teapot drawn, in order
};

// Splits a frame's primitives into teapot polygons, lines and floor polygons,
// in that order; anything out of place fails the test.
struct FrameParts {
  std::vector<FeedbackPrimitive> teapots, lines, floor;
};

FrameParts split_frame(const std::vector<FeedbackPrimitive> &all) {
  FrameParts parts;
  size_t i = 0;
  while (i < all.size() && all[i].kind == FeedbackKind::kPolygon) parts.teapots.push_back(all[i++]);
  while (i < all.size() && all[i].kind == FeedbackKind::kLine) parts.lines.push_back(all[i++]);
  while (i < all.size() && all[i].kind == FeedbackKind::kPolygon) parts.floor.push_back(all[i++]);
  EXPECT_EQ(i, all.size()) << "unexpected primitive after the floor";
  return parts;
}

TEST_F(DrawingTest, AFrameDrawsTeapotsThenEightLinesThenTheFloor) {
  const FrameCase cases[] = {
      {"observer view: eight teapots", false, "bgrygryr"},
      {"ride-along view: seven teapots, teapot 0 left out", true, "grygryr"},
  };
  const ViewerState start = capture_viewer_state();
  for (const FrameCase &c : cases) {
    SCOPED_TRACE(c.name);
    restore_viewer_state(start);
    if (c.ride_along) key('m', 0, 0);
    glEnable(GL_CULL_FACE);  // the frame turns culling off before drawing

    vector3D ring[kTeapotCount];
    std::memcpy(ring, tetera, sizeof ring);
    vector3D travel0, travel;
    TrayectoriaTetera(&ring[0], &travel0, kSpeed);
    for (int i = 1; i < kTeapotCount; ++i) TrayectoriaTetera(&ring[i], &travel, kSpeed);
    const Mat4 camera = c.ride_along ? ride_along_camera(travel0, ring[0]) : observer_camera();

    std::vector<FeedbackPrimitive> all;
    discard_stdout([&] { all = record_feedback(draw_scene); });
    EXPECT_EQ(std::memcmp(tetera, ring, sizeof ring), 0) << "every teapot steps once per frame";

    const FrameParts parts = split_frame(all);
    EXPECT_EQ(parts.teapots.size(), c.teapot_colors.size() * polygons_per_teapot())
        << "every face of every teapot drawn, none culled";
    EXPECT_EQ(color_runs(parts.teapots), c.teapot_colors);

    ASSERT_EQ(parts.lines.size(), 8u) << "one tether line per teapot, in both views";
    for (int i = 0; i < kTeapotCount; ++i) {
      const Vec3 end = transform_point(camera, widen(ring[i]));
      const FeedbackPrimitive &line = parts.lines[i];
      EXPECT_TRUE(near(line.vertices[0], transform_point(camera, {0, 0, 0})))
          << "line " << i << " starts at " << describe(line.vertices[0]);
      EXPECT_TRUE(near(line.vertices[1], end))
          << "line " << i << " ends at " << describe(line.vertices[1]) << ", teapot at "
          << describe(end);
      for (const FeedbackVertex &v : line.vertices) EXPECT_TRUE(color_is(v, kLineColor));
    }
    expect_floor(parts.floor, camera);

    // What the frame leaves for the next one.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_FLAT);
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 3.0f);
    EXPECT_EQ(read_gl_matrix(GL_MODELVIEW_MATRIX), identity_matrix());
  }
}

// ---- pixels of real frames ----

struct Pixels {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char *at(int x, int y) const { return &rgb[3 * (y * width + x)]; }
};

// Mesa's software rasteriser shows a frame by copying the back buffer to the
// window and keeps it intact, so the frame just swapped is read from there;
// its front buffer reads back as black under Xvfb.
Pixels read_shown_frame() {
  Pixels p;
  p.width = glutGet(GLUT_WINDOW_WIDTH);
  p.height = glutGet(GLUT_WINDOW_HEIGHT);
  p.rgb.resize(3 * p.width * p.height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, p.width, p.height, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
  return p;
}

// Writes a PPM (bottom row last, as on screen) for a person to look at.
void save_ppm(const Pixels &p, const std::string &path) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
  for (int y = p.height - 1; y >= 0; --y) std::fwrite(p.at(0, y), 3, p.width, f);
  std::fclose(f);
}

bool close_to(const unsigned char *px, int r, int g, int b) {
  return std::abs(px[0] - r) <= 1 && std::abs(px[1] - g) <= 1 && std::abs(px[2] - b) <= 1;
}

struct PixelCounts {
  int blue_teapot = 0, floor = 0, line = 0;
};

PixelCounts count_pixels(const Pixels &p) {
  PixelCounts n;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const unsigned char *px = p.at(x, y);
      // Lit blue: red and green at the ambient 0.04, blue above it.
      if (px[0] <= 12 && std::abs(px[0] - px[1]) <= 1 && px[2] >= px[0] + 30) ++n.blue_teapot;
      if (close_to(px, 128, 0, 0)) ++n.floor;
      if (close_to(px, 0, 128, 204)) ++n.line;
    }
  }
  return n;
}

TEST_F(DrawingTest, FramesOnScreenShowTheFloorLinesAndTheBlueTeapotOnlyFromOutside) {
  struct ViewCase {
    std::string name;
    bool ride_along;
    bool blue_visible;
    bool lines_visible;  // from teapot 0 the origin is abeam, out of sight
  };
  const ViewCase cases[] = {{"observer", false, true, true}, {"ride-along", true, false, false}};
  const char *keep = std::getenv("OVEZOR_GL_SHOTS");
  for (const ViewCase &c : cases) {
    SCOPED_TRACE(c.name);
    if (c.ride_along) key('m', 0, 0);
    discard_stdout(draw_scene);
    glFinish();
    const Pixels shot = read_shown_frame();
    ASSERT_EQ(shot.width, 400);
    ASSERT_EQ(shot.height, 400);
    if (keep != nullptr) save_ppm(shot, std::string(keep) + "/" + c.name + ".ppm");

    EXPECT_TRUE(close_to(shot.at(0, shot.height - 1), 128, 128, 128) ||
                close_to(shot.at(0, shot.height - 1), 127, 127, 127))
        << "mid-grey sky in the top-left corner";
    const PixelCounts n = count_pixels(shot);
    EXPECT_GT(n.floor, 5000) << "dark red floor";
    if (c.lines_visible) {
      EXPECT_GT(n.line, 100) << "tether lines";
    }
    if (c.blue_visible) {
      EXPECT_GT(n.blue_teapot, 100) << "teapot 0 in blue";
    } else {
      EXPECT_EQ(n.blue_teapot, 0) << "the camera's own teapot is not drawn";
    }
  }
}

}  // namespace
