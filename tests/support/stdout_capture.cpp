#include "stdout_capture.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>

std::string capture_stdout(const std::function<void()> &body) {
  std::fflush(stdout);
  std::FILE *sink = std::tmpfile();
  if (sink == nullptr) throw std::runtime_error("no temporary file for standard output");
  const int saved = dup(STDOUT_FILENO);
  dup2(fileno(sink), STDOUT_FILENO);

  body();

  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);

  std::string text;
  std::rewind(sink);
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, sink)) > 0) text.append(chunk, n);
  std::fclose(sink);
  return text;
}

void discard_stdout(const std::function<void()> &body) { capture_stdout(body); }
