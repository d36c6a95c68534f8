#include "printout_match.h"

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace {

// Orders printed numbers by value, with "-0.000000" just below "0.000000".
std::pair<double, int> order_key(const std::string &printed) {
  const double value = std::strtod(printed.c_str(), nullptr);
  return {value, printed[0] == '-' ? 0 : 1};
}

bool number_allowed(const std::string &printed, const ExpectedNumber &e) {
  static const std::regex shape("-?[0-9]+\\.[0-9]{6}");
  if (!std::regex_match(printed, shape)) return false;
  if (e.value == 0.0 && (printed == "0.000000" || printed == "-0.000000")) return true;
  const auto key = order_key(printed);
  return order_key(format_f(e.value - e.tolerance)) <= key &&
         key <= order_key(format_f(e.value + e.tolerance));
}

::testing::AssertionResult mismatch(const std::string &text, const std::vector<ExpectedBlock> &b,
                                    size_t at, const std::string &what) {
  return ::testing::AssertionFailure() << what << " at offset " << at << "\n--- actual text ---\n"
                                       << text << "\n--- expected (to the tolerances) ---\n"
                                       << render_expected(b) << "\n---";
}

}  // namespace

std::string format_f(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%f", value);
  return buffer;
}

std::string render_expected(const std::vector<ExpectedBlock> &blocks) {
  std::string out;
  for (const ExpectedBlock &b : blocks) {
    out += b.title;
    for (int r = 0; r < 4; ++r) {
      out += "\n";
      for (int c = 0; c < 4; ++c) out += format_f(b.elements[4 * c + r].value) + "\t";
    }
  }
  return out;
}

::testing::AssertionResult printout_matches(const std::string &text,
                                            const std::vector<ExpectedBlock> &blocks) {
  size_t at = 0;
  auto literal = [&](const std::string &s) {
    if (text.compare(at, s.size(), s) != 0) return false;
    at += s.size();
    return true;
  };
  for (const ExpectedBlock &b : blocks) {
    if (!literal(b.title)) return mismatch(text, blocks, at, "title missing or wrong");
    for (int r = 0; r < 4; ++r) {
      if (!literal("\n")) return mismatch(text, blocks, at, "line break missing");
      for (int c = 0; c < 4; ++c) {
        const size_t tab = text.find('\t', at);
        if (tab == std::string::npos) return mismatch(text, blocks, at, "tab missing");
        const std::string printed = text.substr(at, tab - at);
        const ExpectedNumber &e = b.elements[4 * c + r];
        if (!number_allowed(printed, e)) {
          return mismatch(text, blocks, at,
                          "row " + std::to_string(r) + ", column " + std::to_string(c) +
                              " reads \"" + printed + "\", expected " + format_f(e.value) +
                              " within " + std::to_string(e.tolerance));
        }
        at = tab + 1;
      }
    }
  }
  if (at != text.size()) return mismatch(text, blocks, at, "text continues after the last block");
  return ::testing::AssertionSuccess();
}
