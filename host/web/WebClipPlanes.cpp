// Clip planes that cut the geometry, as OpenGL's do, in front of the
// emulation's immediate mode. The emulation tests its clip planes per
// fragment, so each mirror copy would rasterise the whole field and throw
// most of it away; without a GPU that is most of a frame's cost. Here the
// quads of a glBegin/glEnd are clipped against the enabled planes before they
// reach the emulation, and the emulation's own planes stay off. Primitives
// other than quads, triangles and polygons pass unclipped (the picture draws
// none inside its mirror segments).
#include <GL/gl.h>

#include <cstddef>
#include <utility>
#include <vector>

extern "C" {
void emscripten_glBegin(GLenum mode);
void emscripten_glEnd();
void emscripten_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void emscripten_glTexCoord2f(GLfloat s, GLfloat t);
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glGetFloatv(GLenum name, GLfloat* values);
}

namespace {

constexpr int kPlanes = 2;  // the mirror segments' two; more pass to the emulation

struct Vertex {
  double x, y, z, s, t;
};

struct ClipState {
  double planes[kPlanes][4] = {};  // eye coordinates
  bool enabled[kPlanes] = {};
  GLenum mode = 0;
  bool buffering = false;
  bool textured = false;
  GLfloat s = 0.0f, t = 0.0f;
  std::vector<Vertex> vertices;
  std::vector<Vertex> polygon, clipped;
};

ClipState& State() {
  static ClipState state;  // the one GL context's, as the emulation's own state is
  return state;
}

// The inverse of the column-major 4x4 matrix `m`; false when it has none.
bool Invert(const double m[16], double out[16]) {
  double a[4][8];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      a[r][c] = m[c * 4 + r];
      a[r][c + 4] = r == c ? 1.0 : 0.0;
    }
  }
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r) {
      if ((a[r][c] < 0 ? -a[r][c] : a[r][c]) > (a[pivot][c] < 0 ? -a[pivot][c] : a[pivot][c])) pivot = r;
    }
    if (a[pivot][c] == 0.0) return false;
    std::swap(a[pivot], a[c]);
    const double scale = 1.0 / a[c][c];
    for (double& v : a[c]) v *= scale;
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      const double f = a[r][c];
      for (int k = 0; k < 8; ++k) a[r][k] -= f * a[c][k];
    }
  }
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out[c * 4 + r] = a[r][c + 4];
  }
  return true;
}

void ModelView(double m[16]) {
  GLfloat f[16];
  emscripten_glGetFloatv(GL_MODELVIEW_MATRIX, f);
  for (int i = 0; i < 16; ++i) m[i] = f[i];
}

// A plane p (p . v >= 0 kept) in object coordinates of the modelview matrix
// m, given in eye coordinates e: p = transpose(m) e.
void ToObject(const double m[16], const double e[4], double p[4]) {
  for (int j = 0; j < 4; ++j) p[j] = m[j * 4] * e[0] + m[j * 4 + 1] * e[1] + m[j * 4 + 2] * e[2] + m[j * 4 + 3] * e[3];
}

double Side(const double p[4], const Vertex& v) { return p[0] * v.x + p[1] * v.y + p[2] * v.z + p[3]; }

// Sutherland-Hodgman: the part of `in` on the kept side of `p`.
void ClipPolygon(const double p[4], const std::vector<Vertex>& in, std::vector<Vertex>* out) {
  out->clear();
  for (std::size_t i = 0; i < in.size(); ++i) {
    const Vertex& a = in[i];
    const Vertex& b = in[(i + 1) % in.size()];
    const double da = Side(p, a), db = Side(p, b);
    if (da >= 0.0) out->push_back(a);
    if ((da >= 0.0) != (db >= 0.0)) {
      const double f = da / (da - db);
      out->push_back({a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z), a.s + f * (b.s - a.s),
                      a.t + f * (b.t - a.t)});
    }
  }
}

void Emit(const Vertex& v, bool textured) {
  if (textured) emscripten_glTexCoord2f(static_cast<GLfloat>(v.s), static_cast<GLfloat>(v.t));
  emscripten_glVertex3f(static_cast<GLfloat>(v.x), static_cast<GLfloat>(v.y), static_cast<GLfloat>(v.z));
}

// The buffered primitive's polygons, clipped, as triangle fans.
void Flush(ClipState& c) {
  double m[16];
  ModelView(m);
  double planes[kPlanes][4];
  int count = 0;
  for (int i = 0; i < kPlanes; ++i) {
    if (c.enabled[i]) ToObject(m, c.planes[i], planes[count++]);
  }
  const std::size_t size = c.mode == GL_QUADS ? 4 : c.mode == GL_TRIANGLES ? 3 : c.vertices.size();
  if (size < 3) return;
  emscripten_glBegin(GL_TRIANGLES);
  for (std::size_t first = 0; first + size <= c.vertices.size(); first += size) {
    c.polygon.assign(c.vertices.begin() + static_cast<std::ptrdiff_t>(first),
                     c.vertices.begin() + static_cast<std::ptrdiff_t>(first + size));
    for (int i = 0; i < count && !c.polygon.empty(); ++i) {
      ClipPolygon(planes[i], c.polygon, &c.clipped);
      std::swap(c.polygon, c.clipped);
    }
    for (std::size_t k = 1; k + 1 < c.polygon.size(); ++k) {
      Emit(c.polygon[0], c.textured);
      Emit(c.polygon[k], c.textured);
      Emit(c.polygon[k + 1], c.textured);
    }
  }
  emscripten_glEnd();
}

void AddVertex(GLfloat x, GLfloat y, GLfloat z) {
  ClipState& c = State();
  if (!c.buffering) {
    emscripten_glVertex3f(x, y, z);
    return;
  }
  c.vertices.push_back({x, y, z, c.s, c.t});
}

// The two planes are ours; every other capability is the emulation's.
void SetCapability(GLenum cap, bool on) {
  const int i = static_cast<int>(cap) - GL_CLIP_PLANE0;
  if (i >= 0 && i < kPlanes) {
    State().enabled[i] = on;
  } else if (on) {
    emscripten_glEnable(cap);
  } else {
    emscripten_glDisable(cap);
  }
}

}  // namespace

extern "C" {

void glClipPlane(GLenum plane, const GLdouble* equation) {
  const int i = static_cast<int>(plane) - GL_CLIP_PLANE0;
  if (i < 0 || i >= kPlanes) return;
  // Kept in eye coordinates, as OpenGL keeps it: e = inverse(transpose(m)) q.
  double m[16], inverse[16];
  ModelView(m);
  if (!Invert(m, inverse)) return;
  double* e = State().planes[i];
  for (int r = 0; r < 4; ++r) {
    e[r] = inverse[r * 4] * equation[0] + inverse[r * 4 + 1] * equation[1] + inverse[r * 4 + 2] * equation[2] +
           inverse[r * 4 + 3] * equation[3];
  }
}

void glEnable(GLenum cap) { SetCapability(cap, true); }
void glDisable(GLenum cap) { SetCapability(cap, false); }

void glBegin(GLenum mode) {
  ClipState& c = State();
  c.mode = mode;
  c.buffering = (c.enabled[0] || c.enabled[1]) && (mode == GL_QUADS || mode == GL_TRIANGLES || mode == GL_POLYGON);
  c.textured = false;
  c.vertices.clear();
  if (!c.buffering) emscripten_glBegin(mode);
}

void glEnd() {
  ClipState& c = State();
  if (c.buffering) {
    Flush(c);
  } else {
    emscripten_glEnd();
  }
  c.buffering = false;
}

void glTexCoord2f(GLfloat s, GLfloat t) {
  ClipState& c = State();
  c.s = s;
  c.t = t;
  c.textured = true;
  if (!c.buffering) emscripten_glTexCoord2f(s, t);
}

void glTexCoord2fv(const GLfloat* v) { glTexCoord2f(v[0], v[1]); }
void glVertex2f(GLfloat x, GLfloat y) { AddVertex(x, y, 0.0f); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { AddVertex(x, y, z); }
void glVertex3fv(const GLfloat* v) { AddVertex(v[0], v[1], v[2]); }

}  // extern "C"
