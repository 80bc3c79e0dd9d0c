#pragma once
// OpenGL 1.1 and GLU, the only graphics API of the picture code.
#include <GL/gl.h>
#include <GL/glu.h>
