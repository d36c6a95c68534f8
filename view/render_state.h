// View settings, the fixed render state and the two projection modes.
#pragma once

extern float fov;                    // vertical field of view of perspective mode, degrees
extern float posf;                   // sideways shift of the frustum window at the near plane
extern unsigned char frustrum;       // set: frustum mode; clear: perspective mode
extern unsigned char eje_aspect;     // set: perspective mode uses aspecto; clear: 1.0
extern float aspecto;                // window width / height, from the last reshape
extern unsigned char vista_viajero;  // set: camera rides on teapot 0

// Flips a one-byte flag: 0 becomes 1, anything else 0.
inline void toggle_flag(unsigned char *flag) { *flag = !*flag; }

// Fixed GL state, once, after the window exists.
void init();
// Re-installs the projection from the current settings.
void actualiza_perspectiva();
// Follows a new window size; always installs perspective mode.
void reshape(int width, int height);
