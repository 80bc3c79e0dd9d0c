// The daemon options and the picture's options of the Linux program, and the
// settings description and manual written about them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/x11/HackOptions.h"

namespace {

using hack::Action;
using hack::Options;
using hack::ParseArguments;
using hack::Target;

Options Parse(std::vector<std::string> arguments) { return ParseArguments(arguments); }

TEST(HackOptions, DaemonTargetsInEitherSpelling) {
  EXPECT_EQ(Parse({"--root"}).target, Target::Root);
  EXPECT_EQ(Parse({"-root"}).target, Target::Root);
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--window-id", "0x2a00007"}, {"-window-id", "44040199"}, {"--window-id=0x2A00007"}}) {
    const Options o = Parse(arguments);
    EXPECT_EQ(o.action, Action::Run) << arguments[0];
    EXPECT_EQ(o.target, Target::WindowId) << arguments[0];
    EXPECT_EQ(o.windowId, 0x2a00007u) << arguments[0];
    EXPECT_TRUE(o.rest.empty());
  }
}

TEST(HackOptions, BadWindowIdsAreErrors) {
  for (const char* id : {"0", "0x", "12abc", "0x1g", "-5", "4294967296", "0x100000000", ""}) {
    const Options o = Parse({"--window-id", id});
    EXPECT_EQ(o.action, Action::Error) << id;
    EXPECT_NE(o.error.find("--window-id"), std::string::npos) << o.error;
  }
  EXPECT_EQ(Parse({"--window-id"}).action, Action::Error);  // value missing
  std::uint32_t id = 0;
  EXPECT_TRUE(hack::ParseWindowId("0xFFFFFFFF", &id));
  EXPECT_EQ(id, 0xFFFFFFFFu);
}

TEST(HackOptions, RootTargetFollowsTheDaemonsVariable) {
  std::uint32_t id = 99;
  EXPECT_TRUE(hack::RootTarget(nullptr, &id));
  EXPECT_EQ(id, 0u);
  id = 99;
  EXPECT_TRUE(hack::RootTarget("", &id));
  EXPECT_EQ(id, 0u);
  EXPECT_TRUE(hack::RootTarget("0x600001", &id));
  EXPECT_EQ(id, 0x600001u);
  EXPECT_TRUE(hack::RootTarget(" 6291457\t", &id));
  EXPECT_EQ(id, 6291457u);
  EXPECT_FALSE(hack::RootTarget("window", &id));
}

TEST(HackOptions, MirrorsAndLevelsOverrideForTheRun) {
  EXPECT_EQ(Parse({}).useMirrors, -1);
  EXPECT_EQ(Parse({}).levels, 0);
  EXPECT_EQ(Parse({"--no-mirrors"}).useMirrors, 0);
  EXPECT_EQ(Parse({"--no-mirrors", "--mirrors"}).useMirrors, 1);  // the last one counts
  EXPECT_EQ(Parse({"-mirrors", "-no-mirrors"}).useMirrors, 0);
  EXPECT_EQ(Parse({"--levels", "1"}).levels, 1);
  EXPECT_EQ(Parse({"--levels=10"}).levels, 10);
  EXPECT_EQ(Parse({"-levels", "4"}).levels, 4);
  for (const char* bad : {"0", "11", "-1", "3x", "", " 3", "+3", "007"}) {
    const Options o = Parse({"--levels", bad});
    EXPECT_EQ(o.action, Action::Error) << bad;
    EXPECT_NE(o.error.find("1 to 10"), std::string::npos) << o.error;
  }
  EXPECT_EQ(Parse({"--mirrors=1"}).action, Action::Error);
}

TEST(HackOptions, WindowsSwitchesAreLeftForTheEntry) {
  // "-levels" must not reach the entry, which would read its l as a preview.
  const Options o = Parse({"-levels", "3", "/p", "1234", "--no-mirrors"});
  EXPECT_EQ(o.action, Action::Run);
  EXPECT_EQ(o.target, Target::None);
  EXPECT_EQ(o.rest, (std::vector<std::string>{"/p", "1234"}));
  EXPECT_EQ(Parse({"-s"}).rest, std::vector<std::string>{"-s"});
  EXPECT_EQ(Parse({"/c:5678"}).rest, std::vector<std::string>{"/c:5678"});
  EXPECT_EQ(Parse({"-l", "42"}).rest, (std::vector<std::string>{"-l", "42"}));
  EXPECT_EQ(Parse({"-screensaver"}).rest, std::vector<std::string>{"-screensaver"});
}

TEST(HackOptions, UnknownLongOptionsHelpAndVersion) {
  const Options unknown = Parse({"/s", "--colour", "red"});
  EXPECT_EQ(unknown.action, Action::Error);
  EXPECT_NE(unknown.error.find("--colour"), std::string::npos);
  EXPECT_EQ(Parse({"--root", "--help"}).action, Action::Help);
  EXPECT_EQ(Parse({"-help"}).action, Action::Help);
  EXPECT_EQ(Parse({"--version"}).action, Action::Version);
  // Help wins only where it comes before an error.
  EXPECT_EQ(Parse({"--bogus", "--help"}).action, Action::Error);
}

TEST(HackOptions, UsageListsEveryOption) {
  const std::string usage = hack::UsageText();
  for (const hack::OptionInfo& option : hack::AllOptions()) {
    EXPECT_NE(usage.find(option.name), std::string::npos) << option.name;
  }
}

// The attributes of the first element `tag` in `xml`.
std::map<std::string, std::string> Element(const std::string& xml, const std::string& tag) {
  std::map<std::string, std::string> attributes;
  const std::size_t start = xml.find("<" + tag + " ");
  if (start == std::string::npos) return attributes;
  const std::size_t end = xml.find('>', start);
  std::string body = xml.substr(start + tag.size() + 2, end - start - tag.size() - 2);
  std::size_t p = 0;
  while ((p = body.find('=', p)) != std::string::npos) {
    std::size_t nameStart = body.find_last_of(" \n", p);
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    const std::size_t valueEnd = body.find('"', p + 2);
    attributes[body.substr(nameStart, p - nameStart)] = body.substr(p + 2, valueEnd - p - 2);
    p = valueEnd + 1;
  }
  return attributes;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// What the daemon's dialog passes, read back from the description, must mean
// to the program what the dialog says.
TEST(HackOptions, SettingsDescriptionSpeaksTheParsersLanguage) {
  const std::string xml = hack::SettingsXml();
  const auto screensaver = Element(xml, "screensaver");
  EXPECT_EQ(screensaver.at("name"), "zirbel");
  EXPECT_EQ(screensaver.at("gl"), "yes");

  const Options command = Parse(Words(Element(xml, "command").at("arg")));
  EXPECT_EQ(command.action, Action::Run);
  EXPECT_EQ(command.target, Target::Root);

  const auto mirrors = Element(xml, "boolean");
  EXPECT_EQ(mirrors.at("_label"), "Use mirrors");
  ASSERT_EQ(mirrors.count("arg-unset"), 1u) << "the box is on by default, like the stored setting";
  EXPECT_EQ(Parse(Words(mirrors.at("arg-unset"))).useMirrors, 0);

  const auto levels = Element(xml, "number");
  EXPECT_EQ(levels.at("type"), "spinbutton");
  const std::string arg = levels.at("arg");
  const std::size_t percent = arg.find('%');
  ASSERT_NE(percent, std::string::npos);
  const auto with = [&](const std::string& value) {
    return Parse(Words(arg.substr(0, percent) + value + arg.substr(percent + 1)));
  };
  const int low = std::stoi(levels.at("low"));
  const int high = std::stoi(levels.at("high"));
  const int initial = std::stoi(levels.at("default"));
  EXPECT_EQ(low, 1);
  EXPECT_EQ(high, 10);
  EXPECT_EQ(with(levels.at("low")).levels, low);
  EXPECT_EQ(with(levels.at("high")).levels, high);
  EXPECT_EQ(with(levels.at("default")).levels, initial);
  EXPECT_EQ(with(std::to_string(high + 1)).action, Action::Error);
  EXPECT_EQ(with(std::to_string(low - 1)).action, Action::Error);
}

TEST(HackOptions, ManualDescribesEveryOption) {
  std::ifstream in(ZIRBEL_MANUAL_PAGE);
  ASSERT_TRUE(in) << "cannot read " << ZIRBEL_MANUAL_PAGE;
  std::stringstream text;
  text << in.rdbuf();
  std::string manual = text.str();
  // roff writes a minus as \-.
  for (std::size_t p; (p = manual.find("\\-")) != std::string::npos;) manual.erase(p, 1);
  for (const hack::OptionInfo& option : hack::AllOptions()) {
    EXPECT_NE(manual.find(option.name), std::string::npos) << option.name << " is not in the manual";
  }
  EXPECT_NE(manual.find("XSCREENSAVER_WINDOW"), std::string::npos);
}

}  // namespace
