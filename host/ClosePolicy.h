#pragma once
// The saver's reaction to input and window events, whatever the window
// system: the driver hands each event a backend reports to these calls; each
// returns whether the event should still get the platform's default
// processing.
#include <cstdint>

#include "host/Backend.h"
#include "host/SaverState.h"
#include "host/SaverWindowServices.h"

class SceneSet;

struct ClosePolicy {
  SaverState& state;
  SaverWindowServices& services;
  // True while the full-screen saver runs, where input ends it; false where
  // the picture only draws (a preview, a daemon's window, the background).
  bool saver;
  // The run's scenes, whose primary takes the control keys; null until they
  // are started (every key closes).
  const SceneSet* scenes = nullptr;

  // Window creation (every mode): remember the cursor origin and start tick.
  void OnCreate();
  // Activation or deactivation of the window or the application.
  Disposition OnActivation(bool active);
  // Key press (virtual-key code) or mouse-button press (button flags).
  Disposition OnKeyOrButton(std::uint32_t code);
  // Pointer motion; the position is read through the services, not the event.
  // A position that cannot be read counts as no movement.
  Disposition OnMouseMove();
  // A close request reached the window. Handled means "result 0"; where the saver
  // does not run the platform's default (destroy) applies.
  Disposition OnClose();
  // System commands: the close and screen-saver commands are swallowed while
  // the saver runs.
  Disposition OnSystemCommand(bool isCloseOrScreenSave);
  // Whether the cursor should be visible now.
  bool CursorVisible() const;
};
