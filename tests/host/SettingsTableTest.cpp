#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/host/FakeSettings.h"

namespace {

constexpr std::int64_t kNo = -999;  // refused

TEST(NumberText, EachFormTakesItsWritingAndNothingElse) {
  constexpr NumberForm kStored = NumberForm::Stored, kPlain = NumberForm::Plain, kId = NumberForm::WindowId;
  constexpr std::int64_t kMin = INT32_MIN, kMax = INT32_MAX, kWord = 0xFFFFFFFFll;
  // A form and a range, and texts with the number read.
  const std::tuple<NumberForm, std::int64_t, std::int64_t, std::vector<std::pair<const char*, std::int64_t>>> cases[] = {
      {kStored, kMin, kMax, {{" 7 ", 7}, {"\t-1", -1}, {"5 ", 5}, {"+2147483647", kMax}, {"-2147483648", kMin},
                             {"007", 7}, {"-2147483649", kNo}, {"2147483648", kNo}, {"99999999999999999999", kNo},
                             {"0x10", kNo}, {"12 3", kNo}, {"1.5", kNo}, {"", kNo}, {"-", kNo}, {"+-1", kNo}, {"- 1", kNo}}},
      {kStored, 1, 10, {{"10", 10}, {"3x", kNo}, {"11", kNo}, {"0", kNo}}},
      {kPlain, 1, 10, {{"10", 10}, {"0", kNo}, {"11", kNo}, {"03", kNo}, {"007", kNo}, {"+3", kNo}, {" 3", kNo},
                       {"3.5", kNo}, {"0x10", kNo}}},
      {kPlain, 0, kWord, {{"0", 0}, {"4294967295", kWord}, {"-1", kNo}, {"4294967296", kNo}}},
      {kId, 1, kWord, {{"0x2a00007", 44040199}, {"0XFFFFFFFF", kWord}, {"0x002A", 42}, {"44040199", 44040199},
                       {"0", kNo}, {"0x", kNo}, {"0x1g", kNo}, {"12abc", kNo}, {"-5", kNo}, {"4294967296", kNo},
                       {"0x100000000", kNo}, {" 0x10", kNo}}},
  };
  for (const auto& [form, low, high, texts] : cases) {
    for (const auto& [text, read] : texts) {
      std::int64_t value = kNo;
      EXPECT_EQ(ParseNumber(text, form, low, high, &value), read != kNo) << text;
      EXPECT_EQ(value, read) << text << ": a refused text leaves the value as it was";
    }
  }
}

// Each store gives the settings the table keeps there, each within its range
// or at its default, and is told of a number out of range; a save writes what
// the store keeps, in one update, and a text that cannot be a setting empty.
TEST(SettingsTable, EachStoreLoadsAndSavesItsOwnSettings) {
  using Strings = std::vector<std::string>;
  // The store, what it holds, the settings loaded, what it is told; what a
  // save of (3 50 0 1 4 `folder` 10 1) writes.
  const std::tuple<SettingPlace, Strings, const char*, Strings, const char*, const char*> cases[] = {
      {kInWebStorage, {"S.Password Delay=-1", "P.UseMirrors=0", "P.Levels=4", "P.PhotoFolder=/p"},
       "15 50 0 1 4 '' 10 1", {}, "/p", "[ P.UseMirrors=0 P.Levels=4 ] "},
      {kInSettingsFile, {"P.IdleMinutes=121", "P.LockOnReturn=2", "P.Levels=4"}, "15 50 1 1 1 '' 10 1",
       {"IdleMinutes is 121, not from 1 to 120", "LockOnReturn is 2, not from 0 to 1"}, "/f",
       "[ P.UseMirrors=0 P.AllMonitors=1 P.PhotoFolder=/f P.IdleMinutes=10 P.LockOnReturn=1 ] "},
      {kInSettingsFile, {"P.IdleMinutes=0", "P.LockOnReturn=-1"}, "15 50 1 1 1 '' 10 1",
       {"IdleMinutes is 0, not from 1 to 120", "LockOnReturn is -1, not from 0 to 1"}, "", ""},
      {kInSettingsFile, {"P.IdleMinutes=120", "P.LockOnReturn=0", "S.Password Delay=0"}, "0 50 1 1 1 '' 120 0", {}, "",
       ""},
      {kInWebStorage, {"P.Levels=11", "P.UseMirrors=x"}, "15 50 1 1 1 '' 10 1", {"Levels is 11, not from 1 to 10"}, "", ""},
      {kInWebStorage, {"P.Levels=0"}, "15 50 1 1 1 '' 10 1", {"Levels is 0, not from 1 to 10"}, "", ""},
      {kInRegistry, {"S.Password Delay=-1", "P.AllMonitors=5", "P.Levels=4", "S.UseMirrors=0", "P.Mouse Threshold=9"},
       "-1 50 1 5 1 '' 10 1", {}, "C:\\Fotos été", "[ P.UseMirrors=0 P.AllMonitors=1 P.PhotoFolder=C:\\Fotos été ] "},
      {kInRegistry, {"P.PhotoFolder=a\nb", "S.Mouse Threshold=-2147483648"}, "15 -2147483648 1 1 1 '' 10 1", {}, "a\nb",
       "[ P.UseMirrors=0 P.AllMonitors=1 P.PhotoFolder= ] "},
  };
  for (const auto& [place, held, loaded, told, folder, written] : cases) {
    MapStore store(place);
    for (const std::string& entry : held) {
      store.values[entry.substr(0, entry.find('='))] = entry.substr(entry.find('=') + 1);
    }
    SaverState state;
    for (const SettingRow& row : AllSettings()) {  // spoilt: the load must set each
      if (row.type == SettingType::Text) state.*row.text = "stale";
      if (row.type != SettingType::Text) state.*row.number = 777;
    }
    state.inPasswordCheck = 1;
    LoadSystemSettings(state, store);
    LoadSettings(state, store);
    EXPECT_EQ(Describe(state), loaded) << held.size();
    EXPECT_EQ(store.told, told);
    EXPECT_EQ(state.inPasswordCheck, 0);
    EXPECT_EQ(store.log, "") << "loading writes nothing";
    if (*written == '\0') continue;
    MapStore saving(place);
    state = SaverState();
    state.passwordDelay = 3;
    state.useMirrors = 0;
    state.levels = 4;
    state.photoFolder = folder;
    SaveSettings(state, saving);
    EXPECT_EQ(saving.log, written);
  }
  EXPECT_EQ(Describe(SaverState()), "15 50 1 1 1 '' 10 1") << "a new record holds the defaults";
}

}  // namespace
