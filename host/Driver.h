#pragma once
// The one driver of a run on every window system: it opens the backend,
// starts the scenes on its targets, hands the backend's events to the close
// policy, keeps the close requests the policy posts, reads the run's one
// clock, paces the frames, shows the photos, and ends it all in order. It runs
// blocking (Run: the native backends, which wait for their events) or one
// step per browser frame (Step: the web page, whose browser calls in).
#include <cstdint>
#include <memory>
#include <string>

#include "host/Backend.h"
#include "host/ClosePolicy.h"
#include "host/FramePacer.h"
#include "host/SceneSet.h"
#include "host/WindowHandle.h"
#include "images/PhotoAtlasSource.h"
#include "images/ResourceImageLoader.h"
#include "scene/FrameClock.h"

class PhotoFrames;

// What a run draws into, as the entry or a daemon's option asks for it.
enum class RunKind {
  Saver,       // full screen; input ends it
  Preview,     // inside another program's window, `window`
  Borrowed,    // in a screen-saver daemon's window, `window` (0: the screen's own background)
  Background,  // the desktop's background layer, on the output `output` (empty: every output)
};

struct SaverRun {
  RunKind kind = RunKind::Saver;
  WindowHandle window = 0;
  std::string output;
  std::string photoFolder;  // the discs show the photos of this folder (UTF-8); empty: the built-in pictures
};

// The system's session lock, for a full-screen saver that closes after its
// grace period with LockOnReturn on (Linux: logind).
class SessionLock {
 public:
  virtual ~SessionLock() = default;
  // Such a saver starts: get ready without making it wait, so that the lock
  // is quick when it comes.
  virtual void Prepare() {}
  // Locks the session now.
  virtual void Lock() = 0;
};

// What the entry hands a run: its clock, where photo files are read, the
// start seed, how a set-up failure is shown, and (for tests) the scenes.
struct RunInputs {
  CounterSource* counter = nullptr;   // the run's one clock: pacing, the grace period, the frame clocks
  ImageResourceFinder images = nullptr;  // where the scenes find the built-in pictures
  photo::PhotoReader photoReader;     // empty: the portable reader
  std::uint32_t seed = 0;             // the primary scene's seed
  void (*showError)(const char* text) = nullptr;  // null: the message goes nowhere
  SceneFactory make;                  // null: kaleidoscopes
  photo::AtlasSourceOptions photos;   // the photo worker's bounds and waits
  SessionLock* sessionLock = nullptr;  // null: the system has no session lock to ask for
};

class Driver : public BackendEvents, private SaverWindowServices {
 public:
  // A run that waits for its events (Run), or one stepped by the browser (Step).
  Driver(WaitingBackend& backend, SaverState& state, const SaverRun& run, RunInputs inputs);
  Driver(Backend& backend, SaverState& state, const SaverRun& run, RunInputs inputs);
  ~Driver() override;
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Opens the backend and starts the scenes on it. False when nothing can
  // run; then the failure is shown and the backend is closed again.
  bool Start();
  // Until the backend asks to end; then everything ends. Only for a backend
  // that waits.
  void Run();
  // One browser frame: the close requests posted so far, then a frame when
  // one is due. True when a frame was drawn.
  bool Step();
  // Ends the photos, the scenes (with the context current) and the backend.
  // Safe to call twice.
  void End();

  // Outside the saver (the web page in a window) control keys steer the
  // picture and nothing closes; true when the key was a control.
  bool Steer(std::uint32_t code);
  // The web page becomes the saver (full screen) or leaves it; as the saver
  // it starts afresh: the grace period and movement count from now.
  void SetSaver(bool saver);
  bool Saver() const { return policy_.saver; }
  SceneSet& Scenes() { return scenes_; }
  // Milliseconds on the run's clock (wraps after 2^32).
  std::uint32_t Now();

  // BackendEvents
  void Created() override { policy_.OnCreate(); }
  Disposition Activation(bool active) override { return policy_.OnActivation(active); }
  Disposition KeyOrButton(std::uint32_t code) override { return policy_.OnKeyOrButton(code); }
  Disposition PointerMoved() override { return policy_.OnMouseMove(); }
  Disposition CloseAsked() override { return policy_.OnClose(); }
  Disposition SystemCommand(bool closeOrScreenSave) override { return policy_.OnSystemCommand(closeOrScreenSave); }
  bool CursorVisible() const override { return policy_.CursorVisible(); }
  void LayoutChanged() override;
  void ScreenChanged() override { state_.TakeCursorOrigin(*this); }

 private:
  // SaverWindowServices
  void PostCloseRequest() override { ++closes_; }
  void RefreshCursor() override { backend_.RefreshCursor(); }
  bool CursorPosition(CursorPoint& out) override { return backend_.CursorPosition(out); }
  std::uint32_t TickCount() override { return Now(); }
  int VerifyPassword() override { return backend_.VerifyPassword(); }
  void LockSession() override {
    if (inputs_.sessionLock != nullptr) inputs_.sessionLock->Lock();
  }
  void DestroySaverWindow() override { backend_.DestroyWindow(); }

  // Handles the posted close requests and the waiting events, the requests
  // first, as posted messages come; false when the run is to end.
  bool Drain();
  void DrawFrame();

  Backend& backend_;
  WaitingBackend* waiting_ = nullptr;
  SaverState& state_;
  SaverRun run_;
  RunInputs inputs_;
  SceneSet scenes_;
  ClosePolicy policy_;
  std::unique_ptr<PhotoFrames> photos_;
  FramePacer pacer_;
  std::int64_t origin_ = 0;
  int closes_ = 0;
  bool open_ = false;
};

// A whole run on `backend`: Start, then Run.
void RunSaver(WaitingBackend& backend, SaverState& state, const SaverRun& run, RunInputs inputs);
