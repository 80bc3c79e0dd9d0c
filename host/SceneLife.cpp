#include "host/SceneLife.h"

#include <ctime>
#include <utility>

#include "host/PhotoFrames.h"
#include "host/SaverState.h"

const char* SetUpMessage(SetUpResult result) {
  switch (result) {
    case SetUpResult::NoWindowClass:
      return "RegisterClass() failed:  Cannot register window class.";
    case SetUpResult::NoPixelFormat:
      return "ChoosePixelFormat() failed:  Cannot find a suitable pixel format.";
    case SetUpResult::FormatNotSet:
      return "SetPixelFormat() failed:  Cannot set format specified.";
    case SetUpResult::NoContext:
      // Without a context nothing can be drawn: say so rather than show a blank window.
      return "wglCreateContext() failed:  Cannot create an OpenGL rendering context.";
    case SetUpResult::Ready:
    case SetUpResult::Quiet:
      break;
  }
  return nullptr;
}

void RunScene(SceneHost& host, const SaverRun& run, const SaverState& state, void (*showError)(const char* text),
              SceneFactory make) {
  const SetUpResult result = host.SetUp();
  if (result != SetUpResult::Ready) {
    host.DropWindow();
    const char* message = SetUpMessage(result);
    if (message != nullptr) showError(message);
    host.TearDown();
    return;
  }

  SceneSet scenes(std::move(make));
  const std::uint32_t seed = RandomSeedForTime(static_cast<std::int64_t>(std::time(nullptr)));
  if (!scenes.Start(host.Layout(), seed, state.levels)) {
    host.DropWindow();
    host.TearDown();
    return;
  }
  host.Attach(&scenes);
  host.Show();

  // The photos are read on a worker thread; the built-in pictures show until
  // the first photo atlas is ready, and the worker ends with the loop.
  PhotoFrames frames(scenes, run.photoFolder);
  RunFrameLoop(host, frames, FrameFlags(state.useMirrors));
  frames.Stop();

  host.Attach(nullptr);
  scenes.Teardown();  // with the context still current
  host.TearDown();
}
