#pragma once
// The life of the saver's scenes, the same on X11, Wayland and Windows: set up
// the window (or the surfaces) and the GL context, start the scenes on the
// host's layout, show the window, run the frame loop with the photos, tear
// the scenes down, release the window system's resources. The set-up
// failures and their message texts are decided here once.
#include <cstdint>
#include <string>
#include <vector>

#include "host/FrameLoop.h"
#include "host/Monitors.h"
#include "host/SceneSet.h"
#include "host/SaverMode.h"
#include "host/WindowHandle.h"

class SaverState;

// One run of the saver window, as the entry (or a daemon option) asks for it.
struct SaverRun {
  SaverMode mode = SaverMode::Saver;
  WindowHandle parent = 0;  // Preview: the window to draw inside
  int showWindow = 10;      // how to show the window (SW_SHOWDEFAULT)
  std::string photoFolder;  // the discs show the photos of this folder (UTF-8); empty: the built-in pictures
};

enum class SetUpResult {
  Ready,            // window and context exist, the context is current
  Quiet,            // nothing to draw into (a preview parent that is gone): end without a message
  NoWindowClass,    // the window class cannot be registered
  NoPixelFormat,    // no double-buffered RGBA format (or no display at all)
  FormatNotSet,     // the format cannot be set on the window
  NoContext,        // no rendering context can be created or made current
};

// The message shown for a failed set-up; null for Ready and Quiet.
const char* SetUpMessage(SetUpResult result);

// A window system's saver window as the scenes' life sees it; it is the
// render target of its views unless its layout names others.
class SceneHost : public FrameLoopHost, public RenderTarget {
 public:
  // Creates the window and the GL context, in the window system's own order.
  virtual SetUpResult SetUp() = 0;
  virtual int Width() = 0;
  virtual int Height() = 0;
  // Where the window's kaleidoscopes go: the whole window unless the window
  // spans several monitors.
  virtual std::vector<SceneView> Views() { return WholeWindow(Width(), Height()); }
  // The targets and their views: by default the window with Views().
  virtual SceneLayout Layout() { return SceneLayout{{this, Width(), Height(), Views()}}; }
  // The run's scenes, from their start to their end (null then): the host
  // tells them when its layout changes, and its close policy asks them for
  // the primary scene.
  virtual void Attach(SceneSet* scenes) { scenes_ = scenes; }
  virtual void Show() = 0;
  // Destroys the window at once, before an error message is shown: a saver
  // window left on screen would cover the message or, closing, take it down.
  virtual void DropWindow() = 0;
  // Releases what SetUp made; the scene is gone by then.
  virtual void TearDown() = 0;

 protected:
  // The host's layout changed: the scenes follow it.
  void LayoutChanged() {
    if (scenes_ != nullptr) scenes_->Layout(Layout());
  }
  SceneSet* scenes_ = nullptr;
};

// Runs the whole life with the settings of `state`. `showError` shows one of
// the set-up messages; `make` makes the scenes (null: kaleidoscopes).
void RunScene(SceneHost& host, const SaverRun& run, const SaverState& state, void (*showError)(const char* text),
              SceneFactory make = nullptr);
