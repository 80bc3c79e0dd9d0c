#pragma once
// The desktop's autostart entry that starts the idle watcher at login
// (GNOME, KDE, XFCE, Cinnamon read $XDG_CONFIG_HOME/autostart), and the
// watcher that runs now: started, or asked over the session bus to end.
#include <string>

namespace linuxhost::autostart {

// The watcher's name on the session bus, its object and its interface; its
// method Quit ends it.
constexpr const char* kWatcherName = "org.zirbel.IdleWatcher";
constexpr const char* kWatcherPath = "/org/zirbel/IdleWatcher";
constexpr const char* kWatcherInterface = "org.zirbel.IdleWatcher";

// <config home>/autostart/zirbel-idle.desktop: the config home is
// XDG_CONFIG_HOME when it is an absolute path, else ~/.config. Empty when no
// home directory can be found.
std::string EntryPath();

// The entry's text, starting `program` (a path or a name) with --on-idle.
// Empty when `program` cannot be written in an entry's Exec line (empty, or
// with a control character).
std::string EntryText(const std::string& program);

bool EntryExists(const std::string& path);
// Writes the entry atomically (a temporary file, then a rename), making its
// folder where it is missing. False, with `why` in a sentence, on failure;
// then nothing was changed.
bool WriteEntry(const std::string& path, const std::string& program, std::string* why);
// Removes the entry; an entry that is not there is no failure.
bool RemoveEntry(const std::string& path, std::string* why);

// Starts `program` --on-idle detached, now. False, with `why`, when it
// cannot be started.
bool StartWatcher(const std::string& program, std::string* why);
// Asks the running watcher to end (its Quit method) and waits, at most a
// second or two, until it has left the session bus. None running, or no
// session bus, is no failure.
void EndWatcher();

}  // namespace linuxhost::autostart
