#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host/SaverState.h"
#include "host/linux/SettingsStore.h"
#include "tests/host/FakeSettings.h"

namespace {

using settingsfile::WriteResult;

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

const std::string kSystem = "[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\n";
const std::string kProgram = "[Software\\Pomwick\\Vostrand]\n";

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirbel-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    directory = root + "/zirbel";
    path = directory + "/settings.ini";
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
  }
  void TearDown() override {
    Remove(root);
    unsetenv("XDG_CONFIG_HOME");
  }
  static void Remove(const std::string& what) { ASSERT_EQ(std::system(("rm -rf '" + what + "'").c_str()), 0); }
  void Store(const std::string& text) {
    mkdir(directory.c_str(), 0700);
    WriteFile(path, text);
  }
  // One load, as a run of the program makes it; what it reports is in `reports`.
  SaverState Loaded() {
    reports.clear();
    settingsfile::KeyFileStore loading([this](const std::string& problem) { reports.push_back(problem); });
    SaverState state;
    state.mouseThreshold = 2;  // nothing left from before
    state.photoFolder = "stale";
    LoadSystemSettings(state, loading);
    LoadSettings(state, loading);
    return state;
  }
  // Each report names the file and says `why`, in the order of `keys`.
  void ExpectReports(const std::vector<std::string>& keys, const std::string& why) {
    ASSERT_EQ(reports.size(), keys.size()) << ::testing::PrintToString(reports);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      EXPECT_EQ(reports[i].rfind(path + ": " + keys[i] + " " + why, 0), 0u) << reports[i];
      EXPECT_NE(reports[i].find("default is used"), std::string::npos) << reports[i];
    }
  }
  WriteResult SaveMirrors(std::int32_t value) {
    return settingsfile::WriteValue(path, kProgramGroup, setting::kUseMirrors, value);
  }

  const char* const kProgramGroup = SettingsGroupName(SettingsGroup::Program);
  settingsfile::KeyFileStore store;
  std::string root, directory, path;
  std::vector<std::string> reports;
};

// Each value, or its default with a word that names the key and says why; a
// byte-order mark before the first group is no obstacle. Any path in UTF-8
// is a photo folder; what a setting cannot be (too long, control characters,
// broken UTF-8 or escapes) is none.
TEST_F(SettingsStoreTest, ValuesOrTheirDefaults) {
  const std::string longest(kMaxSettingText, 'x'), none = "15 50 1 1 1 '' 10 1";
  const std::string notNumber = "is not a whole number from -2147483648 to 2147483647";
  using Keys = std::vector<std::string>;
  // The file (or none), the settings loaded, the keys reported and why.
  const std::tuple<std::string, std::string, Keys, std::string> cases[] = {
      {"", none, {}, ""},
      {"\xEF\xBB\xBF" + kSystem + "Password Delay=-2147483648\nMouse Threshold= +2147483647 \n" + kProgram +
           "UseMirrors=0\n",
       "-2147483648 2147483647 0 1 1 '' 10 1", {}, ""},
      {kSystem + "Password Delay=abc\nMouse Threshold=4294967296\n" + kProgram + "UseMirrors=1.5\nAllMonitors=\n", none,
       {"Password Delay", "Mouse Threshold", "UseMirrors", "AllMonitors"}, notNumber},
      {kProgram + "PhotoFolder=/home/ann/Fotos été/二\n", "15 50 1 1 1 '/home/ann/Fotos été/二' 10 1", {}, ""},
      {kProgram + "PhotoFolder=" + longest + "\n", "15 50 1 1 1 '" + longest + "' 10 1", {}, ""},
      {kProgram + "PhotoFolder=" + longest + "y\n", none, {"PhotoFolder"}, "is longer than 4096 bytes"},
      {kProgram + "PhotoFolder=/a\\nb\n", none, {"PhotoFolder"}, "holds a control character"},
      {kProgram + "PhotoFolder=/a\xff\xfe\n", none, {"PhotoFolder"}, "is not valid UTF-8"},
      {kProgram + "PhotoFolder=/a\xc0\xaf" "b\n", none, {"PhotoFolder"}, "is not valid UTF-8"},
      {kProgram + "PhotoFolder=/My\\ Fotos\n", none, {"PhotoFolder"},
       "has a backslash that is not one of \\s, \\n, \\t, \\r or \\\\"},
  };
  for (const auto& [file, loaded, keys, why] : cases) {
    if (!file.empty()) Store(file);
    EXPECT_EQ(Describe(Loaded()), loaded) << file.substr(0, 80);
    ExpectReports(keys, why);
    struct stat info;
    EXPECT_TRUE(!file.empty() || stat(directory.c_str(), &info) != 0) << "reading never creates the store";
  }
  // A value out of its range is told in the same words, once.
  settingsfile::KeyFileStore telling([this](const std::string& problem) { reports.push_back(problem); });
  reports.clear();
  for (int i = 0; i < 2; ++i) telling.Unusable("Levels", "is 11, not from 1 to 10");
  ExpectReports({"Levels"}, "is 11, not from 1 to 10");
  // A file that cannot be read as settings is told of once, not for each value.
  Store("UseMirrors=0\n" + kProgram);
  EXPECT_EQ(Loaded().useMirrors, 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0],
            path + " is not a settings file (groups in [brackets], lines of key=value); the defaults are used");
  EXPECT_EQ(settingsfile::SettingsPath(), path);
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  setenv("HOME", root.c_str(), 1);
  EXPECT_EQ(settingsfile::SettingsPath(), root + "/.config/zirbel/settings.ini");
}

// A save creates the group and keeps everything else; any photo folder
// survives a save and a load, and the dialog refuses one that a setting
// cannot hold.
TEST_F(SettingsStoreTest, SavingCreatesTheGroupAndKeepsEverythingElse) {
  SaverState s;
  s.useMirrors = 0;
  s.allMonitors = 0;
  SaveSettings(s, store);
  EXPECT_EQ(ReadFile(path), kProgram + "UseMirrors=0\nAllMonitors=0\nPhotoFolder=\nIdleMinutes=10\nLockOnReturn=1\n");
  for (const std::string& folder : {std::string(" /lead and trail "), std::string("C:\\Fotos\\été;#=[x]")}) {
    SaverState chosen;
    chosen.photoFolder = folder;
    SaveSettings(chosen, store);
    EXPECT_EQ(Loaded().photoFolder, folder);
  }
  const std::string unnamed =
      "This folder's name cannot be stored in the settings. Choose or rename a folder whose name is valid text.";
  const std::pair<std::string, std::string> choices[] = {  // a folder's path, what the dialog says
      {"/home/ann/Fotos été", ""},
      {"/home/ann/Fotos \xe9t\xe9", unnamed},  // a Latin-1 name
      {"/home/ann/a\nb", unnamed},
      {"/" + std::string(kMaxSettingText, 'x'),
       "This folder's path is too long to be stored in the settings. Choose a folder with a shorter path."},
  };
  for (const auto& [chosen, refusal] : choices) EXPECT_EQ(PhotoFolderRefusal(chosen), refusal) << chosen;

  // A byte-order mark, as some editors write, is no reason to set the file aside.
  Store("\xEF\xBB\xBF# my notes\n" + kSystem + "Mouse Threshold=10\n" + kProgram + "UseMirrors=1\nOther=abc\n");
  WriteFile(path + ".K3JQ1Z", "[Software\\Pomwick\\Vostr");  // an interrupted earlier save
  // All the values go in one replacement of the file, never one by one.
  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(inotify_add_watch(watch, directory.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);
  SaveSettings(s, store);
  int replaced = 0;
  alignas(inotify_event) char events[4096];
  for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
    for (char* e = events; e < events + n; e += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(e)->len) {
      replaced += std::string(reinterpret_cast<inotify_event*>(e)->name) == "settings.ini";
    }
  }
  close(watch);
  EXPECT_EQ(replaced, 1);
  const std::string text = ReadFile(path);
  for (const char* kept : {"# my notes", "Mouse Threshold=10", "Other=abc", "UseMirrors=0"}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  }
  EXPECT_EQ(text.find("UseMirrors=1"), std::string::npos);
  EXPECT_FALSE(std::ifstream(path + ".bad").good());
}

TEST_F(SettingsStoreTest, AWriteCutShortLeavesTheOldFile) {
  std::string old = kProgram + "UseMirrors=0\n[Notes]\n";  // larger than the write limit below
  for (int i = 0; i < 200; ++i) old += "Line" + std::to_string(i) + "=some text that must survive\n";
  Store(old);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // the write runs out of room half way, as on a full disk
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(SaveMirrors(1) == WriteResult::Failed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the cut-short write is reported as a failure";
  EXPECT_EQ(ReadFile(path), old);
}

// Whatever stands where the file should be: reading gives the defaults and
// never rewrites; saving either sets an unparsable file aside whole and
// writes anew, or fails and leaves everything as it was. Shell commands, with
// the folder in $D and the file in $F, set the obstacle up and check it after.
TEST_F(SettingsStoreTest, ObstaclesInThePlaceOfTheFile) {
  const auto shell = [&](const std::string& command) {
    return std::system(("D='" + directory + "' F='" + path + "'; " + command).c_str()) == 0;
  };
  const std::tuple<const char*, WriteResult, const char*> cases[] = {  // prepare (skipped where it fails), check
      {"mkdir $D && printf 'UseMirrors=0\\n[unclosed\\n\\001\\002 garbage' >$F.0 && cp $F.0 $F",
       WriteResult::WrittenAfterBackup, "cmp $F.0 $F.bad"},
      {"mkdir $D && printf '[Other]\\nName=a\\000b\\nKept=1\\n' >$F.0 && cp $F.0 $F", WriteResult::WrittenAfterBackup,
       "cmp $F.0 $F.bad"},
      {"[ $(id -u) != 0 ] && mkdir $D && printf '[Software\\\\Pomwick\\\\Vostrand]\\nUseMirrors=0\\n' >$F.0 && "
       "cp $F.0 $F && chmod 0 $F",
       WriteResult::Failed, "chmod 600 $F && cmp $F.0 $F"},
      {"mkdir $D && ln -s $F $F", WriteResult::Failed, "[ \"$(readlink $F)\" = $F ]"},
      {"mkdir -p $F && echo x >$F/keep", WriteResult::Failed, "[ \"$(cat $F/keep)\" = x ]"},
      {"mkdir $D && mkfifo $F", WriteResult::Failed, "[ -p $F ]"},  // opening it must not wait for a writer
      {"echo x >$D", WriteResult::Failed, "[ \"$(cat $D)\" = x ]"},
  };
  for (const auto& [prepare, result, intact] : cases) {
    SCOPED_TRACE(prepare);
    Remove(directory);
    if (!shell(prepare)) continue;
    alarm(10);  // a hang ends the test process instead of the run
    EXPECT_EQ(Loaded().useMirrors, 1);
    EXPECT_EQ(SaveMirrors(0), result);
    alarm(0);
    EXPECT_TRUE(shell(intact));
    EXPECT_EQ(Loaded().useMirrors, result == WriteResult::Failed ? 1 : 0);
  }
  EXPECT_EQ(settingsfile::WriteValue("", kProgramGroup, setting::kUseMirrors, 0), WriteResult::Failed);
}

}  // namespace
