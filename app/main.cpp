#include <GL/freeglut.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "callbacks.h"

namespace {

// A closed standard stream would let the X connection take its descriptor,
// and the matrix printout would then write into the X socket. Park any closed
// one on /dev/null first.
void keep_standard_streams_open() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) {
      const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (opened != -1 && opened != fd) {
        dup2(opened, fd);
        close(opened);
      }
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  keep_standard_streams_open();
  // A reader that goes away must not end the viewer: writes then just fail.
  std::signal(SIGPIPE, SIG_IGN);
  start_viewer(&argc, argv);
  glutMainLoop();
  return 0;
}
