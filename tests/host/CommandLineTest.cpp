#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/CommandLine.h"

namespace {

constexpr WindowHandle kForeground = 0xBEEF;
int gForegroundCalls = 0;
WindowHandle FakeForeground() {
  ++gForegroundCalls;
  return kForeground;
}

WindowHandle Handle(std::int32_t value) { return static_cast<WindowHandle>(static_cast<std::intptr_t>(value)); }

struct Case {
  const char* line;
  SaverMode mode;
  WindowHandle parent;
};

class ParseCommandLineTest : public ::testing::TestWithParam<Case> {};

TEST_P(ParseCommandLineTest, GivesModeAndParent) {
  const Case& c = GetParam();
  const CommandLineResult r = ParseCommandLine(c.line, &FakeForeground);
  EXPECT_EQ(static_cast<int>(r.mode), static_cast<int>(c.mode)) << "\"" << c.line << "\"";
  EXPECT_EQ(r.parent, c.parent) << "\"" << c.line << "\"";
}

const Case kCases[] = {
    // Only the program path: configuration without owner.
    {"zirbel.scr", SaverMode::Config, 0}, {"\"C:\\Program Files\\zirbel.scr\"", SaverMode::Config, 0},
    {"zirbel.scr   ", SaverMode::Config, 0}, {"", SaverMode::Config, 0},
    // A blank inside the quotes belongs to the path.
    {"\"C:\\My Savers\\zirbel.scr\" /p 1234", SaverMode::Preview, 1234},
    {"zirbel.scr /p 1234", SaverMode::Preview, 1234},
    // Configuration with an owner, or owned by the foreground window.
    {"zirbel.scr /c:5678", SaverMode::Config, 5678}, {"zirbel.scr /c", SaverMode::Config, kForeground},
    {"zirbel.scr /c:", SaverMode::Config, kForeground}, {"zirbel.scr /c : :  ", SaverMode::Config, kForeground},
    {"zirbel.scr C 77", SaverMode::Config, 77}, {"zirbel.scr /c:junk", SaverMode::Config, 0},
    // Full-screen saver: only the first letter counts.
    {"zirbel.scr -S", SaverMode::Saver, 0}, {"zirbel.scr /s", SaverMode::Saver, 0},
    {"zirbel.scr s", SaverMode::Saver, 0}, {"zirbel.scr /screensaver", SaverMode::Saver, 0},
    {"zirbel.scr /s 999", SaverMode::Saver, 0},
    // Preview through p or l, with blanks and colons before the number.
    {"zirbel.scr /l  ::  42", SaverMode::Preview, 42}, {"zirbel.scr -L42", SaverMode::Preview, 42},
    {"zirbel.scr /P:7", SaverMode::Preview, 7}, {"zirbel.scr /p", SaverMode::Preview, 0},
    {"zirbel.scr /p abc", SaverMode::Preview, 0},
    // Password change.
    {"zirbel.scr /a 321", SaverMode::ChangePassword, 321}, {"zirbel.scr -A", SaverMode::ChangePassword, 0},
    // Nothing usable: no mode.
    {"zirbel.scr /x", SaverMode::None, 0}, {"zirbel.scr /", SaverMode::None, 0}, {"zirbel.scr -", SaverMode::None, 0},
    {"zirbel.scr / s", SaverMode::None, 0}, {"zirbel.scr 5", SaverMode::None, 0},
    {"zirbel.scr //s", SaverMode::None, 0},
    // An unquoted path runs to the first blank.
    {"zirbel.scr/s", SaverMode::Config, 0},
    // Tabs are not blanks.
    {"\"zirbel.scr\"\t/s", SaverMode::None, 0}, {"zirbel.scr\t/s", SaverMode::Config, 0},
    {"zirbel.scr \t/s", SaverMode::None, 0},
    // An unclosed quote makes everything the path.
    {"\"zirbel.scr /s", SaverMode::Config, 0},
    {"\"zirbel.scr\"/s", SaverMode::Saver, 0},  // the closing quote ends the path
    // The number as atoi reads it: white space, sign, digits.
    {"zirbel.scr /p \t+15", SaverMode::Preview, 15}, {"zirbel.scr /p\t15", SaverMode::Preview, 15},
    {"zirbel.scr /p -15", SaverMode::Preview, Handle(-15)}, {"zirbel.scr /p 12ab34", SaverMode::Preview, 12},
    {"zirbel.scr /p +-3", SaverMode::Preview, 0}, {"zirbel.scr /p 2147483647", SaverMode::Preview, 2147483647},
    {"zirbel.scr /p 99999999999999999999", SaverMode::Preview, 2147483647},
    {"zirbel.scr /p -99999999999999999999", SaverMode::Preview, Handle(INT32_MIN)},
    // Linux argument vectors joined with single blanks.
    {"zirbel -p 12345", SaverMode::Preview, 12345}, {"zirbel -c", SaverMode::Config, kForeground},
    {"zirbel", SaverMode::Config, 0},
};

INSTANTIATE_TEST_SUITE_P(Table, ParseCommandLineTest, ::testing::ValuesIn(kCases));

TEST(ParseCommandLine, AsksForTheForegroundWindowOnlyForABareConfigSwitch) {
  gForegroundCalls = 0;
  ParseCommandLine("zirbel.scr /c:12", &FakeForeground);
  ParseCommandLine("zirbel.scr /s", &FakeForeground);
  ParseCommandLine("zirbel.scr", &FakeForeground);
  EXPECT_EQ(gForegroundCalls, 0);
  ParseCommandLine("zirbel.scr /c", &FakeForeground);
  EXPECT_EQ(gForegroundCalls, 1);
}

TEST(ParseCommandLine, NullInputsAreSafe) {
  EXPECT_EQ(ParseCommandLine(nullptr, &FakeForeground).mode, SaverMode::Config);
  const CommandLineResult r = ParseCommandLine("zirbel.scr /c", nullptr);
  EXPECT_EQ(r.mode, SaverMode::Config);
  EXPECT_EQ(r.parent, 0u);
}

}  // namespace
