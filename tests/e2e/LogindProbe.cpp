// zirbel_test_logind: the caller's logind session as the saver and the idle
// watcher see it. Prints "locked=L idle=I" (LockedHint, an idle inhibitor),
// then waits for the session's Lock signal (at most 10 s) and prints "lock";
// with no session, prints why and exits with 1.
#include <gio/gio.h>

#include <cstdio>
#include <string>

#include "host/linux/Logind.h"

int main() {
  std::string why;
  const auto session = linuxhost::logind::Session::Open(&why);
  if (session == nullptr) {
    std::printf("no session: %s\n", why.c_str());
    return 1;
  }
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  bool locked = false;
  session->OnLock([&] {
    locked = true;
    g_main_loop_quit(loop);
  });
  std::printf("locked=%d idle=%d\n", session->LockedHint() ? 1 : 0, session->IdleInhibited() ? 1 : 0);
  std::fflush(stdout);
  g_timeout_add_seconds(10, [](gpointer data) { g_main_loop_quit(static_cast<GMainLoop*>(data)); return G_SOURCE_REMOVE; }, loop);
  g_main_loop_run(loop);
  g_main_loop_unref(loop);
  if (locked) std::printf("lock\n");
  return locked ? 0 : 1;
}
