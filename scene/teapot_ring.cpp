#include "teapot_ring.h"

#include <cmath>

vector3D tetera[kTeapotCount] = {
    {2.0f, 0.0f, 0.0f},  {0.0f, 0.0f, 2.0f},  {-2.0f, 0.0f, 0.0f},  {0.0f, 0.0f, -2.0f},
    {1.4f, 0.0f, -1.4f}, {-1.4f, 0.0f, 1.4f}, {-1.4f, 0.0f, -1.4f}, {1.4f, 0.0f, 1.4f},
};

void TrayectoriaTetera(vector3D *position, vector3D *travel, float speed) {
  // The radius and azimuth are derived afresh from x and z at every step; the
  // previous height plays no part.
  position->y = 0.0f;
  const float radius = m_module3D(position);
  float angle = static_cast<float>(std::atan2(static_cast<double>(position->z), position->x));
  angle = static_cast<float>(static_cast<double>(angle) + static_cast<double>(speed) * 0.5);

  position->x = static_cast<float>(std::cos(static_cast<double>(angle)) * radius);
  position->z = static_cast<float>(std::sin(static_cast<double>(angle)) * radius);

  const vector3D up = {0.0f, 1.0f, 0.0f};
  m_vector_prod_3D(position, &up, travel);
  m_normalize3D(travel);

  position->y = static_cast<float>((std::cos(static_cast<double>(angle) * 3.0) + 1.0) * 0.5);
}
