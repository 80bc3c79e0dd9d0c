#pragma once
// A window system and a picture under the test's control, logging what is
// done. Events are names: `waiting` ones are there from the start, each of
// `arrivals` comes at its time on a clock that moves only while the loop
// waits (and 10 ms a frame). "quit" ends the loop; "hide" and "off" hide the
// picture, any other event shows it, and "~show" shows it without an event,
// as only asking again tells.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/SceneLife.h"

using Log = std::vector<std::string>;

// A scene without GL: the scene's own keys and control state, its drawing
// logged as "draw N" (N: the order it was made in), an atlas shown to it as
// "atlas N", marked when it came on another thread than the one that made it.
struct BareView : ViewScene {
  Log* log = nullptr;
  int id = 0;
  bool present = true;
  std::thread::id thread = std::this_thread::get_id();
  void Start(const SceneView& v, std::uint32_t seed, const SceneSources&) override {
    Place(v);
    log->push_back("start " + std::to_string(id) + " seed " + std::to_string(seed));
  }
  void Place(const SceneView& v) override {
    scene.originX = v.x;
    scene.width = v.width;
  }
  void Advance() override {}
  bool RenderFrame(std::uint32_t) override {
    log->push_back("draw " + std::to_string(id) + " at " + std::to_string(scene.originX));
    return present;
  }
  void Resume() override {}
  void ShowAtlas(const std::vector<unsigned char>&) override {
    log->push_back("atlas " + std::to_string(id) + (std::this_thread::get_id() == thread ? "" : " on another thread"));
  }
  void Teardown() override { log->push_back("end " + std::to_string(id)); }
};
inline SceneFactory BareViews(Log* log) {
  return [log, made = 0]() mutable {
    auto view = std::make_unique<BareView>();
    view->log = log;
    view->id = made++;
    return std::unique_ptr<ViewScene>(std::move(view));
  };
}

struct FakeHost : SceneHost, FrameRenderer {
  SetUpResult setUp = SetUpResult::Ready;
  Log waiting, log;
  std::multimap<std::uint32_t, std::string> arrivals;
  std::vector<std::int32_t> delays{40};  // the delay after frame i; the last one stays
  std::vector<bool> presents;            // per frame; true when missing
  std::vector<std::uint32_t> flags;
  std::uint32_t now = 1000;
  Sight sight = Sight::Visible;
  std::vector<SceneView> views = WholeWindow(640, 480);

  SetUpResult SetUp() override {
    log.push_back("set up");
    return setUp;
  }
  int Width() override { return 640; }
  int Height() override { return 480; }
  std::vector<SceneView> Views() override { return views; }
  void Show() override { log.push_back("show"); }
  void DropWindow() override { log.push_back("drop window"); }
  void TearDown() override { log.push_back("tear down"); }
  bool HandlePendingEvent() override {
    PictureSight();  // takes in what has arrived
    if (waiting.empty()) return false;
    log.push_back("event " + waiting.front());
    sight = waiting.front() == "hide" ? Sight::Hidden : waiting.front() == "off" ? Sight::HiddenPolled : Sight::Visible;
    waiting.erase(waiting.begin());
    return true;
  }
  bool QuitRequested() override { return !log.empty() && log.back() == "event quit"; }
  void Present() override { log.push_back("present"); }
  void Clear() override { log.push_back("clear"); }
  bool WaitForEvent(std::int32_t ms) override {
    log.push_back(ms < 0 ? "wait" : "wait " + std::to_string(ms));
    const auto next = std::find_if(arrivals.begin(), arrivals.end(), [](const auto& a) { return a.second[0] != '~'; });
    if (next == arrivals.end() && ms < 0) waiting.push_back("quit");  // it would wait for ever
    if (next == arrivals.end() || (ms >= 0 && next->first > now + static_cast<std::uint32_t>(ms))) {
      now += static_cast<std::uint32_t>(std::max(ms, 0));
      return ms < 0;
    }
    now = std::max(now, next->first);
    return true;
  }
  std::uint32_t Milliseconds() override { return now; }
  Sight PictureSight() override {
    for (auto a = arrivals.begin(); a != arrivals.end() && a->first <= now; a = arrivals.erase(a)) {
      if (a->second[0] == '~') sight = Sight::Visible;
      if (a->second[0] != '~') waiting.push_back(a->second);
    }
    return sight;
  }
  void RenderFrame(std::uint32_t f) override {
    log.push_back("frame " + std::to_string(now));
    now += 10;
    flags.push_back(f);
    if (flags.size() > presents.size() || presents[flags.size() - 1]) Present();
  }
  void Resume() override { log.push_back("resume"); }
  std::int32_t SleepMs() override { return delays[std::min(flags.size(), delays.size()) - 1]; }
};
