#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "host/SaverState.h"
#include "host/linux/SettingsStore.h"

namespace {

using settings::WriteResult;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  return static_cast<bool>(out << text);
}

const std::string kSystem = "[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\n";
const std::string kProgram = "[Software\\Pomwick\\Vostrand]\n";

// Each test gets its own XDG_CONFIG_HOME.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirbel-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    directory = root + "/zirbel";
    path = directory + "/settings.ini";
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + root + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    unsetenv("XDG_CONFIG_HOME");
  }
  bool Store(const std::string& text) {
    mkdir(directory.c_str(), 0700);
    return WriteFile(path, text);
  }
  SaverState Loaded() {
    SaverState state;
    state.passwordDelay = 1;
    state.mouseThreshold = 2;
    state.inPasswordCheck = 1;
    state.useMirrors = 3;
    LoadSystemSettings(state, store);
    LoadSettings(state, store);
    return state;
  }
  WriteResult SaveMirrors(std::int32_t value) {
    return settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, value);
  }

  settings::KeyFileStore store;
  std::string root;
  std::string directory;
  std::string path;
};

TEST_F(SettingsStoreTest, ValuesOrTheirDefaults) {
  const struct {
    std::string file;  // empty: no file at all
    std::int32_t delay, threshold, mirrors;
  } cases[] = {
      {"", 15, 50, 1},
      {kSystem + "Mouse Threshold=10\n", 15, 10, 1},
      {kSystem + "Password Delay=-1\nMouse Threshold= 7 \n" + kProgram + "UseMirrors=0\n", -1, 7, 0},
      {kSystem + "Password Delay=abc\nMouse Threshold=4294967296\n" + kProgram + "UseMirrors=1.5\n", 15, 50, 1},
  };
  for (const auto& c : cases) {
    if (!c.file.empty()) Store(c.file);
    const SaverState s = Loaded();
    EXPECT_EQ(s.passwordDelay, c.delay) << c.file;
    EXPECT_EQ(s.mouseThreshold, c.threshold) << c.file;
    EXPECT_EQ(s.useMirrors, c.mirrors) << c.file;
    EXPECT_EQ(s.inPasswordCheck, 0);
    struct stat info;
    EXPECT_TRUE(!c.file.empty() || stat(directory.c_str(), &info) != 0) << "reading never creates the store";
  }
  EXPECT_EQ(settings::SettingsPath(), path);
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  setenv("HOME", root.c_str(), 1);
  EXPECT_EQ(settings::SettingsPath(), root + "/.config/zirbel/settings.ini");
}

TEST_F(SettingsStoreTest, ValueParsingLimits) {
  const struct {
    const char* text;
    bool ok;
    std::int32_t value;
  } cases[] = {
      {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN}, {" +12 ", true, 12},
      {"2147483648", false, 0}, {"-2147483649", false, 0}, {"99999999999999999999999", false, 0},
      {"", false, 0}, {"-", false, 0}, {"12 3", false, 0}, {"0x10", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t v = 99;
    EXPECT_EQ(settings::ParseValue(c.text, &v), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 99) << c.text;
  }
}

TEST_F(SettingsStoreTest, SavingCreatesTheGroupAndKeepsEverythingElse) {
  SaverState s;
  s.useMirrors = 0;
  SaveSettings(s, store);
  EXPECT_EQ(ReadFile(path), kProgram + "UseMirrors=0\n");

  Store("# my notes\n" + kSystem + "Mouse Threshold=10\n" + kProgram + "UseMirrors=1\nOther=abc\n");
  WriteFile(path + ".K3JQ1Z", "[Software\\Pomwick\\Vostr");  // an interrupted earlier save
  SaveSettings(s, store);
  const std::string text = ReadFile(path);
  for (const char* kept : {"# my notes", "Mouse Threshold=10", "Other=abc", "UseMirrors=0"}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  }
  EXPECT_EQ(text.find("UseMirrors=1"), std::string::npos);
  EXPECT_EQ(Loaded().mouseThreshold, 10);
  EXPECT_EQ(Loaded().useMirrors, 0);
}

TEST_F(SettingsStoreTest, AWriteCutShortLeavesTheOldFile) {
  // Lots of other content so the new file is larger than the write limit.
  std::string old = kProgram + "UseMirrors=0\n[Notes]\n";
  for (int i = 0; i < 200; ++i) old += "Line" + std::to_string(i) + "=some text that must survive\n";
  Store(old);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The write runs out of room half way, as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(SaveMirrors(1) == WriteResult::Failed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the cut-short write is reported as a failure";
  EXPECT_EQ(ReadFile(path), old);
}

// Whatever stands where the file should be: reading gives the defaults and
// never rewrites; saving either sets an unparsable file aside whole and
// writes anew, or fails and leaves everything as it was.
TEST_F(SettingsStoreTest, ObstaclesInThePlaceOfTheFile) {
  const std::string junk = "UseMirrors=0\n[unclosed\n\x01\x02 garbage";
  const std::string withNul = std::string("[Other]\nName=a\0b\nKept=1\n", 24);
  const std::string old = kProgram + "UseMirrors=0\n";
  const auto dir = [&] { return mkdir(directory.c_str(), 0700) == 0; };
  const auto same = [&](const std::string& file, const std::string& text) { return ReadFile(file) == text; };
  const struct {
    const char* what;
    std::function<bool()> prepare;  // false: not possible here, skipped
    WriteResult result;
    std::function<bool()> intact;
  } cases[] = {
      {"malformed", [&] { return Store(junk); }, WriteResult::WrittenAfterBackup,
       [&] { return same(path + ".bad", junk); }},
      {"NUL bytes", [&] { return Store(withNul); }, WriteResult::WrittenAfterBackup,
       [&] { return same(path + ".bad", withNul); }},
      {"unreadable", [&] { return geteuid() != 0 && Store(old) && chmod(path.c_str(), 0) == 0; }, WriteResult::Failed,
       [&] { return chmod(path.c_str(), 0600) == 0 && same(path, old); }},
      {"link to itself", [&] { return dir() && symlink(path.c_str(), path.c_str()) == 0; }, WriteResult::Failed,
       [&] { return same(path, "") && unlink(path.c_str()) == 0; }},
      {"directory", [&] { return dir() && mkdir(path.c_str(), 0700) == 0 && WriteFile(path + "/keep", "x"); },
       WriteResult::Failed, [&] { return same(path + "/keep", "x"); }},
      // Opening a pipe for reading would wait for a writer.
      {"named pipe", [&] { return dir() && mkfifo(path.c_str(), 0600) == 0; }, WriteResult::Failed,
       [&] {
         struct stat info {};
         return stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
       }},
      {"file for the directory", [&] { return WriteFile(directory, "a file"); }, WriteResult::Failed,
       [&] { return same(directory, "a file"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string command = "rm -rf '" + directory + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    if (!c.prepare()) continue;
    alarm(10);  // a hang ends the test process instead of the run
    EXPECT_EQ(Loaded().useMirrors, 1);
    EXPECT_EQ(SaveMirrors(0), c.result);
    alarm(0);
    EXPECT_TRUE(c.intact());
    EXPECT_EQ(Loaded().useMirrors, c.result == WriteResult::Failed ? 1 : 0);
  }
  EXPECT_EQ(settings::WriteValue("", settings::kProgramGroup, settings::kUseMirrors, 0), WriteResult::Failed);
}

}  // namespace
