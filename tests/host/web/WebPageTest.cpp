#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "field/KeyCodes.h"
#include "host/web/PageClock.h"
#include "host/web/PageOptions.h"
#include "host/web/PhotoSteps.h"
#include "images/PhotoTiles.h"
#include "tests/host/FakeSettings.h"
#include "tools/genimages/JpegWriter.h"

namespace {

// Visits one after the other: the address's options, in range or ignored,
// and the settings the page starts with, the address's kept for the next.
TEST(WebPage, AddressOptionsAndTheSettingsTheyKeep) {
  MapStore store(kInWebStorage);
  const std::tuple<const char*, const char*, const char*> visits[] = {  // the address, its options, the settings
      {"", "- 0", "1 1"},
      {"?seed=1&time=5&still&levels=3&mirrors=0", "1 still 5", "0 3"},
      {"", "- 0", "0 3"},
      {"saver&seed=-1&levels=11&mirrors=2&time=x&seed=&levels=3x&unknown=1&&", "- saver 0", "0 3"},
      {"levels=2&mirrors=1&levels=10&seed=4294967295", "4294967295 0", "1 10"},
  };
  const auto visit = [&store](const PageOptions& o) {
    SaverState state;
    LoadPageSettings(o, store, state);
    return std::to_string(state.useMirrors) + " " + std::to_string(state.levels);
  };
  for (const auto& [query, given, settings] : visits) {
    const PageOptions o = ParsePageQuery(query);
    EXPECT_EQ((o.seedGiven ? std::to_string(o.seed) : "-") + (o.still ? " still" : "") + (o.saver ? " saver" : "") +
                  " " + std::to_string(static_cast<int>(o.time)),
              given);
    EXPECT_EQ(visit(o), settings) << query;
  }
  EXPECT_EQ(store.log, "P.Levels=3 P.UseMirrors=0 P.Levels=10 P.UseMirrors=1 ") << "only the address's are kept";
}

TEST(WebPage, SettingsChosenOnThePageAreKeptAsTheAddresssAre) {
  MapStore store(kInWebStorage);
  SaverState state;
  const std::tuple<const char*, std::int32_t, bool> choices[] = {
      {"UseMirrors", 0, true}, {"UseMirrors", 2, false}, {"Levels", 10, true},      {"Levels", 0, false},
      {"Levels", 11, false},   {"AllMonitors", 0, false}, {"PhotoFolder", 1, false}, {"Nothing", 1, false}};
  for (const auto& [name, value, kept] : choices) EXPECT_EQ(ChoosePageSetting(name, value, store, state), kept) << name;
  EXPECT_EQ(store.log, "P.UseMirrors=0 P.Levels=10 ");
  EXPECT_EQ(state.useMirrors, 0);
  SaverState next;  // the next visit
  LoadPageSettings(PageOptions(), store, next);
  EXPECT_EQ(next.levels, 10);
  // The level controls step within 1..10 as the digit keys set them.
  EXPECT_EQ(LevelKeyFor(1, 1), keycode::kDigit0 + 1);
  EXPECT_EQ(LevelKeyFor(1, -1), keycode::kDigit0);
  EXPECT_EQ(LevelKeyFor(10, 1), keycode::kDigit9);
}

TEST(WebPage, APausedClockStandsStillAndGoesOnWhereItStopped) {
  ManualCounter browser;
  PausableCounter clock(browser);
  // The browser's clock, the pauses (a second one changes nothing) and the clock then.
  const std::tuple<std::int64_t, std::vector<bool>, std::int64_t> steps[] = {
      {100, {}, 100}, {100, {true}, 100}, {400, {true}, 100}, {400, {false}, 100}, {450, {}, 150}, {450, {false}, 150}};
  for (const auto& [now, pauses, value] : steps) {
    browser.value = now;
    for (bool paused : pauses) clock.SetPaused(paused);
    EXPECT_EQ(clock.Value(), value) << now;
  }
}

TEST(WebPage, KeysAreTheSceneCodes) {
  const std::pair<const char*, std::uint32_t> keys[] = {
      {"Digit0", keycode::kDigit0}, {"Digit9", keycode::kDigit9}, {"KeyM", keycode::kKeyM}, {"ArrowLeft", keycode::kLeft},
      {"ArrowDown", keycode::kDown}, {"Space", keycode::kSpace}, {"", 0}, {"Digit", 0}, {"Digit10", 0}, {"Keym", 0},
      {"KeyMM", 0}, {"Numpad5", 0}, {"F13", 0}};
  for (const auto& [dom, code] : keys) EXPECT_EQ(KeyCodeForDomCode(dom), code) << dom;
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
  for (; !steps.Done() && taken < 10; ++taken) {
    EXPECT_EQ(steps.Step(0.0, &atlas), taken == 3) << taken;  // after the walk and the two files
  }
  std::fclose(messages);
  EXPECT_EQ(taken, 4);  // one atlas holds every photo: done
  EXPECT_FALSE(steps.Step(5000.0, &atlas));
  ASSERT_EQ(atlas.size(), static_cast<std::size_t>(photo::kAtlasWidth) * photo::kAtlasHeight * 4);
  EXPECT_LT(TileCentre(atlas, 0).first, 40);
  EXPECT_GT(TileCentre(atlas, 0).second, 200);
  EXPECT_NE(std::string(text).find("b.jpg: skipped"), std::string::npos) << text;

  PhotoSteps none((folder / "missing").string(), nullptr, 1000.0);
  while (!none.Done()) EXPECT_FALSE(none.Step(0.0, &atlas));
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
