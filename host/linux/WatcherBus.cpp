#include "host/linux/WatcherBus.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace linuxhost {

namespace {

using autostart::kWatcherInterface;
using autostart::kWatcherName;
using autostart::kWatcherPath;
constexpr int kCallTimeoutMs = 2000;
const char* const kScreenSaverName = "org.freedesktop.ScreenSaver";

const char* const kWatcherXml =
    "<node><interface name='org.zirbel.IdleWatcher'><method name='Quit'/></interface></node>";
const char* const kScreenSaverXml =
    "<node><interface name='org.freedesktop.ScreenSaver'>"
    "<method name='Inhibit'><arg name='application_name' type='s' direction='in'/>"
    "<arg name='reason_for_inhibit' type='s' direction='in'/><arg name='cookie' type='u' direction='out'/></method>"
    "<method name='UnInhibit'><arg name='cookie' type='u' direction='in'/></method>"
    "</interface></node>";

void OnMethod(GDBusConnection*, const gchar* sender, const gchar*, const gchar* interface, const gchar* method,
              GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
  static_cast<WatcherBus*>(data)->Call(sender, interface, method, parameters, invocation);
}
const GDBusInterfaceVTable kVTable = {&OnMethod, nullptr, nullptr, {nullptr}};

void OnOwnerVanished(GDBusConnection*, const gchar* name, gpointer data) {
  static_cast<WatcherBus*>(data)->OwnerLeft(name);
}

void OnShield(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
              gpointer data) {
  gboolean active = FALSE;
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) g_variant_get(parameters, "(b)", &active);
  static_cast<WatcherBus*>(data)->ShieldChanged(active != FALSE);
}

// RequestName without queueing: 1 (primary owner) or 4 (already owner) win.
bool RequestName(GDBusConnection* bus, const char* name) {
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "RequestName", g_variant_new("(su)", name, 4u),
                                                G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
                                                nullptr);
  if (reply == nullptr) return false;
  guint32 result = 0;
  g_variant_get(reply, "(u)", &result);
  g_variant_unref(reply);
  return result == 1 || result == 4;
}

}  // namespace

WatcherBus::WatcherBus(Events events) : events_(std::move(events)) {}

WatcherBus::~WatcherBus() {
  for (const auto& watch : ownerWatches_) g_bus_unwatch_name(watch.second);
  if (bus_ != nullptr) {
    for (unsigned id : objects_) {
      if (id != 0) g_dbus_connection_unregister_object(bus_, id);
    }
    if (shieldSubscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, shieldSubscription_);
    g_object_unref(bus_);
  }
  if (lockFile_ >= 0) close(lockFile_);
}

bool WatcherBus::Export(const char* path, const char* xml, unsigned* id) {
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
  if (node == nullptr) return false;
  *id = g_dbus_connection_register_object(bus_, path, node->interfaces[0], &kVTable, this, nullptr, nullptr);
  g_dbus_node_info_unref(node);
  return *id != 0;
}

bool WatcherBus::Claim(std::string* why) {
  bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus_ != nullptr) {
    if (!Export(kWatcherPath, kWatcherXml, &objects_[0]) || !RequestName(bus_, kWatcherName)) {
      *why = "another idle watcher runs in this session (it owns " + std::string(kWatcherName) + ")";
      return false;
    }
    shieldSubscription_ = g_dbus_connection_signal_subscribe(bus_, nullptr, "org.gnome.ScreenSaver", "ActiveChanged",
                                                             nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &OnShield,
                                                             this, nullptr);
    return true;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') {
    *why = "there is neither a session bus nor XDG_RUNTIME_DIR to keep the watcher alone";
    return false;
  }
  const std::string path = std::string(runtime) + "/zirbel-idle.lock";
  lockFile_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFile_ < 0) {
    *why = "cannot open " + path;
    return false;
  }
  if (flock(lockFile_, LOCK_EX | LOCK_NB) != 0) {
    *why = "another idle watcher runs in this session (it holds " + path + ")";
    return false;
  }
  return true;
}

bool WatcherBus::ServeInhibitors() {
  if (bus_ == nullptr) return false;
  if (!Export("/org/freedesktop/ScreenSaver", kScreenSaverXml, &objects_[1]) ||
      !Export("/ScreenSaver", kScreenSaverXml, &objects_[2]) || !RequestName(bus_, kScreenSaverName)) {
    for (unsigned i = 1; i < 3; ++i) {
      if (objects_[i] != 0) g_dbus_connection_unregister_object(bus_, objects_[i]);
      objects_[i] = 0;
    }
    return false;
  }
  return true;
}

void WatcherBus::Call(const std::string& sender, const std::string& interface, const std::string& method,
                      void* parameters, void* invocation) {
  GDBusMethodInvocation* call = static_cast<GDBusMethodInvocation*>(invocation);
  GVariant* arguments = static_cast<GVariant*>(parameters);
  if (interface == kWatcherInterface && method == "Quit") {
    g_dbus_method_invocation_return_value(call, nullptr);
    // The answer leaves before the watcher does.
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
    if (events_.quit) events_.quit();
    return;
  }
  if (method == "Inhibit") {
    const std::uint32_t cookie = inhibitors_.Add(sender);
    if (ownerWatches_.count(sender) == 0) {
      ownerWatches_[sender] = g_bus_watch_name_on_connection(bus_, sender.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                             nullptr, &OnOwnerVanished, this, nullptr);
    }
    g_dbus_method_invocation_return_value(call, g_variant_new("(u)", cookie));
    return;
  }
  guint32 cookie = 0;
  g_variant_get(arguments, "(u)", &cookie);
  if (!inhibitors_.Remove(cookie, sender)) {
    g_dbus_method_invocation_return_dbus_error(call, "org.freedesktop.DBus.Error.InvalidArgs",
                                               "no such inhibitor of this client");
    return;
  }
  g_dbus_method_invocation_return_value(call, nullptr);
  if (!inhibitors_.Holds(sender)) {
    g_bus_unwatch_name(ownerWatches_[sender]);
    ownerWatches_.erase(sender);
  }
  if (inhibitors_.Empty() && events_.inhibitorsReleased) events_.inhibitorsReleased();
}

void WatcherBus::OwnerLeft(const std::string& owner) {
  const auto watch = ownerWatches_.find(owner);
  if (watch == ownerWatches_.end()) return;
  // Unwatching from within the watch's own callback is allowed.
  g_bus_unwatch_name(watch->second);
  ownerWatches_.erase(watch);
  if (inhibitors_.DropOwner(owner) > 0 && inhibitors_.Empty() && events_.inhibitorsReleased) {
    events_.inhibitorsReleased();
  }
}

void WatcherBus::ShieldChanged(bool active) {
  if (active && events_.shieldUp) events_.shieldUp();
}

}  // namespace linuxhost
