// GLUT callbacks of the application shell: keyboard, visibility and idle.
#pragma once

// Angles kept by the arrow keys; nothing in a frame reads them.
extern float xrot;
extern float yrot;

void key(unsigned char k, int x, int y);
void special(int k, int x, int y);
void visible(int state);
void idle();

// Opens the window, registers the callbacks and sets the render state: all
// of start-up but the main loop.
void start_viewer(int *argc, char **argv);
