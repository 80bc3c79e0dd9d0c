#include "tools/render/RenderOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

const char kRenderUsage[] =
    "usage: zirbel-render [options]\n"
    "  --size WxH        picture size in pixels (default 1920x1080)\n"
    "  --monitors LIST   a window over monitors WxH+X+Y, comma-separated, one\n"
    "                    kaleidoscope each; the first is the primary unless\n"
    "                    another is marked with a leading *\n"
    "  --seed N          random seed (default 1)\n"
    "  --seconds S       scene time of the last frame, at 24 frames per second\n"
    "  --frames N        number of frames to run (default 1); the last is written\n"
    "  --every N         also write every N-th frame (the output needs a %d)\n"
    "  --from S          write no frame before scene time S seconds\n"
    "  --levels N        kaleidoscope levels, 1 to 10 (default 1)\n"
    "  --mirrors on|off  mirror segments (default on); --no-mirrors is off\n"
    "  --output PATH     PNG path; %d, %04d and the like take the frame number\n"
    "                    (default zirbel.png); a .webp path gets a looping\n"
    "                    animation of the written frames\n"
    "  --animation-size WxH  the animation's frame size (default: --size)\n"
    "  --photos DIR      the discs show the photos of DIR (waits for them)\n";

namespace {

bool ParseInteger(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t* value) {
  if (text.empty() || text.size() > 19) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  errno = 0;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || v < low || v > high) return false;
  *value = v;
  return true;
}

bool ParseSeconds(const std::string& text, double* seconds) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !(v >= 0.0) || v > 86400.0) return false;
  *seconds = v;
  return true;
}

bool ParseSize(const std::string& text, std::int32_t* width, std::int32_t* height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  std::int64_t w = 0, h = 0;
  if (!ParseInteger(text.substr(0, x), 1, 16384, &w) || !ParseInteger(text.substr(x + 1), 1, 16384, &h)) return false;
  *width = static_cast<std::int32_t>(w);
  *height = static_cast<std::int32_t>(h);
  return true;
}

// "WxH+X+Y,..." into monitors and the size of the window over them.
bool ParseMonitors(const std::string& text, RenderOptions* o) {
  o->monitors.clear();
  std::int64_t right = 0, bottom = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    start = end + 1;
    Monitor m;
    m.primary = !item.empty() && item[0] == '*';
    if (m.primary) item.erase(0, 1);
    const std::size_t plus = item.find('+'), second = item.find('+', plus + 1);
    std::int64_t x = 0, y = 0;
    if (plus == std::string::npos || second == std::string::npos ||
        !ParseSize(item.substr(0, plus), &m.rect.width, &m.rect.height) ||
        !ParseInteger(item.substr(plus + 1, second - plus - 1), 0, 16384, &x) ||
        !ParseInteger(item.substr(second + 1), 0, 16384, &y)) {
      return false;
    }
    m.rect.x = static_cast<std::int32_t>(x);
    m.rect.y = static_cast<std::int32_t>(y);
    right = std::max(right, x + m.rect.width);
    bottom = std::max(bottom, y + m.rect.height);
    o->monitors.push_back(m);
  }
  if (right > 16384 || bottom > 16384) return false;
  o->width = static_cast<std::int32_t>(right);
  o->height = static_cast<std::int32_t>(bottom);
  return true;
}

// Finds the one conversion: its start and length. False when malformed.
bool FindConversion(const std::string& pattern, std::size_t* start, std::size_t* length, bool* found,
                    std::string* error) {
  *found = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < pattern.size() && j - i <= 2 && pattern[j] >= '0' && pattern[j] <= '9') ++j;
    if (j >= pattern.size() || pattern[j] != 'd') {
      *error = "the output may hold only %d, %Nd or %0Nd (two digits at most) or %%: " + pattern;
      return false;
    }
    if (*found) {
      *error = "the output may hold only one frame number: " + pattern;
      return false;
    }
    *found = true;
    *start = i;
    *length = j + 1 - i;
    i = j;
  }
  return true;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
  }
  return out;
}

}  // namespace

bool PatternHasFrameNumber(const std::string& pattern) {
  std::size_t start = 0, length = 0;
  bool found = false;
  std::string ignored;
  return FindConversion(pattern, &start, &length, &found, &ignored) && found;
}

bool FormatFramePath(const std::string& pattern, std::int64_t frame, std::string* path, std::string* error) {
  std::size_t start = 0, length = 0;
  bool found = false;
  if (!FindConversion(pattern, &start, &length, &found, error)) return false;
  if (!found) {
    *path = Unescape(pattern);
    return true;
  }
  const std::string spec = pattern.substr(start, length - 1) + "lld";
  char number[128];
  std::snprintf(number, sizeof number, spec.c_str(), static_cast<long long>(frame));
  *path = Unescape(pattern.substr(0, start)) + number + Unescape(pattern.substr(start + length));
  return true;
}

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* o, std::string* error) {
  bool haveSeconds = false, haveFrames = false, haveSize = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      o->help = true;
      return true;
    }
    if (name == "--no-mirrors") {
      o->mirrors = false;
      continue;
    }
    if (name.rfind("--", 0) != 0) {
      *error = "unknown argument: " + name;
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = name + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    std::int64_t n = 0;
    bool ok = true;
    if (name == "--size") {
      ok = ParseSize(value, &o->width, &o->height);
      haveSize = true;
    } else if (name == "--monitors") {
      ok = ParseMonitors(value, o);
    } else if (name == "--seed") {
      ok = ParseInteger(value, 0, UINT32_MAX, &n);
      o->seed = static_cast<std::uint32_t>(n);
    } else if (name == "--seconds") {
      double s = 0.0;
      ok = ParseSeconds(value, &s);
      o->frames = static_cast<std::int64_t>(s * 24.0 + 0.5) + 1;
      haveSeconds = true;
    } else if (name == "--frames") {
      ok = ParseInteger(value, 1, 24 * 86400, &o->frames);
      haveFrames = true;
    } else if (name == "--from") {
      double s = 0.0;
      ok = ParseSeconds(value, &s);
      o->firstWritten = static_cast<std::int64_t>(s * 24.0 + 0.5);
    } else if (name == "--every") {
      ok = ParseInteger(value, 1, 24 * 86400, &o->every);
    } else if (name == "--levels") {
      ok = ParseInteger(value, 1, 10, &n);
      o->levels = static_cast<std::int32_t>(n);
    } else if (name == "--mirrors") {
      ok = value == "on" || value == "off";
      o->mirrors = value == "on";
    } else if (name == "--photos") {
      ok = !value.empty();
      o->photos = value;
    } else if (name == "--animation-size") {
      ok = ParseSize(value, &o->animationWidth, &o->animationHeight);
    } else if (name == "--output") {
      ok = !value.empty();
      o->output = value;
    } else {
      *error = "unknown option: " + name;
      return false;
    }
    if (!ok) {
      *error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  if (haveSize && !o->monitors.empty()) {
    *error = "give --size or --monitors, not both";
    return false;
  }
  if (haveSeconds && haveFrames) {
    *error = "give --seconds or --frames, not both";
    return false;
  }
  std::string path;
  if (!FormatFramePath(o->output, 0, &path, error)) return false;
  if (o->every > 0 && !PatternHasFrameNumber(o->output) && !IsAnimationOutput(o->output)) {
    *error = "--every needs a frame number (%d) in the output";
    return false;
  }
  return true;
}

bool IsAnimationOutput(const std::string& output) {
  return output.size() > 5 && output.compare(output.size() - 5, 5, ".webp") == 0;
}
