#include "host/Driver.h"

#include <new>
#include <utility>

#include "host/PhotoFrames.h"

Driver::Driver(Backend& backend, SaverState& state, const SaverRun& run, RunInputs inputs)
    : backend_(backend),
      state_(state),
      run_(run),
      inputs_(std::move(inputs)),
      scenes_(SceneSources{inputs_.counter, inputs_.images}, inputs_.make),
      policy_{state, *this, run.kind == RunKind::Saver, &scenes_} {
  origin_ = inputs_.counter->Value();
}

Driver::Driver(WaitingBackend& backend, SaverState& state, const SaverRun& run, RunInputs inputs)
    : Driver(static_cast<Backend&>(backend), state, run, std::move(inputs)) {
  waiting_ = &backend;
}

Driver::~Driver() { End(); }

std::uint32_t Driver::Now() {
  const std::int64_t counts = inputs_.counter->Value() - origin_;
  return static_cast<std::uint32_t>(CounterMilliseconds(counts, inputs_.counter->Frequency()));
}

bool Driver::Start() {
  // Made ready while the window opens: only the full-screen saver locks.
  if (policy_.saver && state_.lockOnReturn != 0 && inputs_.sessionLock != nullptr) inputs_.sessionLock->Prepare();
  const Opened opened = backend_.Open(*this);
  open_ = true;
  if (opened.result != Opened::Result::Ready) {
    backend_.DropWindow();
    if (opened.result == Opened::Result::Failed && inputs_.showError != nullptr) {
      inputs_.showError(opened.message.c_str());
    }
    End();
    return false;
  }
  if (!scenes_.Start(backend_.Layout(), inputs_.seed, state_.levels)) {
    backend_.DropWindow();
    End();
    return false;
  }
  backend_.Show();
  // The photos are read on a worker thread; the built-in pictures show until
  // the first photo atlas is ready, and the worker ends with the run.
  photo::AtlasSourceOptions options = inputs_.photos;
  options.reader = inputs_.photoReader;
  photos_.reset(new (std::nothrow) PhotoFrames(scenes_, run_.photoFolder, options));
  return photos_ != nullptr;
}

void Driver::LayoutChanged() {
  if (scenes_.Primary() != nullptr) scenes_.Layout(backend_.Layout());
}

bool Driver::Drain() {
  for (;;) {
    if (backend_.QuitRequested()) return false;
    if (closes_ > 0) {
      --closes_;
      if (policy_.OnClose() == Disposition::DefaultProcessing) backend_.DestroyWindow();
    } else if (!backend_.Dispatch()) {
      return !backend_.QuitRequested();
    }
  }
}

void Driver::DrawFrame() {
  photos_->RenderFrame(FrameFlags(state_.useMirrors));
  // The delay is read after the frame, so a change made during it counts now.
  pacer_.Drawn(Now(), photos_->SleepMs());
}

void Driver::Run() {
  while (Drain()) {
    const FramePacer::Next next = pacer_.At(Now(), backend_.PictureSight(), *photos_);
    if (next.draw) {
      DrawFrame();
    } else if (closes_ == 0) {
      waiting_->Wait(next.wait);
    }
  }
  End();
}

bool Driver::Step() {
  if (!Drain()) return false;
  if (!pacer_.At(Now(), backend_.PictureSight(), *photos_).draw) return false;
  DrawFrame();
  return true;
}

void Driver::End() {
  if (photos_) photos_->Stop();
  photos_.reset();
  scenes_.Teardown();  // with the context still current
  if (open_) backend_.Close();
  open_ = false;
}

bool Driver::Steer(std::uint32_t code) {
  KaleidoScene* primary = scenes_.Primary();
  return primary != nullptr && code != 0 && primary->HandleKey(code);
}

void Driver::SetSaver(bool saver) {
  policy_.saver = saver;
  if (saver) {
    state_.closeRequested = 0;
    state_.cursorOriginKnown = false;
    policy_.OnCreate();
  }
  backend_.RefreshCursor();
}

void RunSaver(WaitingBackend& backend, SaverState& state, const SaverRun& run, RunInputs inputs) {
  Driver driver(backend, state, run, std::move(inputs));
  if (driver.Start()) driver.Run();
}
