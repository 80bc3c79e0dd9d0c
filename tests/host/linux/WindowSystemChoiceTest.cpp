#include <gtest/gtest.h>

#include <tuple>

#include "host/linux/WindowSystemChoice.h"

namespace {

using linuxhost::WindowSystemKind;
using linuxhost::WindowSystemRequest;

TEST(WaylandHost, WindowSystemIsWaylandOnlyWithLayerShellUnlessForced) {
  const std::tuple<WindowSystemRequest, bool, const char*, bool, WindowSystemKind> cases[] = {
      // request, names an X window, $WAYLAND_DISPLAY, layer-shell offered, choice
      {WindowSystemRequest::Automatic, false, "wayland-0", true, WindowSystemKind::Wayland},
      {WindowSystemRequest::Automatic, false, "wayland-0", false, WindowSystemKind::X11},  // GNOME Shell
      {WindowSystemRequest::Automatic, false, nullptr, true, WindowSystemKind::X11},
      {WindowSystemRequest::Automatic, false, "", true, WindowSystemKind::X11},
      {WindowSystemRequest::Automatic, true, "wayland-0", true, WindowSystemKind::X11},  // --root, /p
      {WindowSystemRequest::X11, false, "wayland-0", true, WindowSystemKind::X11},
      {WindowSystemRequest::Wayland, false, nullptr, false, WindowSystemKind::Wayland},
  };
  for (const auto& [request, namesX, display, offered, expected] : cases) {
    int asked = 0;
    const WindowSystemKind kind = linuxhost::ChooseWindowSystem(request, namesX, display, [&] {
      ++asked;
      return offered;
    });
    EXPECT_EQ(kind, expected) << (display != nullptr ? display : "unset") << " " << namesX;
    // The compositor is asked only when its answer decides.
    const bool decides = request == WindowSystemRequest::Automatic && !namesX && display != nullptr && *display;
    EXPECT_EQ(asked, decides ? 1 : 0);
  }
}

}  // namespace
