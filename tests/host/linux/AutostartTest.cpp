#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>

#include "host/linux/Autostart.h"
#include "host/linux/Logind.h"

namespace {

namespace autostart = linuxhost::autostart;

// What a desktop runs for the entry's Exec line: the key file's string
// escapes undone, the field codes' %% made %, then split as a shell would.
std::vector<std::string> ExecOf(const std::string& text) {
  GKeyFile* file = g_key_file_new();
  std::vector<std::string> words;
  if (g_key_file_load_from_data(file, text.data(), text.size(), G_KEY_FILE_NONE, nullptr)) {
    gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    std::string line = exec != nullptr ? exec : "";
    g_free(exec);
    for (std::size_t p = 0; (p = line.find("%%", p)) != std::string::npos; ++p) line.erase(p, 1);
    gchar** argv = nullptr;
    if (g_shell_parse_argv(line.c_str(), nullptr, &argv, nullptr)) {
      for (gchar** a = argv; *a != nullptr; ++a) words.emplace_back(*a);
      g_strfreev(argv);
    }
  }
  g_key_file_free(file);
  return words;
}

TEST(Autostart, TheEntryStartsTheWatcherOfAnyProgramPath) {
  for (const std::string program : {"/usr/bin/zirbel", "zirbel", "/opt/my apps/zirbel", "/a\"b/$HOME/`x`/100%/c\\d",
                                    "/it's;&|<>*?#()=~/zirbel"}) {
    const std::string text = autostart::EntryText(program);
    EXPECT_EQ(ExecOf(text), (std::vector<std::string>{program, "--on-idle"})) << text;
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
  }
  EXPECT_EQ(autostart::EntryText(""), "");
  EXPECT_EQ(autostart::EntryText("/a\nExec=rm"), "") << "no line of its own from a path";
}

TEST(Autostart, EntryIsInTheConfigHomeAndWrittenWhole) {
  char pattern[] = "/tmp/zirbel-autostart-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string root = pattern;
  setenv("HOME", root.c_str(), 1);
  const std::pair<std::string, std::string> homes[] = {
      {"relative", root + "/.config"}, {"", root + "/.config"}, {root + "/c", root + "/c"}};
  for (const auto& [config, expected] : homes) {
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(autostart::EntryPath(), expected + "/autostart/zirbel-idle.desktop") << config;
  }
  const std::string path = autostart::EntryPath();
  std::string why;
  EXPECT_FALSE(autostart::EntryExists(path));
  ASSERT_TRUE(autostart::WriteEntry(path, "/usr/bin/zirbel", &why)) << why;
  ASSERT_TRUE(autostart::EntryExists(path));
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  EXPECT_EQ(text.str(), autostart::EntryText("/usr/bin/zirbel"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root + "/c/autostart"), {}), 1)
      << "no temporary file is left beside it";
  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_TRUE(autostart::RemoveEntry(path, &why)) << why;
    EXPECT_FALSE(autostart::EntryExists(path));
  }
  // A folder that cannot be made (a file stands in its way) fails with a word.
  std::ofstream(root + "/file") << "x";
  why.clear();
  EXPECT_FALSE(autostart::WriteEntry(root + "/file/autostart/zirbel-idle.desktop", "zirbel", &why));
  EXPECT_NE(why.find(root + "/file/autostart"), std::string::npos) << why;
  EXPECT_FALSE(autostart::WriteEntry(path, "bad\tpath", &why));
  EXPECT_FALSE(autostart::EntryExists(path));
  std::filesystem::remove_all(root);
}

TEST(Logind, BlockInhibitedNamesEachLockByItself) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"idle", "idle", true}, {"sleep:idle:shutdown", "idle", true}, {"handle-lid-switch:idle", "idle", true},
      {"", "idle", false},    {"idler:sleep", "idle", false},        {"sleep:handle-idle", "idle", false},
  };
  for (const auto& [blocked, what, named] : cases) {
    EXPECT_EQ(linuxhost::logind::NamesInhibitor(blocked, what), named) << blocked;
  }
}

}  // namespace
