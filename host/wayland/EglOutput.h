#pragma once
// EGL on a Wayland connection: one desktop OpenGL compatibility context, so
// that the scene's OpenGL 1.1 runs as it does under GLX, and one window
// surface per output surface, made current in turn.
#include <EGL/egl.h>

#include <cstdint>
#include <string>

struct wl_display;
struct wl_surface;
struct wl_egl_window;

namespace waylandhost {

class EglContext {
 public:
  EglContext() = default;
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;
  ~EglContext() { Close(); }

  // A double-buffered RGB config and a context; false, with `problem` saying
  // why, when there is none.
  bool Open(wl_display* display, std::string* problem);
  void Close();
  // Leaves no surface current (where the driver allows it).
  void Release();

  EGLDisplay display() const { return display_; }
  EGLConfig config() const { return config_; }
  EGLContext context() const { return context_; }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLConfig config_ = nullptr;
  EGLContext context_ = EGL_NO_CONTEXT;
};

// The EGL window of one Wayland surface, sized in buffer pixels.
class EglWindow {
 public:
  EglWindow() = default;
  EglWindow(const EglWindow&) = delete;
  EglWindow& operator=(const EglWindow&) = delete;
  ~EglWindow() { Destroy(); }

  // Creates it at the given size, or resizes it; false when EGL refuses.
  bool Size(EglContext& egl, wl_surface* surface, std::int32_t width, std::int32_t height);
  bool MakeCurrent();
  void Swap();
  void Destroy();
  bool Exists() const { return surface_ != EGL_NO_SURFACE; }

 private:
  EglContext* egl_ = nullptr;
  wl_egl_window* window_ = nullptr;
  EGLSurface surface_ = EGL_NO_SURFACE;
};

}  // namespace waylandhost
