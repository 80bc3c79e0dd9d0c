#include "host/linux/MutterIdle.h"

#include <gio/gio.h>

#include <utility>

namespace linuxhost {

namespace {
const char* const kName = "org.gnome.Mutter.IdleMonitor";
const char* const kPath = "/org/gnome/Mutter/IdleMonitor/Core";
const char* const kInterface = "org.gnome.Mutter.IdleMonitor";
constexpr int kCallTimeoutMs = 2000;

void OnFired(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
             gpointer data) {
  guint32 id = 0;
  g_variant_get(parameters, "(u)", &id);
  static_cast<MutterIdle*>(data)->Fired(id);
}
void OnVanished(GDBusConnection*, const gchar*, gpointer data) { static_cast<MutterIdle*>(data)->Vanished(); }
}  // namespace

bool MutterIdle::Offered(GDBusConnection* bus) {
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", kName),
                                                G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
                                                nullptr);
  if (reply == nullptr) return false;
  gboolean owned = FALSE;
  g_variant_get(reply, "(b)", &owned);
  g_variant_unref(reply);
  return owned != FALSE;
}

MutterIdle::MutterIdle(GDBusConnection* bus) : bus_(G_DBUS_CONNECTION(g_object_ref(bus))) {}

MutterIdle::~MutterIdle() {
  if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
  if (nameWatch_ != 0) g_bus_unwatch_name(nameWatch_);
  g_object_unref(bus_);
}

bool MutterIdle::AddWatch(const char* method, void* arguments, unsigned* id, std::string* why) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(bus_, kName, kPath, kInterface, method,
                                                static_cast<GVariant*>(arguments), G_VARIANT_TYPE("(u)"),
                                                G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &error);
  if (reply == nullptr) {
    *why = std::string(method) + " failed: " + error->message;
    g_error_free(error);
    return false;
  }
  g_variant_get(reply, "(u)", id);
  g_variant_unref(reply);
  return true;
}

void MutterIdle::Fired(unsigned id) {
  std::string why;
  if (id != 0 && id == idleWatch_) {
    // The user-active watch fires once, at the next input.
    if (!AddWatch("AddUserActiveWatch", nullptr, &activeWatch_, &why)) g_printerr("zirbel: %s\n", why.c_str());
    callbacks_.changed(true);
  } else if (id != 0 && id == activeWatch_) {
    activeWatch_ = 0;
    callbacks_.changed(false);
  }
}

void MutterIdle::Vanished() {
  if (callbacks_.gone) callbacks_.gone();
}

bool MutterIdle::Watch(unsigned seconds, IdleCallbacks callbacks, std::string* why) {
  callbacks_ = std::move(callbacks);
  subscription_ = g_dbus_connection_signal_subscribe(
      bus_, kName, kInterface, "WatchFired", kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      &OnFired, this, nullptr);
  const guint64 intervalMs = static_cast<guint64>(seconds) * 1000u;
  if (!AddWatch("AddIdleWatch", g_variant_new("(t)", intervalMs), &idleWatch_, why)) return false;
  nameWatch_ = g_bus_watch_name_on_connection(bus_, kName, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                              &OnVanished, this, nullptr);
  return true;
}

}  // namespace linuxhost
