#include "host/linux/Autostart.h"

#include <gio/gio.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/linux/SettingsStore.h"

namespace linuxhost::autostart {

namespace {

void Say(std::string* why, std::string text) {
  if (why != nullptr) *why = std::move(text);
}

// One argument of an Exec line: quoted where it holds a reserved character,
// with `"`, `` ` ``, `$` and `\` escaped inside the quotes; then `%` doubled
// for the field codes and `\` doubled again for the entry's string escapes.
std::string ExecArgument(const std::string& word) {
  const bool quote = word.find_first_of(" \t\"'\\><~|&;$*?#()`=") != std::string::npos;
  std::string out = quote ? "\"" : "";
  for (const char c : word) {
    if (quote && std::strchr("\"`$\\", c) != nullptr) out += '\\';
    out += c;
  }
  if (quote) out += '"';
  std::string escaped;
  for (const char c : out) {
    if (c == '%') escaped += '%';
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// The folder of `path`, made where it is missing.
bool MakeFolder(const std::string& path, std::string* why) {
  const std::string folder = path.substr(0, path.rfind('/'));
  if (g_mkdir_with_parents(folder.c_str(), 0700) == 0) return true;
  Say(why, "cannot make the folder " + folder + ": " + std::strerror(errno) + ".");
  return false;
}

// A private connection to the session bus; null when there is none (never
// one started for the purpose).
GDBusConnection* SessionBus() {
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (address == nullptr) return nullptr;
  GDBusConnection* bus = nullptr;
  if (!g_str_has_prefix(address, "autolaunch:")) {
    const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                         G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    bus = g_dbus_connection_new_for_address_sync(address, flags, nullptr, nullptr, nullptr);
  }
  g_free(address);
  return bus;
}

bool NameHasOwner(GDBusConnection* bus, const char* name) {
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  if (reply == nullptr) return false;
  gboolean owned = FALSE;
  g_variant_get(reply, "(b)", &owned);
  g_variant_unref(reply);
  return owned != FALSE;
}

}  // namespace

std::string EntryPath() {
  const std::string home = settingsfile::ConfigHome();
  return home.empty() ? home : home + "/autostart/zirbel-idle.desktop";
}

std::string EntryText(const std::string& program) {
  if (program.empty()) return {};
  for (const char c : program) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {};
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Zirbel idle watcher\n"
         "Comment=Starts the Zirbel screen saver when the computer is idle\n"
         "Exec=" + ExecArgument(program) + " --on-idle\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool EntryExists(const std::string& path) { return !path.empty() && g_file_test(path.c_str(), G_FILE_TEST_EXISTS); }

bool WriteEntry(const std::string& path, const std::string& program, std::string* why) {
  const std::string text = EntryText(program);
  if (path.empty()) {
    Say(why, "no home folder is known for the autostart entry.");
    return false;
  }
  if (text.empty()) {
    Say(why, "the program's path \"" + program + "\" cannot be written in an autostart entry.");
    return false;
  }
  if (!MakeFolder(path, why)) return false;
  GError* error = nullptr;
  const bool written = g_file_set_contents_full(
      path.c_str(), text.data(), static_cast<gssize>(text.size()),
      static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE), 0644, &error);
  if (!written) Say(why, std::string("cannot write the autostart entry: ") + error->message + ".");
  g_clear_error(&error);
  return written;
}

bool RemoveEntry(const std::string& path, std::string* why) {
  if (path.empty() || g_remove(path.c_str()) == 0 || errno == ENOENT) return true;
  Say(why, "cannot remove the autostart entry " + path + ": " + std::strerror(errno) + ".");
  return false;
}

bool StartWatcher(const std::string& program, std::string* why) {
  gchar* argv[] = {const_cast<gchar*>(program.c_str()), const_cast<gchar*>("--on-idle"), nullptr};
  GError* error = nullptr;
  // Without G_SPAWN_DO_NOT_REAP_CHILD the watcher is left to init at once; in
  // a session of its own it outlives the dialog and its terminal.
  const bool started = g_spawn_async(
      nullptr, argv, nullptr, static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL),
      [](gpointer) { setsid(); }, nullptr, nullptr, &error);
  if (!started) Say(why, "cannot start " + program + " --on-idle: " + error->message + ".");
  g_clear_error(&error);
  return started;
}

void EndWatcher() {
  GDBusConnection* bus = SessionBus();
  if (bus == nullptr) return;
  GVariant* reply = g_dbus_connection_call_sync(bus, kWatcherName, kWatcherPath, kWatcherInterface, "Quit", nullptr,
                                                nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000, nullptr, nullptr);
  if (reply != nullptr) g_variant_unref(reply);
  // A new watcher started right after must not meet the old one still there.
  const gint64 end = g_get_monotonic_time() + 2 * G_USEC_PER_SEC;
  while (NameHasOwner(bus, kWatcherName) && g_get_monotonic_time() < end) g_usleep(20000);
  g_dbus_connection_close_sync(bus, nullptr, nullptr);
  g_object_unref(bus);
}

}  // namespace linuxhost::autostart
