#include "host/SaverState.h"

#include "host/SaverWindowServices.h"

#include "host/Settings.h"

SaverState::SaverState() { TakeDefaults(*this); }

void SaverState::RequestClose(SaverWindowServices& services) {
  closeRequested = 1;
  services.PostCloseRequest();
}

void SaverState::BeginPasswordCheck(SaverWindowServices& services) {
  inPasswordCheck = 1;
  services.RefreshCursor();  // show the arrow while the dialog is up
}

void SaverState::EndPasswordCheck(SaverWindowServices& services) {
  inPasswordCheck = 0;
  services.RefreshCursor();  // hide it again
  // Movement is measured afresh from where the cursor is after the check.
  TakeCursorOrigin(services);
}

void SaverState::TakeCursorOrigin(SaverWindowServices& services) {
  CursorPoint now;
  if (!services.CursorPosition(now)) return;
  cursorOrigin = now;
  cursorOriginKnown = true;
}
