// Shared start-up and frame marker of the two floor programs. They open their
// window exactly as the viewer does, so that they differ from it only in what
// a frame does.
#pragma once

// Window size, GLUT command line, display mode, title, reshape, visibility
// and idle scheme and fixed render state, all as in the viewer; then the given
// display callback. Everything but the main loop.
void start_floor_window(int *argc, char **argv, void (*display)());

// Writes one line, the frame marker, to standard output.
void print_frame_line();
