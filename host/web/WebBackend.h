#pragma once
// The web page as a window system: one kaleidoscope on the page's canvas at
// the device's pixel ratio, drawn on the browser's animation frames.
//
// Offers: the page's keys, pointer and focus, and the page's own controls
// (its touch strip) as those keys; full screen, which in `saver` mode is the
// saver (any input but the control keys leaves it); nothing drawn while the
// tab is hidden, the picture paused or the WebGL context lost, and a lost
// context made again when the browser gives it back; the photo atlases the
// page's worker makes; a still frame at a chosen time for tests.
// Not offered: several monitors (the page is one canvas), a preview in
// another program's window, the daemons' windows, a desktop background, a
// password (leaving full screen is always allowed).
#include <cstdint>
#include <string>
#include <vector>

#include "host/Backend.h"
#include "host/Driver.h"
#include "host/Settings.h"
#include "host/web/PageClock.h"
#include "host/web/PageOptions.h"

constexpr BackendCaps kWebCaps{/*monitors=*/false, /*hotPlug=*/false, /*preview=*/false, /*borrowed=*/false,
                               /*background=*/false, /*password=*/false};

// What the page starts with besides its address.
struct PageStart {
  SettingsStore* store = nullptr;  // where settings chosen on the page are kept
  PausableCounter* clock = nullptr;  // the run's clock (null in still mode)
  bool paused = false;             // open paused on the first frame (the visitor asks for less motion)
};

class WebBackend : public Backend, public RenderTarget {
 public:
  // In still mode the inputs' counter is a ManualCounter, moved frame by frame.
  WebBackend(const PageOptions& options, SaverState& state, const SaverRun& run, RunInputs inputs,
             const PageStart& start);

  // Starts the page's run; false when the page has no WebGL.
  bool Start() { return driver_.Start(); }
  // One animation frame of the browser.
  void Tick();
  void Capture();

  // The browser's events.
  bool OnKey(std::uint32_t code, bool repeat);
  // A press on the canvas; false when the page is to handle it (a touch that
  // shows its controls).
  bool OnPointer(bool touch);
  void OnMouseMove(std::int32_t screenX, std::int32_t screenY);
  void OnBlur() { driver_.Activation(false); }
  void OnFullscreen(bool fullscreen);
  // The WebGL context was lost, or the browser gave it back.
  void OnContext(bool lost);

  // The page's own controls.
  void SetPaused(bool paused);
  void StepLevels(std::int32_t step) { OnKey(LevelKeyFor(Levels(), step), false); }
  // A setting chosen on the page: applied now and kept; false when refused.
  bool ChooseSetting(const std::string& name, std::int32_t value);
  // Where the page puts a finished atlas of the photos (kAtlasWidth x
  // kAtlasHeight RGBA) before ShowAtlas shows it; or the built-in pictures again.
  unsigned char* AtlasBuffer();
  void ShowAtlas();
  void ShowBuiltInPictures();
  // Tells the page the state its controls show (also after each control).
  void Report();

  // Backend
  Opened Open(BackendEvents& events) override;
  SceneLayout Layout() override { return SceneLayout{{this, width_, height_, WholeWindow(width_, height_)}}; }
  void Close() override {}
  bool QuitRequested() override { return false; }  // the page lives as long as the browser's page
  Sight PictureSight() override;
  bool CursorPosition(CursorPoint& out) override;
  void RefreshCursor() override;
  // The saver's window is the page in full screen: it leaves full screen.
  void DestroyWindow() override;

  // RenderTarget: the browser shows the canvas when the animation frame ends.
  void Present() override {}

 private:
  std::int32_t Levels();
  void ToggleFullscreen();
  void FollowCanvasSize();
  void DrawStill();
  void ReadFrame();
  void Drawn();
  void RemakeContextObjects();

  PageOptions options_;
  SaverState& state_;
  PageStart start_;
  ManualCounter* stillCounter_;
  ImageResourceFinder images_;  // the built-in pictures, found again after a lost context
  Driver driver_;
  std::vector<unsigned char> atlas_;  // the photos' atlas shown; empty: the built-in pictures
  std::vector<unsigned char> incoming_;
  int width_ = 0;
  int height_ = 0;
  std::int64_t framesDrawn_ = 0;
  bool fullscreen_ = false;
  bool lost_ = false;
  bool captureWanted_ = false;
  std::vector<unsigned char> captured_;
  CursorPoint cursor_;
  bool cursorKnown_ = false;
};
