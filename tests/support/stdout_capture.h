// Captures what a piece of code writes to standard output, at the level of
// file descriptor 1, so that text written through the C stream is caught
// exactly as the process would emit it.
#pragma once

#include <functional>
#include <string>

std::string capture_stdout(const std::function<void()> &body);

// Runs body with standard output thrown away.
void discard_stdout(const std::function<void()> &body);
