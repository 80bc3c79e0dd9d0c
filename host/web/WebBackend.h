#pragma once
// The web page as a window system: one kaleidoscope on the page's canvas at
// the device's pixel ratio, drawn on the browser's animation frames.
//
// Offers: the page's keys, pointer and focus; full screen, which in `saver`
// mode is the saver (any input but the control keys leaves it); nothing
// drawn while the tab is hidden; a still frame at a chosen time for tests.
// Not offered: several monitors (the page is one canvas), a preview in
// another program's window, the daemons' windows, a desktop background, a
// password (leaving full screen is always allowed).
#include <cstdint>
#include <memory>
#include <vector>

#include "host/Backend.h"
#include "host/Driver.h"
#include "host/web/PageOptions.h"
#include "host/web/PhotoSteps.h"

constexpr BackendCaps kWebCaps{/*monitors=*/false, /*hotPlug=*/false, /*preview=*/false, /*borrowed=*/false,
                               /*background=*/false, /*password=*/false};

class WebBackend : public Backend, public RenderTarget {
 public:
  // In still mode the inputs' counter is a ManualCounter, moved frame by frame.
  WebBackend(const PageOptions& options, SaverState& state, const SaverRun& run, RunInputs inputs);

  // Starts the page's run; false when the page has no WebGL.
  bool Start() { return driver_.Start(); }
  // One animation frame of the browser.
  void Tick(double nowMs);
  void ShowPhotos(const char* folder);
  void Capture();

  // The browser's events.
  bool OnKey(std::uint32_t code, bool repeat);
  void OnButton();
  void OnMouseMove(std::int32_t screenX, std::int32_t screenY);
  void OnBlur() { driver_.Activation(false); }
  void OnFullscreen(bool fullscreen);

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
  void ToggleFullscreen();
  void FollowCanvasSize();
  void DrawStill();
  void ReadFrame();
  void Drawn();

  PageOptions options_;
  const SaverState& state_;
  ManualCounter* stillCounter_;
  Driver driver_;
  std::unique_ptr<PhotoSteps> photos_;
  int width_ = 0;
  int height_ = 0;
  std::int64_t framesDrawn_ = 0;
  bool fullscreen_ = false;
  bool captureWanted_ = false;
  std::vector<unsigned char> captured_;
  CursorPoint cursor_;
  bool cursorKnown_ = false;
};
