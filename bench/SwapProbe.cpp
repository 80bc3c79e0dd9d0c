// Preloaded into a program under measurement: records the moment each
// glXSwapBuffers or eglSwapBuffers call returns, as 8-byte CLOCK_MONOTONIC nanosecond counts
// appended to the file named by ZIRBEL_SWAP_LOG. One clock read and one write
// per frame, so the program's own cost is hardly touched.
#include <EGL/egl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

using SwapFunction = void (*)(Display*, GLXDrawable);
using EglSwapFunction = EGLBoolean (*)(EGLDisplay, EGLSurface);

SwapFunction RealSwap() {
  static SwapFunction real = reinterpret_cast<SwapFunction>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
  return real;
}

EglSwapFunction RealEglSwap() {
  static EglSwapFunction real = reinterpret_cast<EglSwapFunction>(dlsym(RTLD_NEXT, "eglSwapBuffers"));
  return real;
}

int LogFile() {
  static int fd = [] {
    const char* path = std::getenv("ZIRBEL_SWAP_LOG");
    return path != nullptr ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
  }();
  return fd;
}

void LogSwap() {
  const int fd = LogFile();
  if (fd < 0) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::int64_t ns = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  // A short write loses one sample, never the program's frame.
  [[maybe_unused]] const ssize_t written = write(fd, &ns, sizeof ns);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  if (SwapFunction real = RealSwap()) real(display, drawable);
  LogSwap();
}

extern "C" __attribute__((visibility("default"))) EGLBoolean eglSwapBuffers(EGLDisplay display, EGLSurface surface) {
  const EGLBoolean done = RealEglSwap() != nullptr ? RealEglSwap()(display, surface) : EGL_FALSE;
  LogSwap();
  return done;
}
