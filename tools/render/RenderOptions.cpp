#include "tools/render/RenderOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "host/NumberText.h"
#include "scene/KaleidoScene.h"

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

// The command line's numbers are plain decimal digits.
constexpr NumberForm kPlain = NumberForm::Plain;

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
  std::int32_t w = 0, h = 0;
  if (x == std::string::npos || !ParseNumber(text.substr(0, x), kPlain, 1, 16384, &w) ||
      !ParseNumber(text.substr(x + 1), kPlain, 1, 16384, &h)) {
    return false;
  }
  *width = w;
  *height = h;
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
        !ParseNumber(item.substr(plus + 1, second - plus - 1), kPlain, 0, 16384, &x) ||
        !ParseNumber(item.substr(second + 1), kPlain, 0, 16384, &y)) {
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

namespace {

// What the checks after the options need to know was given.
struct Given {
  bool seconds = false;
  bool frames = false;
  bool size = false;
};

// Applies the option `name` with its value; false for a bad value, with
// `known` false for an option there is none of.
bool ApplyValue(const std::string& name, const std::string& value, RenderOptions* o, Given* given, bool* known) {
  *known = true;
  double s = 0.0;
  if (name == "--size") {
    given->size = true;
    return ParseSize(value, &o->width, &o->height);
  }
  if (name == "--monitors") return ParseMonitors(value, o);
  if (name == "--seed") return ParseNumber(value, kPlain, 0, UINT32_MAX, &o->seed);
  if (name == "--seconds") {
    given->seconds = true;
    if (!ParseSeconds(value, &s)) return false;
    o->frames = static_cast<std::int64_t>(s * 24.0 + 0.5) + 1;
    return true;
  }
  if (name == "--frames") {
    given->frames = true;
    return ParseNumber(value, kPlain, 1, 24 * 86400, &o->frames);
  }
  if (name == "--from") {
    if (!ParseSeconds(value, &s)) return false;
    o->firstWritten = static_cast<std::int64_t>(s * 24.0 + 0.5);
    return true;
  }
  if (name == "--every") return ParseNumber(value, kPlain, 1, 24 * 86400, &o->every);
  if (name == "--levels") return ParseNumber(value, kPlain, 1, kMaxLevels, &o->levels);
  if (name == "--mirrors") {
    o->mirrors = value == "on";
    return value == "on" || value == "off";
  }
  if (name == "--animation-size") return ParseSize(value, &o->animationWidth, &o->animationHeight);
  std::string* path = name == "--photos" ? &o->photos : name == "--output" ? &o->output : nullptr;
  *known = path != nullptr;
  if (!*known) return false;
  *path = value;
  return !value.empty();
}

}  // namespace

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* o, std::string* error) {
  Given given;
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
    bool known = true;
    if (!ApplyValue(name, value, o, &given, &known)) {
      *error = known ? "bad value for " + name + ": " + value : "unknown option: " + name;
      return false;
    }
  }
  if (given.size && !o->monitors.empty()) {
    *error = "give --size or --monitors, not both";
    return false;
  }
  if (given.seconds && given.frames) {
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
