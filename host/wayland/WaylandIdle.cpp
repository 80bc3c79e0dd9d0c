#include "host/wayland/WaylandIdle.h"

#include <glib-unix.h>
#include <glib.h>
#include <wayland-client.h>

#include <cstring>
#include <utility>

#include "wayland/ext-idle-notify-v1-client-protocol.h"
#include "wayland/idle-client-protocol.h"

namespace waylandhost {

struct WaylandIdle::State {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  ext_idle_notifier_v1* notifier = nullptr;
  org_kde_kwin_idle* kdeIdle = nullptr;
  ext_idle_notification_v1* notification = nullptr;
  org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
  linuxhost::IdleCallbacks callbacks;
  guint watch = 0;

  void Changed(bool idle) {
    if (callbacks.changed) callbacks.changed(idle);
  }
  static gboolean OnConnection(gint, GIOCondition condition, gpointer data) {
    State* self = static_cast<State*>(data);
    const bool broken = (condition & (G_IO_HUP | G_IO_ERR)) != 0 ||
                        wl_display_dispatch(self->display) < 0 || wl_display_flush(self->display) < 0;
    if (!broken) return G_SOURCE_CONTINUE;
    self->watch = 0;
    if (self->callbacks.gone) self->callbacks.gone();
    return G_SOURCE_REMOVE;
  }
};

namespace {

using State = WaylandIdle::State;

void Global(void* data, wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t) {
  State* state = static_cast<State*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && state->seat == nullptr) {
    state->seat = static_cast<wl_seat*>(wl_registry_bind(registry, id, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
    state->notifier = static_cast<ext_idle_notifier_v1*>(wl_registry_bind(registry, id, &ext_idle_notifier_v1_interface, 1));
  } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
    state->kdeIdle = static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, id, &org_kde_kwin_idle_interface, 1));
  }
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry = {&Global, &GlobalRemove};

void ExtIdled(void* data, ext_idle_notification_v1*) { static_cast<State*>(data)->Changed(true); }
void ExtResumed(void* data, ext_idle_notification_v1*) { static_cast<State*>(data)->Changed(false); }
const ext_idle_notification_v1_listener kExtListener = {&ExtIdled, &ExtResumed};

void KdeIdled(void* data, org_kde_kwin_idle_timeout*) { static_cast<State*>(data)->Changed(true); }
void KdeResumed(void* data, org_kde_kwin_idle_timeout*) { static_cast<State*>(data)->Changed(false); }
const org_kde_kwin_idle_timeout_listener kKdeListener = {&KdeIdled, &KdeResumed};

}  // namespace

WaylandIdle::WaylandIdle(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<WaylandIdle> WaylandIdle::Connect() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  auto state = std::make_unique<State>();
  state->display = display;
  state->registry = wl_display_get_registry(display);
  wl_registry_add_listener(state->registry, &kRegistry, state.get());
  wl_display_roundtrip(display);
  return std::unique_ptr<WaylandIdle>(new WaylandIdle(std::move(state)));
}

WaylandIdle::~WaylandIdle() {
  if (state_->watch != 0) g_source_remove(state_->watch);
  if (state_->notification != nullptr) ext_idle_notification_v1_destroy(state_->notification);
  if (state_->kdeTimeout != nullptr) org_kde_kwin_idle_timeout_release(state_->kdeTimeout);
  if (state_->notifier != nullptr) ext_idle_notifier_v1_destroy(state_->notifier);
  if (state_->kdeIdle != nullptr) org_kde_kwin_idle_destroy(state_->kdeIdle);
  if (state_->seat != nullptr) wl_seat_destroy(state_->seat);
  wl_registry_destroy(state_->registry);
  wl_display_disconnect(state_->display);
}

bool WaylandIdle::HasExtIdleNotify() const { return state_->notifier != nullptr && state_->seat != nullptr; }
bool WaylandIdle::HasKdeIdle() const { return state_->kdeIdle != nullptr && state_->seat != nullptr; }

bool WaylandIdle::Watch(unsigned seconds, linuxhost::IdleCallbacks callbacks, std::string* why) {
  const std::uint32_t timeoutMs = seconds * 1000u;
  state_->callbacks = std::move(callbacks);
  if (HasExtIdleNotify()) {
    state_->notification = ext_idle_notifier_v1_get_idle_notification(state_->notifier, timeoutMs, state_->seat);
    ext_idle_notification_v1_add_listener(state_->notification, &kExtListener, state_.get());
  } else if (HasKdeIdle()) {
    state_->kdeTimeout = org_kde_kwin_idle_get_idle_timeout(state_->kdeIdle, state_->seat, timeoutMs);
    org_kde_kwin_idle_timeout_add_listener(state_->kdeTimeout, &kKdeListener, state_.get());
  } else {
    *why = "the compositor offers no idle notifications";
    return false;
  }
  if (wl_display_flush(state_->display) < 0) {
    *why = "the compositor's connection broke";
    return false;
  }
  state_->watch = g_unix_fd_add(wl_display_get_fd(state_->display),
                                static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), &State::OnConnection,
                                state_.get());
  return true;
}

}  // namespace waylandhost
