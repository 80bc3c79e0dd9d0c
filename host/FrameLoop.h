#pragma once
// The saver's main loop, independent of the window system: every waiting
// event is handled before a frame is drawn; when none is waiting one frame is
// rendered, presented if the scene asks for it, and the loop sleeps for the
// scene's delay. It never waits for events.
#include <cstdint>

class KaleidoScene;

class FrameLoopHost {
 public:
  virtual ~FrameLoopHost() = default;
  // Takes and handles one waiting event; false when none is waiting.
  virtual bool HandlePendingEvent() = 0;
  // True once the window is gone and the loop is to end.
  virtual bool QuitRequested() = 0;
  virtual void Present() = 0;
  virtual void Sleep(std::int32_t milliseconds) = 0;
};

// What the loop needs from the picture: one frame, and the delay after it.
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  virtual bool RenderFrame(std::uint32_t flags) = 0;
  virtual std::int32_t SleepMs() = 0;
};

// The scene as the loop's renderer.
class SceneRenderer : public FrameRenderer {
 public:
  explicit SceneRenderer(KaleidoScene& scene) : scene_(scene) {}
  bool RenderFrame(std::uint32_t flags) override;
  std::int32_t SleepMs() override;

 private:
  KaleidoScene& scene_;
};

// The flags handed to RenderFrame for the user's mirror setting.
std::uint32_t FrameFlags(std::int32_t useMirrors);

// Runs until the host reports that the loop is to end.
void RunFrameLoop(FrameLoopHost& host, FrameRenderer& renderer, std::int32_t useMirrors);
