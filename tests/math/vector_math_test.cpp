#include <gtest/gtest.h>

#include "vector_math.h"

TEST(VectorProduct, RightHanded) {
  const vector3D a = {1, 0, 0}, b = {0, 1, 0};
  vector3D out;
  m_vector_prod_3D(&a, &b, &out);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(out.y, 0.0f);
  EXPECT_EQ(out.z, 1.0f);
}
