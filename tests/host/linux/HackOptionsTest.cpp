#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/linux/HackOptions.h"
#include "tests/host/FakeSettings.h"

namespace {

using hack::Action;
using hack::Target;
using Args = std::vector<std::string>;

hack::Options Parse(const Args& arguments) { return hack::ParseArguments(arguments); }

// Action, target, window id, the settings chosen, and the arguments left.
std::string Describe(const hack::Options& o) {
  static const char* const actions[] = {"run", "help", "version", "error"};
  static const char* const targets[] = {"-", "root", "id", "layer"};
  std::ostringstream text;
  text << actions[static_cast<int>(o.action)] << " " << targets[static_cast<int>(o.target)] << " " << o.windowId
       << (o.windowSystem.empty() ? "" : " " + o.windowSystem) << (o.output.empty() ? "" : " on " + o.output)
       << (o.settings.empty() ? "" : " " + Describe(o.settings)) << (o.onIdle ? " on-idle" : "");
  for (const std::string& word : o.rest) text << " " << word;
  return text.str();
}

TEST(HackOptions, ParsesEitherSpellingAndLeavesTheWindowsSwitches) {
  const std::pair<Args, const char*> cases[] = {
      {{}, "run - 0"}, {{"--root"}, "run root 0"}, {{"-root"}, "run root 0"},
      {{"--window-id", "0x2a00007"}, "run id 44040199"}, {{"-window-id", "44040199"}, "run id 44040199"},
      {{"--window-id=0xFFFFFFFF"}, "run id 4294967295"},
      {{"--no-mirrors", "--mirrors"}, "run - 0 UseMirrors=1"},  // the last counts
      {{"-mirrors", "-no-mirrors", "--photos="}, "run - 0 UseMirrors=0 PhotoFolder="},
      {{"--levels=10", "--photos", "/a b"}, "run - 0 Levels=10 PhotoFolder=/a b"},
      // "-levels" must not reach the entry, which would read its l as a preview.
      {{"-levels", "3", "/p", "1234", "--no-mirrors"}, "run - 0 Levels=3 UseMirrors=0 /p 1234"},
      {{"-s", "/c:5678", "-l", "42", "-screensaver"}, "run - 0 -s /c:5678 -l 42 -screensaver"},
      {{"--x11", "/s"}, "run - 0 x11 /s"}, {{"-wayland", "/s"}, "run - 0 wayland /s"},
      {{"--layer", "background", "--output=DP-2"}, "run layer 0 on DP-2"},
      {{"--on-idle", "--levels=2"}, "run - 0 Levels=2 on-idle"}, {{"-on-idle"}, "run - 0 on-idle"},
      {{"--root", "--help"}, "help root 0"}, {{"-help"}, "help - 0"}, {{"--version"}, "version - 0"},
  };
  for (const auto& [arguments, expected] : cases) EXPECT_EQ(Describe(Parse(arguments)), expected);
}

TEST(HackOptions, BadValuesAndUnknownOptionsAreErrors) {
  const std::pair<Args, const char*> cases[] = {  // the arguments, and what the message must mention
      {{"--window-id", "0"}, "--window-id"}, {{"--window-id", "0x1g"}, "--window-id"}, {{"--window-id"}, "--window-id"},
      {{"--levels", "11"}, "1 to 10"}, {{"--levels", "007"}, "1 to 10"}, {{"--photos", "/a\nb"}, "--photos"},
      {{"--levels", "0"}, "1 to 10"}, {{"--mirrors=1"}, "--mirrors"}, {{"/s", "--colour", "red"}, "--colour"},
      {{"--bogus", "--help"}, "--bogus"},  // help wins only where it comes before an error
      {{"--layer", "overlay"}, "background"},
      {{"--output", "DP-1", "/s"}, "--layer"}, {{"--on-idle", "/s"}, "--on-idle"}, {{"--root", "--on-idle"}, "--on-idle"},
      {{"--on-idle=1"}, "--on-idle"}, {{"--layer=background", "--output="}, "--output"},
  };
  for (const auto& [arguments, named] : cases) {
    const hack::Options o = Parse(arguments);
    EXPECT_EQ(o.action, Action::Error) << arguments.back();
    EXPECT_NE(o.error.find(named), std::string::npos) << o.error;
  }
  std::uint32_t id = 99;
  EXPECT_TRUE(hack::RootTarget(nullptr, &id) && id == 0);
  EXPECT_TRUE(hack::RootTarget("", &id) && id == 0);
  EXPECT_TRUE(hack::RootTarget(" 6291457\t", &id) && id == 6291457);
  EXPECT_FALSE(hack::RootTarget("window", &id));
}

std::string Attribute(const std::string& tag, const std::string& name) {
  const std::string xml = hack::SettingsXml();
  std::smatch match;
  std::regex_search(xml, match, std::regex("<" + tag + "[^>]*\\s" + name + "=\"([^\"]*)\""));
  return match[1];
}

Args Words(const std::string& text) {
  std::istringstream in(text);
  return Args(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
}

// What the daemon's dialog passes, read back from the description, must mean
// to the program what the dialog says; the usage and the manual name every option.
TEST(HackOptions, DescriptionUsageAndManualSpeakTheParsersLanguage) {
  EXPECT_EQ(Attribute("screensaver", "name"), "zirbel");
  EXPECT_EQ(Parse(Words(Attribute("command", "arg"))).target, Target::Root);
  EXPECT_EQ(Attribute("boolean", "_label"), "Use mirrors");
  EXPECT_EQ(Describe(Parse(Words(Attribute("boolean", "arg-unset"))).settings), "UseMirrors=0")
      << "on by default, like the stored setting";
  const std::string arg = Attribute("number", "arg");
  ASSERT_EQ(arg.find('%'), arg.size() - 1) << arg;
  const auto with = [&](int value) { return Parse(Words(arg.substr(0, arg.size() - 1) + std::to_string(value))); };
  EXPECT_EQ(Attribute("number", "low") + " " + Attribute("number", "high"), "1 10");
  for (int value : {1, 10, std::stoi(Attribute("number", "default"))}) {
    EXPECT_EQ(Describe(with(value).settings), "Levels=" + std::to_string(value));
  }
  const std::string file = Attribute("file", "arg");
  EXPECT_EQ(Describe(Parse(Words(file.substr(0, file.find('%')) + "/ph")).settings), "PhotoFolder=/ph") << file;

  std::stringstream text;
  text << std::ifstream(ZIRBEL_MANUAL_PAGE).rdbuf();
  std::string manual = text.str();
  for (std::size_t p; (p = manual.find("\\-")) != std::string::npos;) manual.erase(p, 1);  // roff's minus
  const std::string usage = hack::UsageText();
  for (const hack::OptionInfo& option : hack::AllOptions()) {
    EXPECT_NE(usage.find(option.name), std::string::npos) << option.name;
    EXPECT_NE(manual.find(option.name), std::string::npos) << option.name << " is not in the manual";
  }
  for (const SettingRow& row : AllSettings()) {
    const bool named = !row.In(kInSettingsFile) || manual.find(std::string(".B ") + row.name) != std::string::npos;
    EXPECT_TRUE(!row.In(kInManual) || named) << row.name << " is not in the manual";
  }
  EXPECT_NE(usage.find("(1 to 10)"), std::string::npos) << "the help text gives the range";
  EXPECT_NE(manual.find("XSCREENSAVER_WINDOW"), std::string::npos) << "cannot read " << ZIRBEL_MANUAL_PAGE;
}

}  // namespace
