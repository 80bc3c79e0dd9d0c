#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "host/SaverState.h"
#include "host/x11/SettingsStore.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

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
  void Store(const std::string& text) {
    mkdir(directory.c_str(), 0700);
    WriteFile(path, text);
  }
  SaverState Loaded() {
    SaverState state;
    state.passwordDelay = 1;
    state.mouseThreshold = 2;
    state.inPasswordCheck = 1;
    state.useMirrors = 3;
    state.LoadSystemSettings();
    state.LoadSettings();
    return state;
  }

  std::string root;
  std::string directory;
  std::string path;
};

TEST_F(SettingsStoreTest, PathFollowsTheConfigHome) {
  EXPECT_EQ(settings::SettingsPath(), path);
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  setenv("HOME", root.c_str(), 1);
  EXPECT_EQ(settings::SettingsPath(), root + "/.config/zirbel/settings.ini");
}

TEST_F(SettingsStoreTest, NothingStoredGivesTheDefaultsAndCreatesNothing) {
  const SaverState s = Loaded();
  EXPECT_EQ(s.passwordDelay, 15);
  EXPECT_EQ(s.mouseThreshold, 50);
  EXPECT_EQ(s.inPasswordCheck, 0);
  EXPECT_EQ(s.useMirrors, 1);
  struct stat info;
  EXPECT_NE(stat(directory.c_str(), &info), 0) << "reading never creates the store";
}

TEST_F(SettingsStoreTest, OneValuePresent) {
  Store("[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\nMouse Threshold=10\n");
  const SaverState s = Loaded();
  EXPECT_EQ(s.passwordDelay, 15);
  EXPECT_EQ(s.mouseThreshold, 10);
  EXPECT_EQ(s.useMirrors, 1);
}

TEST_F(SettingsStoreTest, AllValuesAndSignedNumbers) {
  Store("[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\nPassword Delay=-1\nMouse Threshold= 7 \n"
        "[Software\\Pomwick\\Vostrand]\nUseMirrors=0\n");
  const SaverState s = Loaded();
  EXPECT_EQ(s.passwordDelay, -1);
  EXPECT_EQ(s.mouseThreshold, 7);
  EXPECT_EQ(s.useMirrors, 0);
}

TEST_F(SettingsStoreTest, WrongTypedAndOversizedValuesCountAsAbsent) {
  Store("[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\nPassword Delay=abc\n"
        "Mouse Threshold=4294967296\n[Software\\Pomwick\\Vostrand]\nUseMirrors=1.5\n");
  const SaverState s = Loaded();
  EXPECT_EQ(s.passwordDelay, 15);
  EXPECT_EQ(s.mouseThreshold, 50);
  EXPECT_EQ(s.useMirrors, 1);
}

TEST_F(SettingsStoreTest, ValueParsingLimits) {
  std::int32_t v = 99;
  EXPECT_TRUE(settings::ParseValue("2147483647", &v));
  EXPECT_EQ(v, 2147483647);
  EXPECT_TRUE(settings::ParseValue("-2147483648", &v));
  EXPECT_EQ(v, INT32_MIN);
  v = 99;
  EXPECT_FALSE(settings::ParseValue("2147483648", &v));
  EXPECT_FALSE(settings::ParseValue("-2147483649", &v));
  EXPECT_FALSE(settings::ParseValue("99999999999999999999999", &v));
  EXPECT_FALSE(settings::ParseValue("", &v));
  EXPECT_FALSE(settings::ParseValue("-", &v));
  EXPECT_FALSE(settings::ParseValue("12 3", &v));
  EXPECT_FALSE(settings::ParseValue("0x10", &v));
  EXPECT_EQ(v, 99) << "a rejected value leaves the target alone";
}

TEST_F(SettingsStoreTest, FirstSaveCreatesTheGroupWithItsSingleValue) {
  SaverState s;
  s.useMirrors = 0;
  s.SaveSettings();
  EXPECT_EQ(ReadFile(path), "[Software\\Pomwick\\Vostrand]\nUseMirrors=0\n");
  EXPECT_EQ(Loaded().useMirrors, 0);
}

TEST_F(SettingsStoreTest, SaveKeepsEverythingElse) {
  Store("# my notes\n[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\nMouse Threshold=10\n"
        "[Software\\Pomwick\\Vostrand]\nUseMirrors=1\nOther=abc\n");
  SaverState s;
  s.useMirrors = 0;
  s.SaveSettings();
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("# my notes"), std::string::npos);
  EXPECT_NE(text.find("Mouse Threshold=10"), std::string::npos);
  EXPECT_NE(text.find("Other=abc"), std::string::npos);
  EXPECT_NE(text.find("UseMirrors=0"), std::string::npos);
  EXPECT_EQ(text.find("UseMirrors=1"), std::string::npos);
  EXPECT_EQ(Loaded().mouseThreshold, 10);
}

TEST_F(SettingsStoreTest, ALeftoverTemporaryFileChangesNothing) {
  const std::string old = "[Software\\Pomwick\\Vostrand]\nUseMirrors=0\n";
  Store(old);
  WriteFile(path + ".K3JQ1Z", "[Software\\Pomwick\\Vostr");  // an interrupted earlier save
  EXPECT_EQ(Loaded().useMirrors, 0);
  SaverState s;
  s.useMirrors = 1;
  s.SaveSettings();
  EXPECT_EQ(Loaded().useMirrors, 1);
}

TEST_F(SettingsStoreTest, AWriteCutShortLeavesTheOldFile) {
  // Lots of other content so the new file is larger than the write limit.
  std::string old = "[Software\\Pomwick\\Vostrand]\nUseMirrors=0\n[Notes]\n";
  for (int i = 0; i < 200; ++i) old += "Line" + std::to_string(i) + "=some text that must survive\n";
  Store(old);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The write runs out of room half way, as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    const settings::WriteResult r =
        settings::WriteValue(settings::SettingsPath(), settings::kProgramGroup, settings::kUseMirrors, 1);
    _exit(r == settings::WriteResult::Failed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the cut-short write is reported as a failure";
  EXPECT_EQ(ReadFile(path), old);
}

TEST_F(SettingsStoreTest, AMalformedFileIsReadAsDefaultsAndKeptAsideOnSave) {
  const std::string junk = "UseMirrors=0\n[unclosed\n\x01\x02 garbage";
  Store(junk);
  EXPECT_EQ(Loaded().useMirrors, 1);
  EXPECT_EQ(ReadFile(path), junk) << "reading never rewrites";
  EXPECT_EQ(settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, 0),
            settings::WriteResult::WrittenAfterBackup);
  EXPECT_EQ(ReadFile(path + ".bad"), junk);
  EXPECT_EQ(Loaded().useMirrors, 0);
}

TEST_F(SettingsStoreTest, AnUnreadableFileIsNeitherReadNorReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
  const std::string old = "[Software\\Pomwick\\Vostrand]\nUseMirrors=0\n";
  Store(old);
  chmod(path.c_str(), 0);
  EXPECT_EQ(Loaded().useMirrors, 1);
  EXPECT_EQ(settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, 1),
            settings::WriteResult::Failed);
  chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadFile(path), old);
}

TEST_F(SettingsStoreTest, AFileThatCannotBeOpenedIsLeftAlone) {
  // A link to itself cannot be opened, by the superuser either.
  ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
  ASSERT_EQ(symlink(path.c_str(), path.c_str()), 0);
  EXPECT_EQ(Loaded().useMirrors, 1);
  EXPECT_EQ(settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, 0),
            settings::WriteResult::Failed);
  char target[512] = {};
  EXPECT_GT(readlink(path.c_str(), target, sizeof target - 1), 0) << "the link is still there";
}

TEST_F(SettingsStoreTest, ADirectoryWhereTheFileShouldBe) {
  ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  WriteFile(path + "/keep", "x");
  EXPECT_EQ(Loaded().useMirrors, 1);
  EXPECT_EQ(settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, 0),
            settings::WriteResult::Failed);
  EXPECT_EQ(ReadFile(path + "/keep"), "x");
}

TEST_F(SettingsStoreTest, ANamedPipeWhereTheFileShouldBeIsNeverOpened) {
  // Opening a pipe for reading waits for a writer; the alarm ends the test
  // process instead of letting it hang.
  ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  alarm(10);
  EXPECT_EQ(Loaded().useMirrors, 1);
  EXPECT_EQ(settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, 0),
            settings::WriteResult::Failed);
  alarm(0);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the pipe was replaced";
}

TEST_F(SettingsStoreTest, AFileWithNulBytesIsKeptWholeOnSave) {
  // The parser drops what follows a NUL on its line; such a file is set
  // aside whole rather than written back without those bytes.
  const std::string old = std::string("[Other]\nName=a\0b\nKept=1\n", 24);
  Store(old);
  EXPECT_EQ(settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, 0),
            settings::WriteResult::WrittenAfterBackup);
  EXPECT_EQ(ReadFile(path + ".bad"), old);
  EXPECT_EQ(Loaded().useMirrors, 0);
}

TEST_F(SettingsStoreTest, NoUsableDirectoryFailsCleanly) {
  WriteFile(root + "/zirbel", "a file where the directory should be");
  EXPECT_EQ(settings::WriteValue(path, settings::kProgramGroup, settings::kUseMirrors, 0),
            settings::WriteResult::Failed);
  EXPECT_EQ(settings::WriteValue("", settings::kProgramGroup, settings::kUseMirrors, 0),
            settings::WriteResult::Failed);
}

}  // namespace
