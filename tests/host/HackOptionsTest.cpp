// The daemon options and the picture's options of the Linux program, and the
// settings description and manual written about them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/linux/HackOptions.h"

namespace {

using hack::Action;
using hack::Target;
using Args = std::vector<std::string>;

hack::Options Parse(const Args& arguments) { return hack::ParseArguments(arguments); }

TEST(HackOptions, ParsesEitherSpellingAndLeavesTheWindowsSwitches) {
  const Action run = Action::Run;
  const struct {
    Args arguments;
    Action action;
    Target target;
    std::uint32_t windowId;
    std::int32_t mirrors, levels;
    Args rest;
  } cases[] = {
      {{}, run, Target::None, 0, -1, 0, {}}, {{"--root"}, run, Target::Root, 0, -1, 0, {}},
      {{"-root"}, run, Target::Root, 0, -1, 0, {}},
      {{"--window-id", "0x2a00007"}, run, Target::WindowId, 0x2a00007, -1, 0, {}},
      {{"-window-id", "44040199"}, run, Target::WindowId, 44040199, -1, 0, {}},
      {{"--window-id=0xFFFFFFFF"}, run, Target::WindowId, 0xFFFFFFFF, -1, 0, {}},
      {{"--no-mirrors", "--mirrors"}, run, Target::None, 0, 1, 0, {}},  // the last one counts
      {{"-mirrors", "-no-mirrors"}, run, Target::None, 0, 0, 0, {}},
      {{"--levels=10"}, run, Target::None, 0, -1, 10, {}},
      // "-levels" must not reach the entry, which would read its l as a preview.
      {{"-levels", "3", "/p", "1234", "--no-mirrors"}, run, Target::None, 0, 0, 3, {"/p", "1234"}},
      {{"-s", "/c:5678", "-l", "42", "-screensaver"}, run, Target::None, 0, -1, 0,
       {"-s", "/c:5678", "-l", "42", "-screensaver"}},
      {{"--root", "--help"}, Action::Help, Target::Root, 0, -1, 0, {}},
      {{"-help"}, Action::Help, Target::None, 0, -1, 0, {}},
      {{"--version"}, Action::Version, Target::None, 0, -1, 0, {}},
  };
  for (const auto& c : cases) {
    const hack::Options o = Parse(c.arguments);
    EXPECT_TRUE(o.action == c.action && o.target == c.target && o.windowId == c.windowId &&
                o.useMirrors == c.mirrors && o.levels == c.levels && o.rest == c.rest)
        << (c.arguments.empty() ? "(none)" : c.arguments[0]) << ": action " << static_cast<int>(o.action)
        << ", target " << static_cast<int>(o.target) << ", id " << o.windowId << ", mirrors " << o.useMirrors
        << ", levels " << o.levels << ", " << o.rest.size() << " left";
  }
}

TEST(HackOptions, BadValuesAndUnknownOptionsAreErrors) {
  const struct {
    Args arguments;
    const char* named;  // what the message must mention
  } cases[] = {
      {{"--window-id", "0"}, "--window-id"}, {{"--window-id", "0x"}, "--window-id"},
      {{"--window-id", "12abc"}, "--window-id"}, {{"--window-id", "0x1g"}, "--window-id"},
      {{"--window-id", "-5"}, "--window-id"}, {{"--window-id", "4294967296"}, "--window-id"},
      {{"--window-id", "0x100000000"}, "--window-id"}, {{"--window-id"}, "--window-id"},
      {{"--levels", "0"}, "1 to 10"}, {{"--levels", "11"}, "1 to 10"}, {{"--levels", "3x"}, "1 to 10"},
      {{"--levels", " 3"}, "1 to 10"}, {{"--levels", "+3"}, "1 to 10"}, {{"--levels", "007"}, "1 to 10"},
      {{"--mirrors=1"}, "--mirrors"}, {{"/s", "--colour", "red"}, "--colour"},
      {{"--bogus", "--help"}, "--bogus"},  // help wins only where it comes before an error
  };
  for (const auto& c : cases) {
    const hack::Options o = Parse(c.arguments);
    EXPECT_EQ(o.action, Action::Error) << c.arguments.back();
    EXPECT_NE(o.error.find(c.named), std::string::npos) << o.error;
  }
  std::uint32_t id = 99;
  EXPECT_TRUE(hack::RootTarget(nullptr, &id) && id == 0);
  EXPECT_TRUE(hack::RootTarget("", &id) && id == 0);
  EXPECT_TRUE(hack::RootTarget(" 6291457\t", &id) && id == 6291457);
  EXPECT_FALSE(hack::RootTarget("window", &id));
}

// The attributes of the first element `tag` in `xml`.
std::map<std::string, std::string> Element(const std::string& xml, const std::string& tag) {
  std::map<std::string, std::string> attributes;
  const std::size_t start = xml.find("<" + tag + " ");
  const std::string body = start == std::string::npos ? "" : xml.substr(start, xml.find('>', start) - start);
  for (std::size_t p = 0; (p = body.find("=\"", p)) != std::string::npos; p = body.find('"', p + 2) + 1) {
    const std::size_t name = body.find_last_of(" \n", p) + 1;
    attributes[body.substr(name, p - name)] = body.substr(p + 2, body.find('"', p + 2) - p - 2);
  }
  return attributes;
}

Args Words(const std::string& text) {
  std::istringstream in(text);
  return Args(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
}

// What the daemon's dialog passes, read back from the description, must mean
// to the program what the dialog says; the usage and the manual name every option.
TEST(HackOptions, DescriptionUsageAndManualSpeakTheParsersLanguage) {
  const std::string xml = hack::SettingsXml();
  EXPECT_EQ(Element(xml, "screensaver").at("name"), "zirbel");
  EXPECT_EQ(Parse(Words(Element(xml, "command").at("arg"))).target, Target::Root);
  const auto mirrors = Element(xml, "boolean");
  EXPECT_EQ(mirrors.at("_label"), "Use mirrors");
  EXPECT_EQ(Parse(Words(mirrors.at("arg-unset"))).useMirrors, 0) << "on by default, like the stored setting";

  const auto levels = Element(xml, "number");
  const std::string arg = levels.at("arg");
  const std::size_t percent = arg.find('%');
  ASSERT_NE(percent, std::string::npos);
  const auto with = [&](int value) { return Parse(Words(arg.substr(0, percent) + std::to_string(value))); };
  EXPECT_EQ(arg.substr(percent), "%");
  EXPECT_EQ(levels.at("low") + " " + levels.at("high"), "1 10");
  for (int value : {1, 10, std::stoi(levels.at("default"))}) EXPECT_EQ(with(value).levels, value);
  EXPECT_EQ(with(11).action, Action::Error);
  EXPECT_EQ(with(0).action, Action::Error);

  std::stringstream text;
  text << std::ifstream(ZIRBEL_MANUAL_PAGE).rdbuf();
  std::string manual = text.str();
  for (std::size_t p; (p = manual.find("\\-")) != std::string::npos;) manual.erase(p, 1);  // roff's minus
  const std::string usage = hack::UsageText();
  for (const hack::OptionInfo& option : hack::AllOptions()) {
    EXPECT_NE(usage.find(option.name), std::string::npos) << option.name;
    EXPECT_NE(manual.find(option.name), std::string::npos) << option.name << " is not in the manual";
  }
  EXPECT_NE(usage.find("(1 to 10)"), std::string::npos) << "the help text gives the range";
  EXPECT_NE(manual.find("XSCREENSAVER_WINDOW"), std::string::npos) << "cannot read " << ZIRBEL_MANUAL_PAGE;
}

}  // namespace
