#include "host/wayland/EglOutput.h"

#include <EGL/eglext.h>
#include <wayland-egl.h>


namespace waylandhost {

bool EglContext::Open(wl_display* wayland, std::string* problem) {
  display_ = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, wayland, nullptr);
  EGLint major = 0;
  EGLint minor = 0;
  if (display_ == EGL_NO_DISPLAY || eglInitialize(display_, &major, &minor) != EGL_TRUE) {
    *problem = "EGL cannot be initialised on the Wayland display.";
    display_ = EGL_NO_DISPLAY;
    return false;
  }
  // The scene speaks OpenGL 1.1: a desktop OpenGL context, not OpenGL ES.
  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    *problem = "EGL offers no desktop OpenGL.";
    return false;
  }
  const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
  EGLint found = 0;
  if (eglChooseConfig(display_, attributes, &config_, 1, &found) != EGL_TRUE || found < 1) {
    *problem = "EGL offers no RGB window config with desktop OpenGL.";
    return false;
  }
  // No attributes: the compatibility profile, in which OpenGL 1.1 runs.
  context_ = eglCreateContext(display_, config_, EGL_NO_CONTEXT, nullptr);
  if (context_ == EGL_NO_CONTEXT) {
    *problem = "EGL cannot create an OpenGL context.";
    return false;
  }
  return true;
}

void EglContext::Release() {
  if (display_ != EGL_NO_DISPLAY) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void EglContext::Close() {
  if (display_ == EGL_NO_DISPLAY) return;
  Release();
  if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  context_ = EGL_NO_CONTEXT;
  eglTerminate(display_);
  display_ = EGL_NO_DISPLAY;
}

bool EglWindow::Size(EglContext& egl, wl_surface* surface, std::int32_t width, std::int32_t height) {
  if (window_ != nullptr) {
    wl_egl_window_resize(window_, width, height, 0, 0);
    return true;
  }
  egl_ = &egl;
  window_ = wl_egl_window_create(surface, width, height);
  if (window_ == nullptr) return false;
  surface_ = eglCreatePlatformWindowSurface(egl.display(), egl.config(), window_, nullptr);
  if (surface_ == EGL_NO_SURFACE) {
    Destroy();
    return false;
  }
  // Several surfaces are drawn in turn: a swap must not wait for the
  // compositor's next frame, the scene's own delay paces the loop.
  if (MakeCurrent()) eglSwapInterval(egl.display(), 0);
  return true;
}

bool EglWindow::MakeCurrent() {
  return surface_ != EGL_NO_SURFACE &&
         eglMakeCurrent(egl_->display(), surface_, surface_, egl_->context()) == EGL_TRUE;
}

void EglWindow::Swap() {
  if (surface_ != EGL_NO_SURFACE) eglSwapBuffers(egl_->display(), surface_);
}

void EglWindow::Destroy() {
  if (surface_ != EGL_NO_SURFACE) {
    if (eglGetCurrentSurface(EGL_DRAW) == surface_) egl_->Release();
    eglDestroySurface(egl_->display(), surface_);
  }
  surface_ = EGL_NO_SURFACE;
  if (window_ != nullptr) wl_egl_window_destroy(window_);
  window_ = nullptr;
}

}  // namespace waylandhost
