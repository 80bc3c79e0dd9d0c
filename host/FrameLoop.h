#pragma once
// The saver's main loop, independent of the window system: every waiting
// event is handled before a frame is drawn; then one frame is rendered,
// presented if the scene asks for it, and the loop waits for the scene's
// delay. Events that arrive during the wait are handled at once, so input
// that ends the saver ends it without waiting out the delay; the wait then
// goes on for the rest of the delay, so the pacing stays the scene's. While
// the picture cannot be seen nothing is drawn and the loop only waits.
#include <cstdint>

class KaleidoScene;

// Whether the picture can be seen, as the window system knows it.
enum class Sight {
  Visible,
  Hidden,        // unmapped or fully covered: an event says when that changes
  HiddenPolled,  // the display is off, the parent minimised: only asking again tells
};

// How long the loop waits between two looks while the picture is HiddenPolled.
constexpr std::int32_t kHiddenPollMs = 1000;

class FrameLoopHost {
 public:
  virtual ~FrameLoopHost() = default;
  // Takes and handles one waiting event; false when none is waiting.
  virtual bool HandlePendingEvent() = 0;
  // True once the window is gone and the loop is to end.
  virtual bool QuitRequested() = 0;
  virtual void Present() = 0;
  // Waits until an event is waiting or `milliseconds` have passed (negative:
  // no limit); true when it returned for an event (or a stop signal).
  virtual bool WaitForEvent(std::int32_t milliseconds) = 0;
  // A monotonic millisecond count.
  virtual std::uint32_t Milliseconds() = 0;
  virtual Sight PictureSight() = 0;
};

// What the loop needs from the picture: one frame, and the delay after it.
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  virtual bool RenderFrame(std::uint32_t flags) = 0;
  virtual std::int32_t SleepMs() = 0;
  // Called before the first frame after a time in which nothing was drawn.
  virtual void Resume() = 0;
};

// The scene as the loop's renderer.
class SceneRenderer : public FrameRenderer {
 public:
  explicit SceneRenderer(KaleidoScene& scene) : scene_(scene) {}
  bool RenderFrame(std::uint32_t flags) override;
  std::int32_t SleepMs() override;
  // The frame rate measured across a pause would be the pause's, and the
  // pacing would answer it with the shortest delay for seconds: the frame
  // after a pause starts a fresh measurement and keeps the rate measured
  // before. The frame clock itself runs on.
  void Resume() override;

 private:
  KaleidoScene& scene_;
};

// The flags handed to RenderFrame for the user's mirror setting.
std::uint32_t FrameFlags(std::int32_t useMirrors);

// Runs until the host reports that the loop is to end.
void RunFrameLoop(FrameLoopHost& host, FrameRenderer& renderer, std::int32_t useMirrors);
