// What the picture calls of OpenGL 1.1 and GLU that Emscripten's
// fixed-function emulation leaves out or gets wrong on WebGL; defined here,
// they take the place of the emulation's own.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstddef>
#include <vector>

extern "C" void glGenerateMipmap(GLenum target);
// WebGL's own, which the definitions here stand in front of.
extern "C" void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                        GLsizei height, GLint border, GLenum format, GLenum type, const void* data);

namespace {

bool PowerOfTwo(GLsizei n) { return n > 0 && (n & (n - 1)) == 0; }

void Normalize(float v[3]) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0.0f) return;
  for (int i = 0; i < 3; ++i) v[i] /= length;
}

void Cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

extern "C" {

// WebGL draws into its one back buffer; the emulation throws on any call.
void glDrawBuffer(GLenum) {}

// WebGL interpolates in perspective and takes no such hint (the emulation
// passes it on and WebGL reports an error).
void glHint(GLenum, GLenum) {}

// The emulation takes the texture environment's mode only as an integer.
void glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
  glTexEnvi(target, pname, static_cast<GLint>(param));
}

// The emulation's two GLU matrices replace the current matrix (and its
// gluLookAt hands its arguments over in the wrong order); GLU multiplies
// the current matrix, and computes them so.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double radians = fovy / 2.0 * 3.14159265358979323846 / 180.0;
  const double depth = zFar - zNear;
  const double sine = std::sin(radians);
  if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;
  const double cotangent = std::cos(radians) / sine;
  const GLfloat m[16] = {static_cast<GLfloat>(cotangent / aspect), 0.0f, 0.0f, 0.0f,
                         0.0f, static_cast<GLfloat>(cotangent), 0.0f, 0.0f,
                         0.0f, 0.0f, static_cast<GLfloat>(-(zFar + zNear) / depth), -1.0f,
                         0.0f, 0.0f, static_cast<GLfloat>(-2.0 * zNear * zFar / depth), 0.0f};
  glMultMatrixf(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ) {
  float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                      static_cast<float>(centerZ - eyeZ)};
  float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
  Normalize(forward);
  float side[3];
  Cross(forward, up, side);
  Normalize(side);
  Cross(side, forward, up);
  const GLfloat m[16] = {side[0], up[0], -forward[0], 0.0f, side[1], up[1], -forward[1], 0.0f,
                         side[2], up[2], -forward[2], 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
  glMultMatrixf(m);
  glTranslatef(static_cast<GLfloat>(-eyeX), static_cast<GLfloat>(-eyeY), static_cast<GLfloat>(-eyeZ));
}

// WebGL takes no internal format other than the format itself. An alpha
// texture goes in as white with that alpha: the emulation's modulation
// multiplies by the texel's colour too, which is black for an alpha texture,
// where OpenGL keeps the fragment's colour.
void glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height, GLint border, GLenum format,
                  GLenum type, const void* data) {
  if (format != GL_ALPHA || type != GL_UNSIGNED_BYTE || data == nullptr || width <= 0 || height <= 0) {
    emscripten_glTexImage2D(target, level, static_cast<GLint>(format), width, height, border, format, type, data);
    return;
  }
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const unsigned char* alpha = static_cast<const unsigned char*>(data);
  std::vector<unsigned char> white(count * 2, 255);
  for (std::size_t i = 0; i < count; ++i) white[2 * i + 1] = alpha[i];
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  emscripten_glTexImage2D(target, level, GL_LUMINANCE_ALPHA, width, height, border, GL_LUMINANCE_ALPHA, type,
                          white.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

// WebGL has no GLU: the image is uploaded as it is and WebGL makes the
// smaller levels. A size that is not a power of two (for which WebGL makes
// none) keeps one level and filters without mipmaps.
GLint gluBuild2DMipmaps(GLenum target, GLint, GLsizei width, GLsizei height, GLenum format, GLenum type,
                        const void* data) {
  glTexImage2D(target, 0, static_cast<GLint>(format), width, height, 0, format, type, data);
  if (PowerOfTwo(width) && PowerOfTwo(height)) {
    glGenerateMipmap(target);
  } else {
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  }
  return 0;
}

}  // extern "C"
