#include "callbacks.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "frame.h"
#include "render_state.h"

float xrot = 0.0f;
float yrot = 0.0f;

namespace {

constexpr unsigned char kEscape = 27;
constexpr unsigned int kDisplayMode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL;

float step(float value, double delta) {
  return static_cast<float>(static_cast<double>(value) + delta);
}

}  // namespace

void key(unsigned char k, int, int) {
  switch (k) {
    case kEscape:
      std::exit(0);
    case 'a':
      toggle_flag(&eje_aspect);
      return;
    case 'm':
      toggle_flag(&vista_viajero);
      return;
    case 'c':
      posf = step(posf, -0.1);
      break;
    case 'd':
      posf = step(posf, 0.1);
      break;
    case 'f':
      toggle_flag(&frustrum);
      break;
    case 's':
      fov = step(fov, 5.0f);
      break;
    case 'x':
      fov = step(fov, -5.0f);
      break;
    default:
      return;
  }
  actualiza_perspectiva();
}

void special(int k, int, int) {
  switch (k) {
    case GLUT_KEY_LEFT:
      yrot = step(yrot, 3.0);
      break;
    case GLUT_KEY_RIGHT:
      yrot = step(yrot, -3.0);
      break;
    case GLUT_KEY_UP:
      xrot = step(xrot, 3.0);
      if (xrot > 180.0f) xrot = 180.0f;
      break;
    case GLUT_KEY_DOWN:
      xrot = step(xrot, -3.0);
      if (xrot < 0.0f) xrot = 0.0f;
      break;
    default:
      return;
  }
  glutPostRedisplay();
}

void visible(int state) { glutIdleFunc(state == GLUT_VISIBLE ? idle : nullptr); }

void idle() { glutPostRedisplay(); }

void start_viewer(int *argc, char **argv) {
  // The size is requested before glutInit so that -geometry overrides it.
  glutInitWindowSize(400, 400);
  glutInit(argc, argv);
  glutInitDisplayMode(kDisplayMode);
  glutCreateWindow("Rodured Ovezor");
  glutReshapeFunc(reshape);
  glutDisplayFunc(draw_scene);
  glutKeyboardFunc(key);
  glutSpecialFunc(special);
  glutVisibilityFunc(visible);
  init();
}
