#pragma once
// Which part of the saver's window each kaleidoscope fills: every monitor
// shows one of its own, sized and centred to that monitor, the primary's
// first; or only the primary shows one and the rest of the window is black.
#include <cstdint>
#include <vector>

// A rectangle in screen pixels, the origin at its top-left corner.
struct ScreenRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

struct Monitor {
  ScreenRect rect;
  bool primary = false;
};

// A scene's place in the window, in window pixels counted as OpenGL counts
// them: the origin at the lower-left corner.
struct SceneView {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const SceneView& other) const {
    return x == other.x && y == other.y && width == other.width && height == other.height;
  }
};

// The order in which monitors get scenes: the primary first (the first
// listed when none is marked), the others in the order given.
std::vector<std::size_t> PrimaryFirst(const std::vector<Monitor>& monitors);

// The views of a window at `window` (screen pixels) over the given monitors:
// each monitor clipped to the window, the primary first (the first listed
// when none is marked), the others in the order given. Monitors without area
// there, and copies of one already taken (mirrored outputs), get none. With
// `allMonitors` false only the primary gets one. When no monitor is left, the
// whole window is the one view.
std::vector<SceneView> LayOutViews(const ScreenRect& window, const std::vector<Monitor>& monitors, bool allMonitors);

// The one view of a window of the given size that shows a single scene.
std::vector<SceneView> WholeWindow(std::int32_t width, std::int32_t height);

// Whether the views cover every pixel of a window of the given size; where
// they do not, the frame clears the window before the scenes draw.
bool ViewsFillWindow(const std::vector<SceneView>& views, std::int32_t width, std::int32_t height);
