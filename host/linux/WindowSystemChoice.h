#pragma once
// Which window system draws the run: the choice made once at start-up, beside
// the interface the two window systems share (host/linux/WindowSystem.h). The
// options (--x11, --wayland, --layer) give the request; main makes the choice.
namespace linuxhost {

// Which window system draws: chosen at start-up unless an option forces it.
enum class WindowSystemRequest {
  Automatic,  // Wayland when WAYLAND_DISPLAY is set and layer-shell is offered, else X11
  X11,        // --x11
  Wayland,    // --wayland
};

enum class WindowSystemKind { X11, Wayland };

// The window system a run uses: the one `request` forces; else X11 when the
// run draws into an X window it was given (`namesXWindow`: --root,
// --window-id, a preview parent); else Wayland when `waylandDisplay`
// ($WAYLAND_DISPLAY, null when unset) names one and `offersLayerShell`
// answers true (it is asked only then); else X11, which XWayland provides
// where the compositor offers no layer-shell.
template <typename Probe>
WindowSystemKind ChooseWindowSystem(WindowSystemRequest request, bool namesXWindow, const char* waylandDisplay,
                                    Probe offersLayerShell) {
  switch (request) {
    case WindowSystemRequest::X11: return WindowSystemKind::X11;
    case WindowSystemRequest::Wayland: return WindowSystemKind::Wayland;
    case WindowSystemRequest::Automatic: break;
  }
  const bool wayland = !namesXWindow && waylandDisplay != nullptr && *waylandDisplay != '\0' && offersLayerShell();
  return wayland ? WindowSystemKind::Wayland : WindowSystemKind::X11;
}

}  // namespace linuxhost
