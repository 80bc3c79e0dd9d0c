#include "host/Monitors.h"

#include <algorithm>

namespace {

// The part of `r` inside `window`, relative to the window's top-left corner.
ScreenRect Clip(const ScreenRect& r, const ScreenRect& window) {
  const std::int64_t left = std::max<std::int64_t>(r.x, window.x);
  const std::int64_t top = std::max<std::int64_t>(r.y, window.y);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{r.x} + r.width, std::int64_t{window.x} + window.width);
  const std::int64_t bottom =
      std::min<std::int64_t>(std::int64_t{r.y} + r.height, std::int64_t{window.y} + window.height);
  ScreenRect out;
  if (right <= left || bottom <= top) return out;
  out.x = static_cast<std::int32_t>(left - window.x);
  out.y = static_cast<std::int32_t>(top - window.y);
  out.width = static_cast<std::int32_t>(right - left);
  out.height = static_cast<std::int32_t>(bottom - top);
  return out;
}

}  // namespace

std::vector<SceneView> WholeWindow(std::int32_t width, std::int32_t height) {
  return {SceneView{0, 0, width, height}};
}

std::vector<std::size_t> PrimaryFirst(const std::vector<Monitor>& monitors) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < monitors.size(); ++i) order.push_back(i);
  const auto primary = std::find_if(order.begin(), order.end(), [&](std::size_t i) { return monitors[i].primary; });
  if (primary != order.end()) std::rotate(order.begin(), primary, primary + 1);
  return order;
}

std::vector<SceneView> LayOutViews(const ScreenRect& window, const std::vector<Monitor>& monitors, bool allMonitors) {
  std::vector<SceneView> views;
  for (const std::size_t i : PrimaryFirst(monitors)) {
    const ScreenRect r = Clip(monitors[i].rect, window);
    if (r.width <= 0 || r.height <= 0) continue;
    const SceneView view{r.x, window.height - (r.y + r.height), r.width, r.height};
    if (std::find(views.begin(), views.end(), view) != views.end()) continue;
    views.push_back(view);
    if (!allMonitors) break;
  }
  if (views.empty()) return WholeWindow(window.width, window.height);
  return views;
}

bool ViewsFillWindow(const std::vector<SceneView>& views, std::int32_t width, std::int32_t height) {
  // Views never overlap unless monitors do; overlapping ones are counted as
  // leaving gaps, which only costs a clear.
  std::int64_t area = 0;
  for (std::size_t i = 0; i < views.size(); ++i) {
    const SceneView& a = views[i];
    if (a.x < 0 || a.y < 0 || std::int64_t{a.x} + a.width > width || std::int64_t{a.y} + a.height > height) {
      return false;
    }
    for (std::size_t j = 0; j < i; ++j) {
      const SceneView& b = views[j];
      if (a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height) return false;
    }
    area += std::int64_t{a.width} * a.height;
  }
  return area == std::int64_t{width} * height;
}
