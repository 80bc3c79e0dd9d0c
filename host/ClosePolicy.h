#pragma once
// The saver's reaction to input and window events, independent of the window
// system. The Win32 window procedure and the X11 event loop translate their
// events into these calls; each returns whether the event should still get the
// platform's default processing.
#include <cstdint>

#include "host/SaverMode.h"
#include "host/SaverState.h"

class SceneSet;

enum class Disposition {
  DefaultProcessing,  // pass the event on to the platform's default handling
  Handled,            // swallow it (result 0)
};

struct ClosePolicy {
  SaverState& state;
  SaverWindowServices& services;
  SaverMode mode;
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
  // A close request reached the window. Handled means "result 0"; in Preview
  // the platform's default (destroy) applies.
  Disposition OnClose();
  // System commands: the close and screen-saver commands are swallowed while
  // the saver runs.
  Disposition OnSystemCommand(bool isCloseOrScreenSave);
  // Whether the cursor should be visible now.
  bool CursorVisible() const;
};
