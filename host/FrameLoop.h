#pragma once
// The saver's main loop, independent of the window system: every waiting
// event is handled before a frame is drawn; then one frame is rendered and
// presented, and the loop waits for the picture's delay. Events that arrive during the wait are handled at once, so input
// that ends the saver ends it without waiting out the delay; the wait then
// goes on for the rest of the delay, so the pacing stays the scene's. While
// the picture cannot be seen nothing is drawn and the loop only waits.
#include <cstdint>

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
  // Waits until an event is waiting or `milliseconds` have passed (negative:
  // no limit); true when it returned for an event (or a stop signal).
  virtual bool WaitForEvent(std::int32_t milliseconds) = 0;
  // A monotonic millisecond count.
  virtual std::uint32_t Milliseconds() = 0;
  virtual Sight PictureSight() = 0;
};

// What the loop needs from the picture: one frame, drawn and presented, and
// the delay after it.
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  virtual void RenderFrame(std::uint32_t flags) = 0;
  virtual std::int32_t SleepMs() = 0;
  // Called before the first frame after a time in which nothing was drawn.
  virtual void Resume() = 0;
};

// Runs until the host reports that the loop is to end.
// `flags` go to every RenderFrame.
void RunFrameLoop(FrameLoopHost& host, FrameRenderer& renderer, std::uint32_t flags);
