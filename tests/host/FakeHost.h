#pragma once
// A window system and a picture under the test's control. Events are names:
// those in `waiting` are there from the start, each of `arrivals` turns up at
// its time on a clock that moves only while the loop waits or draws. "quit"
// ends the loop when handled; "hide", "off" and "show" change the sight, and
// an arrival "~show" changes it without an event, as only asking tells.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "host/SceneLife.h"

using Log = std::vector<std::string>;

class FakeHost : public SceneHost, public FrameRenderer {
 public:
  SetUpResult setUp = SetUpResult::Ready;
  Log waiting;
  std::multimap<std::uint32_t, std::string> arrivals;
  std::vector<std::int32_t> delays{40};  // the scene's delay after frame i; the last one stays
  std::vector<bool> presents;            // per frame; true when missing
  std::vector<std::uint32_t> flags;
  std::uint32_t now = 1000;
  Sight sight = Sight::Visible;
  Log log;

  SetUpResult SetUp() override {
    Note("set up");
    return setUp;
  }
  int Width() override { return 640; }
  int Height() override { return 480; }
  void Show() override { Note("show"); }
  void DropWindow() override { Note("drop window"); }
  void TearDown() override { Note("tear down"); }

  bool HandlePendingEvent() override {
    Arrive(false);
    if (waiting.empty()) return false;
    const std::string event = waiting.front();
    waiting.erase(waiting.begin());
    Note("event " + event);
    if (event == "hide" || event == "off" || event == "show") sight = SightOf(event);
    return true;
  }
  bool QuitRequested() override { return !log.empty() && log.back() == "event quit"; }
  void Present() override { Note("present"); }
  bool WaitForEvent(std::int32_t ms) override {
    Note(ms < 0 ? "wait" : "wait " + std::to_string(ms));
    auto next = arrivals.begin();
    while (next != arrivals.end() && next->second[0] == '~') ++next;
    if (next == arrivals.end() && ms < 0) waiting.push_back("quit");  // would wait for ever
    if (next == arrivals.end() || (ms >= 0 && next->first > now + static_cast<std::uint32_t>(ms))) {
      now += ms < 0 ? 0 : static_cast<std::uint32_t>(ms);
      return ms < 0;
    }
    now = std::max(now, next->first);
    return true;
  }
  std::uint32_t Milliseconds() override { return now; }
  Sight PictureSight() override {
    Arrive(true);
    return sight;
  }
  bool RenderFrame(std::uint32_t f) override {
    Note("frame " + std::to_string(now));
    now += 10;
    flags.push_back(f);
    return flags.size() > presents.size() || presents[flags.size() - 1];
  }
  void Resume() override { Note("resume"); }
  std::int32_t SleepMs() override { return delays[std::min(flags.size(), delays.size()) - 1]; }

 private:
  void Note(const std::string& what) { log.push_back(what); }
  static Sight SightOf(const std::string& name) {
    return name == "hide" ? Sight::Hidden : name == "off" ? Sight::HiddenPolled : Sight::Visible;
  }
  // Moves what has arrived by now into the queue, or (silent ones) into the sight.
  void Arrive(bool silent) {
    for (auto a = arrivals.begin(); a != arrivals.end() && a->first <= now;) {
      if ((a->second[0] == '~') != silent) {
        ++a;
        continue;
      }
      if (silent) sight = SightOf(a->second.substr(1));
      if (!silent) waiting.push_back(a->second);
      a = arrivals.erase(a);
    }
  }
};
