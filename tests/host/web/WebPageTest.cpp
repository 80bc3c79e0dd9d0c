#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "field/KeyCodes.h"
#include "host/web/PageClock.h"
#include "host/web/PageOptions.h"
#include "host/web/PhotoSteps.h"
#include "images/PhotoTiles.h"
#include "tools/genimages/JpegWriter.h"

namespace {

TEST(WebPage, QueryOptionsTakeWhatIsInRangeAndIgnoreTheRest) {
  const PageOptions still = ParsePageQuery("?seed=1&time=5&still&levels=3&mirrors=0");
  EXPECT_TRUE(still.seedGiven && still.still && !still.saver);
  EXPECT_EQ(still.seed, 1u);
  EXPECT_DOUBLE_EQ(still.time, 5.0);
  EXPECT_EQ(still.levels, 3);
  EXPECT_EQ(still.mirrors, 0);
  const PageOptions bad = ParsePageQuery("saver&seed=-1&levels=11&mirrors=2&time=x&seed=&levels=3x&unknown=1&&");
  EXPECT_TRUE(bad.saver);
  EXPECT_FALSE(bad.seedGiven);
  EXPECT_EQ(bad.levels, 0);
  EXPECT_EQ(bad.mirrors, -1);
  EXPECT_DOUBLE_EQ(bad.time, 0.0);
  EXPECT_EQ(ParsePageQuery("").levels, 0);
}

// The program's numbers of a store like the page's local storage.
struct FakeStore : SettingsStore {
  std::map<std::string, std::int32_t> numbers;
  bool ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) override {
    const auto found = numbers.find(name);
    if (group != SettingsGroup::Program || found == numbers.end()) return false;
    *value = found->second;
    return true;
  }
  void WriteNumber(SettingsGroup, const char* name, std::int32_t value) override { numbers[name] = value; }
  bool ReadText(SettingsGroup, const char*, std::string*) override { return false; }
  void WriteText(SettingsGroup, const char*, const std::string&) override {}
};

TEST(WebPage, SettingsFromTheAddressAreKeptElseTheStoredOnesHold) {
  FakeStore store;
  PageSettings settings = ResolvePageSettings(ParsePageQuery(""), store);
  EXPECT_EQ(settings.useMirrors, 1);
  EXPECT_EQ(settings.levels, 0);
  EXPECT_TRUE(store.numbers.empty());
  settings = ResolvePageSettings(ParsePageQuery("?mirrors=0&levels=4"), store);
  EXPECT_EQ(settings.useMirrors, 0);
  EXPECT_EQ(settings.levels, 4);
  settings = ResolvePageSettings(ParsePageQuery(""), store);  // the next visit
  EXPECT_EQ(settings.useMirrors, 0);
  EXPECT_EQ(settings.levels, 4);
  store.numbers[kLevelsSetting] = 11;  // out of range: the scene's own
  EXPECT_EQ(ResolvePageSettings(ParsePageQuery("mirrors=1"), store).levels, 0);
  EXPECT_EQ(store.numbers[setting::kUseMirrors], 1);
}

TEST(WebPage, SettingsChosenOnThePageAreKeptWithinTheirRanges) {
  FakeStore store;
  const struct {
    const char* name;
    std::int32_t value;
    bool kept;
  } cases[] = {{setting::kUseMirrors, 0, true}, {setting::kUseMirrors, 2, false}, {kLevelsSetting, 10, true},
               {kLevelsSetting, 0, false},     {kLevelsSetting, 11, false},     {"PhotoFolder", 1, false}};
  for (const auto& c : cases) {
    store.numbers.clear();
    EXPECT_EQ(KeepPageSetting(store, c.name, c.value), c.kept) << c.name << " " << c.value;
    EXPECT_EQ(store.numbers.count(c.name), c.kept ? 1u : 0u) << c.name << " " << c.value;
  }
  ASSERT_TRUE(KeepPageSetting(store, kLevelsSetting, 10));
  EXPECT_EQ(ResolvePageSettings(ParsePageQuery(""), store).levels, 10);  // kept as the address's: the next visit
  // The level controls step within 1..10 as the digit keys set them.
  EXPECT_EQ(LevelKeyFor(1, 1), keycode::kDigit0 + 1);
  EXPECT_EQ(LevelKeyFor(1, -1), keycode::kDigit0);
  EXPECT_EQ(LevelKeyFor(10, 1), keycode::kDigit9);
}

TEST(WebPage, APausedClockStandsStillAndGoesOnWhereItStopped) {
  ManualCounter browser;
  PausableCounter clock(browser);
  browser.value = 100;
  EXPECT_EQ(clock.Value(), 100);
  clock.SetPaused(true);
  browser.value = 400;
  clock.SetPaused(true);  // a second pause changes nothing
  EXPECT_EQ(clock.Value(), 100);
  clock.SetPaused(false);
  EXPECT_EQ(clock.Value(), 100);
  browser.value = 450;
  EXPECT_EQ(clock.Value(), 150);
  clock.SetPaused(false);
  EXPECT_EQ(clock.Value(), 150);
  EXPECT_EQ(clock.Frequency(), browser.frequency);
}

TEST(WebPage, KeysAreTheSceneCodes) {
  EXPECT_EQ(KeyCodeForDomCode("Digit0"), keycode::kDigit0);
  EXPECT_EQ(KeyCodeForDomCode("Digit9"), keycode::kDigit9);
  EXPECT_EQ(KeyCodeForDomCode("KeyM"), keycode::kKeyM);
  EXPECT_EQ(KeyCodeForDomCode("ArrowLeft"), keycode::kLeft);
  EXPECT_EQ(KeyCodeForDomCode("ArrowDown"), keycode::kDown);
  EXPECT_EQ(KeyCodeForDomCode("Space"), keycode::kSpace);
  for (const char* none : {"", "Digit", "Digit10", "Keym", "KeyMM", "Numpad5", "F13"}) {
    EXPECT_EQ(KeyCodeForDomCode(none), 0u) << none;
  }
}

// A folder of plain 96 x 64 PNG photos, green unless `red` names them.
std::filesystem::path PhotoFolder(const char* name, int count, int red) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  for (int i = 0; i < count; ++i) {
    std::vector<unsigned char> pixels(96 * 64 * 3, 0);
    for (std::size_t p = i == red ? 0 : 1; p < pixels.size(); p += 3) pixels[p] = 255;
    char file[32];
    std::snprintf(file, sizeof file, "%03d.png", i);
    EXPECT_TRUE(gen::WriteFile((folder / file).string(), gen::MakePng(96, 64, pixels, gen::PngOptions())));
  }
  return folder;
}

// The red and green of the centre of the atlas's tile `t`.
std::pair<int, int> TileCentre(const std::vector<unsigned char>& atlas, int t) {
  const std::size_t x = static_cast<std::size_t>(t % photo::kTilesPerRow) * photo::kTilePixels + photo::kTilePixels / 2;
  const std::size_t y = static_cast<std::size_t>(t / photo::kTilesPerRow) * photo::kTilePixels + photo::kTilePixels / 2;
  const std::size_t at = (y * photo::kAtlasWidth + x) * 4;
  return {atlas.at(at), atlas.at(at + 1)};
}

TEST(WebPage, PhotoStepsMakeTheAtlasOnePhotoAtATimeAndSkipWhatIsBroken) {
  const std::filesystem::path folder = PhotoFolder("zirbel-web-photos", 1, -1);
  ASSERT_TRUE(gen::WriteFile((folder / "b.jpg").string(), {0xFF, 0xD8, 0xFF, 0xE0, 1, 2}));
  char text[512] = {};
  std::FILE* messages = fmemopen(text, sizeof text - 1, "w");
  PhotoSteps steps(folder.string(), messages, 1000.0);
  std::vector<unsigned char> atlas;
  int taken = 0;
  while (!steps.Done() && taken < 10) {
    if (steps.Step(0.0, &atlas)) {
      EXPECT_EQ(taken, 3);  // after the walk and the two files
    }
    ++taken;
  }
  std::fclose(messages);
  EXPECT_EQ(taken, 4);  // one atlas holds every photo: done
  EXPECT_FALSE(steps.Step(5000.0, &atlas));
  ASSERT_EQ(atlas.size(), static_cast<std::size_t>(photo::kAtlasWidth) * photo::kAtlasHeight * 4);
  EXPECT_LT(TileCentre(atlas, 0).first, 40);
  EXPECT_GT(TileCentre(atlas, 0).second, 200);
  EXPECT_NE(std::string(text).find("b.jpg: skipped"), std::string::npos) << text;

  PhotoSteps none((folder / "missing").string(), nullptr, 1000.0);
  while (!none.Done()) {
    EXPECT_FALSE(none.Step(0.0, &atlas));
  }
  std::filesystem::remove_all(folder);
}

TEST(WebPage, PhotoStepsTakeTheNextPhotosForTheNextAtlasAfterTheRefresh) {
  const std::filesystem::path folder = PhotoFolder("zirbel-web-turns", photo::kTileCount + 1, photo::kTileCount);
  PhotoSteps steps(folder.string(), nullptr, 1000.0);
  std::vector<unsigned char> first, second;
  while (!steps.Step(0.0, &first)) ASSERT_FALSE(steps.Done());
  EXPECT_GT(TileCentre(first, 0).second, 200);  // 000.png, green; the red 078.png left out
  EXPECT_TRUE(steps.Waiting(999.0));
  EXPECT_FALSE(steps.Step(999.0, &second));
  EXPECT_FALSE(steps.Waiting(1000.0));
  while (!steps.Step(1000.0, &second)) ASSERT_FALSE(steps.Done());
  EXPECT_GT(TileCentre(second, 0).first, 200);  // 078.png comes first, then 000.png and on
  EXPECT_GT(TileCentre(second, 1).second, 200);
  EXPECT_FALSE(steps.Done());
  std::filesystem::remove_all(folder);
}

}  // namespace
