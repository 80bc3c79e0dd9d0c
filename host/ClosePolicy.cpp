#include "host/ClosePolicy.h"

#include <cstdint>
#include <cstdlib>

#include "host/SceneSet.h"

void ClosePolicy::OnCreate() {
  state.TakeCursorOrigin(services);
  state.startTick = services.TickCount();
}

Disposition ClosePolicy::OnActivation(bool active) {
  if (saver && state.inPasswordCheck == 0 && !active) {
    state.RequestClose(services);
  }
  return Disposition::DefaultProcessing;
}

Disposition ClosePolicy::OnKeyOrButton(std::uint32_t code) {
  if (!saver || state.inPasswordCheck != 0) return Disposition::DefaultProcessing;
  KaleidoScene* current = scenes != nullptr ? scenes->Primary() : nullptr;
  if (current != nullptr && current->HandleKey(code)) return Disposition::DefaultProcessing;
  state.RequestClose(services);
  return Disposition::DefaultProcessing;
}

Disposition ClosePolicy::OnMouseMove() {
  if (!saver || state.inPasswordCheck != 0) return Disposition::DefaultProcessing;
  CursorPoint now;
  if (!services.CursorPosition(now)) return Disposition::DefaultProcessing;
  if (!state.cursorOriginKnown) {
    state.cursorOrigin = now;  // the first position seen
    state.cursorOriginKnown = true;
    return Disposition::DefaultProcessing;
  }
  // Each axis by itself; widened so that far-apart coordinates cannot overflow.
  const std::int64_t dx = std::llabs(static_cast<std::int64_t>(now.x) - state.cursorOrigin.x);
  const std::int64_t dy = std::llabs(static_cast<std::int64_t>(now.y) - state.cursorOrigin.y);
  if (dx > state.mouseThreshold || dy > state.mouseThreshold) state.RequestClose(services);
  return Disposition::DefaultProcessing;
}

Disposition ClosePolicy::OnClose() {
  if (!saver) return Disposition::DefaultProcessing;
  // Close requests that no activity asked for, or that arrive while the
  // password dialog is up, are dropped.
  if (state.closeRequested == 0 || state.inPasswordCheck != 0) return Disposition::Handled;

  // Unsigned arithmetic keeps the elapsed time right across the tick wrap.
  const std::uint32_t elapsed = services.TickCount() - state.startTick;
  const std::uint32_t grace = static_cast<std::uint32_t>(state.passwordDelay) * 1000u;
  if (elapsed > grace) {
    state.BeginPasswordCheck(services);
    const int verified = services.VerifyPassword();
    state.EndPasswordCheck(services);
    if (verified != 0) {
      // The session locks before the picture goes, so the desktop is never
      // shown unlocked.
      if (state.lockOnReturn != 0) services.LockSession();
      services.DestroySaverWindow();
    }
  } else {
    services.DestroySaverWindow();
  }
  return Disposition::Handled;
}

Disposition ClosePolicy::OnSystemCommand(bool isCloseOrScreenSave) {
  if (saver && isCloseOrScreenSave) return Disposition::Handled;
  return Disposition::DefaultProcessing;
}

bool ClosePolicy::CursorVisible() const {
  if (!saver) return true;
  return state.inPasswordCheck != 0;
}
