// The Wayland saver's event loop and input: the connection's events, the
// stop signals, and the seat's pointer and keyboard, which go through the
// close policy as the X11 and Win32 windows' input goes. Only the saver takes
// input; the background lets it through.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "host/linux/KeySyms.h"
#include "host/linux/StopSignals.h"
#include "host/linux/SystemServices.h"
#include "host/wayland/WaylandBackend.h"

namespace waylandhost {

namespace {

// Linux input codes of the three buttons that click.
constexpr std::uint32_t kButtonLeft = 0x110;
constexpr std::uint32_t kButtonRight = 0x111;
constexpr std::uint32_t kButtonMiddle = 0x112;

}  // namespace

// --- the event loop --------------------------------------------------------

bool WaylandBackend::Dispatch() {
  std::uint32_t repeated = 0;
  if (repeat_.Due(linuxhost::MonotonicMilliseconds(), &repeated)) {
    events_->KeyOrButton(repeated);
    return true;
  }
  int handled = wl_display_dispatch_pending(display_);
  if (handled == 0 && wl_display_prepare_read(display_) == 0) {
    wl_display_flush(display_);
    pollfd watched{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&watched, 1, 0) > 0) {
      if (wl_display_read_events(display_) != 0) lost_ = true;
    } else {
      wl_display_cancel_read(display_);
    }
    handled = wl_display_dispatch_pending(display_);
  }
  if (handled < 0) lost_ = true;
  DropGoneSurfaces();
  if (layoutChanged_) {
    layoutChanged_ = false;
    events_->LayoutChanged();
  }
  // The keyboard left and went to none of the saver's surfaces; the focus
  // that goes with the seat's last keyboard is not taken by anyone.
  if (focusChanged_) {
    focusChanged_ = false;
    if (hadFocus_ && focus_ == nullptr && keyboardPresent_) events_->Activation(false);
  }
  return handled > 0;
}

bool WaylandBackend::Wait(std::int32_t milliseconds) {
  if (linuxhost::StopRequested() || lost_) return true;
  // A held key's next repeat ends the wait as an event would.
  const std::int32_t repeatIn = repeat_.Wait(linuxhost::MonotonicMilliseconds());
  if (repeatIn == 0) return true;
  const bool repeatFirst = repeatIn > 0 && (milliseconds < 0 || repeatIn < milliseconds);
  if (repeatFirst) milliseconds = repeatIn;
  if (wl_display_prepare_read(display_) != 0) return true;  // events wait in the queue
  wl_display_flush(display_);
  const int stopFd = linuxhost::StopSignalFd();
  pollfd watched[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {stopFd, POLLIN, 0}};
  const int ready = poll(watched, stopFd >= 0 ? 2 : 1, milliseconds < 0 ? -1 : milliseconds);
  if (ready > 0 && watched[0].revents != 0) {
    if (wl_display_read_events(display_) != 0) lost_ = true;
  } else {
    wl_display_cancel_read(display_);
  }
  return ready != 0 || repeatFirst;
}

bool WaylandBackend::QuitRequested() {
  if (lost_ && !quit_) std::fputs("zirbel: the connection to the Wayland compositor was lost\n", stderr);
  if (lost_) quit_ = true;
  return quit_ || linuxhost::StopRequested();
}

// --- input (the saver only) ------------------------------------------------

void WaylandBackend::OnSeatCapabilities(std::uint32_t capabilities) {
  if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && pointer_ == nullptr) {
    pointer_ = wl_seat_get_pointer(seat_);
    Listen(pointer_, this);
  }
  // The seat's pointer and keyboard are kept when its last device goes:
  // events of the next device arrive through them again.
  keyboardPresent_ = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (keyboardPresent_ && keyboard_ == nullptr) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    Listen(keyboard_, this);
  }
}

SaverOutput* WaylandBackend::OutputShowing(wl_surface* surface) {
  for (auto& output : outputs_) {
    if (surface != nullptr && output->surface && output->surface->surface == surface) return output.get();
  }
  return nullptr;
}

void WaylandBackend::OnPointerAt(wl_surface* surface, double sx, double sy, std::uint32_t enterSerial) {
  if (surface != nullptr) {
    // Entering one of the saver's surfaces: the cursor is hidden there.
    pointerSerial_ = enterSerial;
    pointerSurface_ = surface;
    RefreshCursor();
  }
  const SaverOutput* output = OutputShowing(pointerSurface_);
  if (output == nullptr) return;
  pointerAt_ = DesktopPoint(output->info, sx, sy);
  pointerKnown_ = true;
  events_->PointerMoved();
}

void WaylandBackend::OnButton(std::uint32_t button, bool pressed) {
  if (!pressed) return;
  std::uint32_t flags = 0;
  switch (button) {
    case kButtonLeft: flags = linuxhost::kMkLeft; break;
    case kButtonRight: flags = linuxhost::kMkRight; break;
    case kButtonMiddle: flags = linuxhost::kMkMiddle; break;
    default: return;  // side buttons are not clicks
  }
  events_->KeyOrButton(flags);
}

void WaylandBackend::OnKeymap(std::uint32_t format, int fd, std::uint32_t size) {
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text != MAP_FAILED) {
      keys_.LoadKeymap(static_cast<const char*>(text), size);
      munmap(text, size);
    }
  }
  close(fd);
}

void WaylandBackend::OnKeyboardFocus(wl_surface* surface, bool entered) {
  if (entered) {
    if (OutputShowing(surface) == nullptr) return;
    focus_ = surface;
    hadFocus_ = true;
    events_->Activation(true);
    return;
  }
  repeat_.Stop();
  // A surface the saver dropped with its output (null here once destroyed)
  // takes the focus with it: that is no loss of activation.
  if (surface == nullptr || surface != focus_) return;
  focus_ = nullptr;
  focusChanged_ = true;
}

void WaylandBackend::OnKey(std::uint32_t key, bool pressed) {
  if (!pressed) {
    repeat_.Release(key);
    return;
  }
  const linuxhost::TranslatedKey press = keys_.Translate(key);
  if (!press.activity) return;
  if (keys_.Repeats(key)) repeat_.Press(key, press.code, linuxhost::MonotonicMilliseconds());
  events_->KeyOrButton(press.code);
}

void WaylandBackend::OnModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                               std::uint32_t group) {
  keys_.UpdateModifiers(depressed, latched, locked, group);
}

void WaylandBackend::RefreshCursor() {
  // No cursor over the saver; the password check, where there is one, shows
  // its own window.
  if (pointer_ != nullptr && pointerSerial_ != 0) wl_pointer_set_cursor(pointer_, pointerSerial_, nullptr, 0, 0);
}

bool WaylandBackend::CursorPosition(CursorPoint& out) {
  if (!pointerKnown_) return false;
  out = pointerAt_;
  return true;
}

}  // namespace waylandhost
