// Checks the text of matrix printouts: titles, line breaks and tabs must be
// exactly as expected, and each number must read as "%f" would print some
// value within a tolerance of the expected one. A tolerance of zero demands
// exactly the printing of that value; an expected zero accepts "0.000000" and
// "-0.000000" alike, since the GL's arithmetic decides the sign of a zero.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

struct ExpectedNumber {
  double value;
  double tolerance;
};

struct ExpectedBlock {
  std::string title;
  std::array<ExpectedNumber, 16> elements;  // column-major, as the GL stores them
};

::testing::AssertionResult printout_matches(const std::string &text,
                                            const std::vector<ExpectedBlock> &blocks);

// The text that printing the expected values with "%f" gives, for messages.
std::string render_expected(const std::vector<ExpectedBlock> &blocks);

std::string format_f(double value);
