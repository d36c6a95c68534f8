#include "teapot_drawing.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cmath>

#include "teapot_ring.h"

const float teapot_colors[kColorCount][3] = {
    {0.0f, 0.0f, 1.0f},
    {0.0f, 1.0f, 0.0f},
    {1.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f},
};

namespace {

constexpr double kTeapotSize = 0.25;

}  // namespace

void build_frame_matrix(const vector3D *travel, const vector3D *up, const vector3D *side,
                        const vector3D *p, matrix4 out) {
  const vector3D *columns[4] = {travel, up, side, p};
  for (int c = 0; c < 4; ++c) {
    out[4 * c] = columns[c]->x;
    out[4 * c + 1] = columns[c]->y;
    out[4 * c + 2] = columns[c]->z;
    out[4 * c + 3] = c == 3 ? 1.0f : 0.0f;
  }
}

void set_diffuse_color(int color) {
  const float *rgb = teapot_colors[color];
  const GLfloat diffuse[4] = {rgb[0], rgb[1], rgb[2], 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
}

void dibuja_tetera(int teapot, int color) {
  glPushMatrix();
  set_diffuse_color(color);

  vector3D travel;
  TrayectoriaTetera(&tetera[teapot], &travel, kOrbitSpeed);
  const vector3D up = {0.0f, 1.0f, 0.0f};
  vector3D side;
  m_vector_prod_3D(&travel, &up, &side);

  matrix4 model;
  build_frame_matrix(&travel, &up, &side, &tetera[teapot], model);
  glMultMatrixf(model);
  glutSolidTeapot(kTeapotSize);
  glPopMatrix();
}

void dibuja_tetera2(int teapot, int color) {
  glPushMatrix();
  set_diffuse_color(color);

  vector3D travel;
  TrayectoriaTetera(&tetera[teapot], &travel, kOrbitSpeed);
  const vector3D &p = tetera[teapot];
  glTranslatef(p.x, p.y, p.z);

  const float heading = static_cast<float>(std::atan2(static_cast<double>(travel.x), travel.z));
  const float degrees = static_cast<float>(static_cast<double>(heading) * 57.0 - 90.0);
  glRotatef(degrees, 0.0f, 1.0f, 0.0f);
  glutSolidTeapot(kTeapotSize);
  glPopMatrix();
}

void dibuja_lineas_teteras() {
  glDisable(GL_LIGHTING);
  glLineWidth(3.0f);

  const GLfloat origin[3] = {0.0f, 0.0f, 0.0f};
  for (int i = 0; i < kTeapotCount; ++i) {
    glColor3f(0.0f, 0.5f, 0.8f);
    glBegin(GL_LINES);
    glVertex3fv(origin);
    glVertex3fv(&tetera[i].x);
    glEnd();
  }

  glColor3f(0.5f, 0.0f, 0.0f);
  glBegin(GL_POLYGON);
  glVertex3f(2.5f, -0.25f, 2.5f);
  glVertex3f(-2.5f, -0.25f, 2.5f);
  glVertex3f(-2.5f, -0.25f, -2.5f);
  glVertex3f(2.5f, -0.25f, -2.5f);
  glEnd();

  glEnable(GL_LIGHTING);
}
