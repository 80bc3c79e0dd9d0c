#include "host/linux/Logind.h"

#include <gio/gio.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace linuxhost::logind {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";
constexpr const char* kAutoSession = "/org/freedesktop/login1/session/auto";

void Say(std::string* why, std::string text) {
  if (why != nullptr) *why = std::move(text);
}

// The first line of GLib's message, without the remote error's name; a
// word where there is none.
std::string Message(const GError* error) {
  if (error == nullptr) return "no answer";
  GError* copy = g_error_copy(error);
  g_dbus_error_strip_remote_error(copy);
  std::string text = copy->message;
  g_error_free(copy);
  return text.substr(0, text.find('\n'));
}

struct Connecting {
  GDBusConnection* bus = nullptr;
  GError* error = nullptr;
  bool done = false;
};

// A private connection to the system bus, given up after kCallTimeoutMs: a
// bus that takes the socket but never answers does not hang the caller.
GDBusConnection* ConnectSystemBus(std::string* why) {
  GError* error = nullptr;
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  if (address == nullptr) {
    Say(why, "there is no system bus (" + Message(error) + ").");
    g_clear_error(&error);
    return nullptr;
  }
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  GCancellable* cancel = g_cancellable_new();
  Connecting connecting;
  const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
  g_dbus_connection_new_for_address(
      address, flags, nullptr, cancel,
      [](GObject*, GAsyncResult* result, gpointer data) {
        auto* state = static_cast<Connecting*>(data);
        state->bus = g_dbus_connection_new_for_address_finish(result, &state->error);
        state->done = true;
      },
      &connecting);
  GSource* timer = g_timeout_source_new(kCallTimeoutMs);
  g_source_set_callback(
      timer,
      [](gpointer data) {
        g_cancellable_cancel(static_cast<GCancellable*>(data));  // the answer still comes, as an error
        return G_SOURCE_REMOVE;
      },
      cancel, nullptr);
  g_source_attach(timer, context);
  while (!connecting.done) g_main_context_iteration(context, TRUE);
  g_source_destroy(timer);
  g_source_unref(timer);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  g_object_unref(cancel);
  if (connecting.bus == nullptr) {
    Say(why, g_error_matches(connecting.error, G_IO_ERROR, G_IO_ERROR_CANCELLED)
                 ? "the system bus at " + std::string(address) + " does not answer."
                 : "there is no system bus at " + std::string(address) + " (" + Message(connecting.error) + ").");
  }
  g_free(address);
  g_clear_error(&connecting.error);
  if (connecting.bus != nullptr) g_dbus_connection_set_exit_on_close(connecting.bus, FALSE);
  return connecting.bus;
}

// A method call with the time limit; the reply, or null with *error set.
GVariant* Call(GDBusConnection* bus, const char* path, const char* interface, const char* method,
               GVariant* parameters, const GVariantType* reply, GError** error) {
  return g_dbus_connection_call_sync(bus, kService, path, interface, method, parameters, reply,
                                     G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, error);
}

// A property of logind's object `path`; null when it cannot be read.
GVariant* Property(GDBusConnection* bus, const char* path, const char* interface, const char* name) {
  GVariant* reply = Call(bus, path, "org.freedesktop.DBus.Properties", "Get", g_variant_new("(ss)", interface, name),
                         G_VARIANT_TYPE("(v)"), nullptr);
  if (reply == nullptr) return nullptr;
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  g_variant_unref(reply);
  return value;
}

// The object path a Manager call answers; empty on failure, with *error set.
std::string SessionPath(GDBusConnection* bus, const char* method, GVariant* parameters, GError** error) {
  GVariant* reply = Call(bus, kManagerPath, kManager, method, parameters, G_VARIANT_TYPE("(o)"), error);
  if (reply == nullptr) return {};
  const gchar* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  std::string found = path;
  g_variant_unref(reply);
  return found;
}

bool NoLogind(const GError* error) {
  return g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
}

// Whether logind's object `path` is a session (some answer a path for any id).
bool IsSession(GDBusConnection* bus, const std::string& path) {
  GVariant* id = Property(bus, path.c_str(), kSessionInterface, "Id");
  if (id != nullptr) g_variant_unref(id);
  return id != nullptr;
}

// The caller's session on `bus`: each way of naming it in turn, until one
// names a session; empty when none does, with `why` set.
std::string FindSession(GDBusConnection* bus, std::string* why) {
  const char* id = std::getenv("XDG_SESSION_ID");
  const std::pair<const char*, GVariant*> asks[] = {
      {"GetSession", id != nullptr && *id != '\0' ? g_variant_new("(s)", id) : nullptr},
      {"GetSessionByPID", g_variant_new("(u)", static_cast<guint32>(getpid()))},
  };
  GError* error = nullptr;
  std::string path;
  for (const auto& [method, parameters] : asks) {
    if (parameters == nullptr || !path.empty() || NoLogind(error)) {
      if (parameters != nullptr) g_variant_unref(g_variant_ref_sink(parameters));
      continue;
    }
    g_clear_error(&error);
    path = SessionPath(bus, method, parameters, &error);
    if (!path.empty() && !IsSession(bus, path)) path.clear();
  }
  // logind's own name for the caller's session, where it can tell.
  if (path.empty() && !NoLogind(error) && IsSession(bus, kAutoSession)) path = kAutoSession;
  if (path.empty()) {
    Say(why, NoLogind(error) ? "logind does not run on the system bus."
                             : "logind knows no session of this process" +
                                   std::string(error != nullptr ? " (" + Message(error) + ")." : "."));
  }
  g_clear_error(&error);
  return path;
}

}  // namespace

std::unique_ptr<Session> Session::Open(std::string* why) {
  GDBusConnection* bus = ConnectSystemBus(why);
  if (bus == nullptr) return nullptr;
  std::string path = FindSession(bus, why);
  if (path.empty()) {
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return nullptr;
  }
  return std::unique_ptr<Session>(new Session(bus, std::move(path)));
}

Session::~Session() {
  for (const unsigned id : subscriptions_) g_dbus_connection_signal_unsubscribe(bus_, id);
  g_dbus_connection_close_sync(bus_, nullptr, nullptr);
  g_object_unref(bus_);
}

bool Session::Lock(std::string* why) {
  GError* error = nullptr;
  GVariant* reply = Call(bus_, path_.c_str(), kSessionInterface, "Lock", nullptr, G_VARIANT_TYPE("()"), &error);
  if (reply == nullptr) {
    Say(why, "logind did not lock the session (" + Message(error) + ").");
    g_clear_error(&error);
    return false;
  }
  g_variant_unref(reply);
  return true;
}

bool Session::LockedHint() const {
  GVariant* value = Property(bus_, path_.c_str(), kSessionInterface, "LockedHint");
  if (value == nullptr) return false;
  const bool locked = g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
  g_variant_unref(value);
  return locked;
}

bool Session::IdleInhibited() const {
  GVariant* value = Property(bus_, kManagerPath, kManager, "BlockInhibited");
  if (value == nullptr) return false;
  const bool idle = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) &&
                    NamesInhibitor(g_variant_get_string(value, nullptr), "idle");
  g_variant_unref(value);
  return idle;
}

void Session::OnLock(std::function<void()> onLock) {
  auto* kept = new std::function<void()>(std::move(onLock));
  subscriptions_.push_back(g_dbus_connection_signal_subscribe(
      bus_, kService, kSessionInterface, "Lock", path_.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*, gpointer data) {
        (*static_cast<std::function<void()>*>(data))();
      },
      kept, [](gpointer data) { delete static_cast<std::function<void()>*>(data); }));
}

bool NamesInhibitor(const std::string& blocked, const std::string& what) {
  std::size_t start = 0;
  while (start <= blocked.size()) {
    std::size_t end = blocked.find(':', start);
    if (end == std::string::npos) end = blocked.size();
    if (blocked.compare(start, end - start, what) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace linuxhost::logind
