#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/Entry.h"
#include "host/SaverState.h"

namespace {

// Records the order of the calls the entry makes and what it passed.
struct Recorder {
  std::vector<std::string> calls;
  WindowHandle parent = 12345;
  int showWindow = -1;
  SaverState* state = nullptr;
  bool stateWasPublished = false;
  int useMirrorsSeen = -1;
};
Recorder* gRec = nullptr;

void LoadSystem(SaverState& s) {
  gRec->calls.push_back("system");
  gRec->state = &s;
  s.mouseThreshold = 10;
}
void LoadOwn(SaverState& s) {
  gRec->calls.push_back("own");
  s.useMirrors = 0;
}
WindowHandle Foreground() {
  gRec->calls.push_back("foreground");
  return 99;
}
void ChangePassword(WindowHandle parent) {
  gRec->calls.push_back("password");
  gRec->parent = parent;
}
void Config(SaverState& s, WindowHandle owner) {
  gRec->calls.push_back("config");
  gRec->parent = owner;
  gRec->stateWasPublished = gSaverState == &s;
  gRec->useMirrorsSeen = s.useMirrors;
}
void Window(SaverState& s, WindowHandle parent, int show) {
  gRec->calls.push_back(gSaverMode == SaverMode::Saver ? "saver" : "preview");
  gRec->parent = parent;
  gRec->showWindow = show;
  gRec->stateWasPublished = gSaverState == &s && s.mouseThreshold == 10 && s.useMirrors == 0;
}

const EntryServices kFakes = {&LoadSystem, &LoadOwn, &Foreground, &ChangePassword, &Config, &Window};

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override { gRec = &rec; }
  void TearDown() override { gRec = nullptr; }
  Recorder rec;
};

TEST_F(EntryTest, SaverRunsTheWindowAfterBothLoads) {
  EXPECT_EQ(RunEntry("zirbel.scr /s", 5, kFakes), 0);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"system", "own", "saver"}));
  EXPECT_EQ(rec.showWindow, 5);
  EXPECT_TRUE(rec.stateWasPublished);
  EXPECT_EQ(gSaverState, nullptr) << "the record is freed and unpublished afterwards";
}

TEST_F(EntryTest, PreviewPassesTheParent) {
  EXPECT_EQ(RunEntry("zirbel.scr /p 4242", 10, kFakes), 0);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"system", "own", "preview"}));
  EXPECT_EQ(rec.parent, 4242u);
}

TEST_F(EntryTest, ConfigIsOwnedByTheForegroundWindowForABareSwitch) {
  EXPECT_EQ(RunEntry("zirbel.scr /c", 10, kFakes), 0);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"foreground", "system", "own", "config"}));
  EXPECT_EQ(rec.parent, 99u);
  EXPECT_TRUE(rec.stateWasPublished);
  EXPECT_EQ(rec.useMirrorsSeen, 0) << "the dialog sees the loaded setting";
}

TEST_F(EntryTest, NoArgumentRunsUnownedConfig) {
  RunEntry("zirbel.scr", 10, kFakes);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"system", "own", "config"}));
  EXPECT_EQ(rec.parent, 0u);
}

TEST_F(EntryTest, ChangePasswordGetsTheParent) {
  RunEntry("zirbel.scr /a 77", 10, kFakes);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"system", "own", "password"}));
  EXPECT_EQ(rec.parent, 77u);
}

TEST_F(EntryTest, UnknownSwitchReadsSettingsAndRunsNothing) {
  EXPECT_EQ(RunEntry("zirbel.scr /x", 10, kFakes), 0);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"system", "own"}));
  EXPECT_EQ(gSaverMode, SaverMode::None);
}

TEST_F(EntryTest, MissingServicesAreSkipped) {
  const EntryServices none = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  EXPECT_EQ(RunEntry("zirbel.scr /s", 10, none), 0);
  EXPECT_EQ(RunEntry("zirbel.scr /c", 10, none), 0);
  EXPECT_TRUE(rec.calls.empty());
}

TEST(JoinArguments, BuildsAWindowsStyleCommandLine) {
  const char* none[] = {"/usr/bin/zirbel"};
  EXPECT_EQ(JoinArguments(1, none), "zirbel");
  const char* two[] = {"/usr/bin/zirbel", "-p", "12345"};
  EXPECT_EQ(JoinArguments(3, two), "zirbel -p 12345");
  const char* one[] = {"./zirbel", "/s"};
  EXPECT_EQ(JoinArguments(2, one), "zirbel /s");
}

}  // namespace
