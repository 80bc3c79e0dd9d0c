#pragma once
// A window system and scenes under the test's control, logging what is
// done. Events are names: `waiting` ones are there from the start, each of
// `arrivals` comes at its time on the backend's clock. "quit" ends the run;
// "hide" and "off" hide the picture, any other event shows it, and "~show"
// shows it without an event, as only asking again tells.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/Driver.h"

using Log = std::vector<std::string>;

// A scene without GL: the scene's own keys and control state, its drawing
// logged as "draw N" (N: the order it was made in), an atlas shown to it as
// "atlas N", marked when it came on another thread than the one that made it.
struct BareView : ViewScene {
  Log* log = nullptr;
  int id = 0;
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
    return true;
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

// A window system under the test's control: one target with `views`, its
// clock (a counter in milliseconds) moving only while the run waits and
// while a PacedView draws (10 ms a frame).
struct FakeBackend : WaitingBackend, RenderTarget, CounterSource {
  Opened opened;
  Log waiting, log;
  std::multimap<std::uint32_t, std::string> arrivals;
  std::uint32_t now = 1000;
  Sight sight = Sight::Visible;
  std::vector<SceneView> views = WholeWindow(640, 480);

  Opened Open(BackendEvents&) override {
    log.push_back("open");
    return opened;
  }
  SceneLayout Layout() override { return SceneLayout{{this, 640, 480, views}}; }
  void Show() override { log.push_back("show"); }
  void DropWindow() override { log.push_back("drop window"); }
  void Close() override { log.push_back("close"); }
  void DestroyWindow() override { log.push_back("destroy"); }
  bool Dispatch() override {
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
  bool Wait(std::int32_t ms) override {
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
  Sight PictureSight() override {
    for (auto a = arrivals.begin(); a != arrivals.end() && a->first <= now; a = arrivals.erase(a)) {
      if (a->second[0] == '~') sight = Sight::Visible;
      if (a->second[0] != '~') waiting.push_back(a->second);
    }
    return sight;
  }
  std::int64_t Frequency() override { return 1000; }
  std::int64_t Value() override { return now; }
};

// A scene that draws in 10 ms of the backend's clock, logged as "frame T",
// with the delays after its frames (the last one stays) and whether each
// frame is presented (true when missing).
struct PacedView : BareView {
  FakeBackend* backend = nullptr;
  std::vector<std::int32_t> delays{40};
  std::vector<bool> presents;
  std::size_t frames = 0;
  bool RenderFrame(std::uint32_t) override {
    log->push_back("frame " + std::to_string(backend->now));
    backend->now += 10;
    scene.sleepMs = delays[std::min(frames, delays.size() - 1)];
    const bool present = frames >= presents.size() || presents[frames];
    ++frames;
    return present;
  }
  void Resume() override { log->push_back("resume"); }
};

// The inputs of a run on `backend` with the scenes `make` makes.
inline RunInputs FakeInputs(FakeBackend& backend, SceneFactory make) {
  RunInputs inputs;
  inputs.counter = &backend;
  inputs.make = std::move(make);
  inputs.photos.messages = nullptr;
  return inputs;
}
