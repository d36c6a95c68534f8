// Bit-level comparison of floats and vectors for the exact arithmetic tests.
//
// Two floats match when their bit patterns are equal (so +0 and -0 differ), or
// when both are not-a-number: no result defines the sign or payload of a NaN.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vector_math.h"

inline uint32_t float_bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

inline std::string describe_float(float f) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g (%a, bits 0x%08x)", static_cast<double>(f),
                static_cast<double>(f), static_cast<unsigned>(float_bits(f)));
  return text;
}

inline bool same_float(float expected, float actual) {
  if (std::isnan(expected) || std::isnan(actual)) return std::isnan(expected) && std::isnan(actual);
  return float_bits(expected) == float_bits(actual);
}

// Maps a finite float onto a line of integers on which neighbouring floats
// are one apart, -0 and +0 sharing the same point.
inline int64_t float_ordinal(float f) {
  const int64_t magnitude = float_bits(f) & 0x7fffffffu;
  return std::signbit(f) ? -magnitude : magnitude;
}

// How many representable floats apart a and b are (0 for equal values).
inline int64_t ulp_distance(float a, float b) {
  return std::llabs(float_ordinal(a) - float_ordinal(b));
}

// The spacing of floats at x: 2^(e - 23) for x in [2^e, 2^(e+1)).
inline double float_ulp(float x) {
  int exponent;
  std::frexp(static_cast<double>(x), &exponent);
  return std::ldexp(1.0, exponent - 24);
}

inline ::testing::AssertionResult SameFloatFormat(const char *expected_text,
                                                  const char *actual_text, float expected,
                                                  float actual) {
  if (same_float(expected, actual)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual_text << " is " << describe_float(actual) << "\n  expected " << expected_text
         << " = " << describe_float(expected);
}

inline ::testing::AssertionResult SameVectorFormat(const char *expected_text,
                                                   const char *actual_text,
                                                   const vector3D &expected,
                                                   const vector3D &actual) {
  const float e[3] = {expected.x, expected.y, expected.z};
  const float a[3] = {actual.x, actual.y, actual.z};
  const char *names = "xyz";
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  for (int i = 0; i < 3; ++i) {
    if (same_float(e[i], a[i])) continue;
    if (result) result = ::testing::AssertionFailure() << actual_text << " vs " << expected_text;
    result << "\n  " << names[i] << ": got " << describe_float(a[i]) << ", expected "
           << describe_float(e[i]);
  }
  return result;
}

#define EXPECT_SAME_FLOAT(expected, actual) EXPECT_PRED_FORMAT2(SameFloatFormat, expected, actual)
#define EXPECT_SAME_VECTOR(expected, actual) EXPECT_PRED_FORMAT2(SameVectorFormat, expected, actual)
