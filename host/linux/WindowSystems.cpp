#include "host/linux/WindowSystems.h"

#include "host/wayland/WaylandBackend.h"
#include "host/x11/X11Backend.h"

namespace linuxhost {

const std::vector<WindowSystem>& WindowSystems() {
  static const std::vector<WindowSystem> systems = {
      x11host::X11WindowSystem(),
      waylandhost::WaylandWindowSystem(),
  };
  return systems;
}

bool Supports(const BackendCaps& caps, RunKind kind) {
  switch (kind) {
    case RunKind::Saver: return true;
    case RunKind::Preview: return caps.preview;
    case RunKind::Borrowed: return caps.borrowed;
    case RunKind::Background: return caps.background;
  }
  return false;
}

namespace {

// How a run of each kind is named in a message.
const char* KindWords(RunKind kind) {
  switch (kind) {
    case RunKind::Preview: return "a preview";
    case RunKind::Borrowed: return "--root or --window-id";
    case RunKind::Background: return "--layer";
    case RunKind::Saver: break;
  }
  return "the saver";
}

// The titles of the systems that can draw `kind`: "X11", "X11 or Wayland".
std::string Able(const std::vector<WindowSystem>& systems, RunKind kind) {
  std::string titles;
  for (const WindowSystem& system : systems) {
    if (!Supports(system.caps, kind)) continue;
    if (!titles.empty()) titles += " or ";
    titles += system.title;
  }
  return titles.empty() ? "a window system this program lacks" : titles;
}

}  // namespace

const WindowSystem* ChooseWindowSystem(const std::vector<WindowSystem>& systems, const std::string& forced,
                                       RunKind kind, std::string* error) {
  const WindowSystem* fallback = nullptr;
  for (const WindowSystem& system : systems) {
    const bool able = Supports(system.caps, kind);
    if (!forced.empty()) {
      if (forced != system.name) continue;
      if (able) return &system;
      *error = std::string(KindWords(kind)) + " needs " + Able(systems, kind) + ", not --" + forced;
      return nullptr;
    }
    if (!able) continue;
    if (system.probe == nullptr) {
      if (fallback == nullptr) fallback = &system;
    } else if (system.probe()) {
      return &system;
    }
  }
  if (!forced.empty()) {
    *error = "there is no window system named " + forced;
    return nullptr;
  }
  if (fallback == nullptr) *error = std::string(KindWords(kind)) + " needs " + Able(systems, kind);
  return fallback;
}

}  // namespace linuxhost
