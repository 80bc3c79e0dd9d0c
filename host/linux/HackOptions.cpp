#include "host/linux/HackOptions.h"

#include <utility>

#include "host/NumberText.h"
#include "host/linux/WindowSystems.h"

namespace hack {

namespace {

// Program name as the messages and the usage text write it.
const char* const kProgram = "zirbel";

// The option an argument names: "--name", "-name", "--name=value" or
// "-name=value" all give "--name". Empty for anything else.
std::string OptionName(const std::string& argument, std::string* inlineValue, bool* hasInlineValue) {
  *hasInlineValue = false;
  if (argument.size() < 2 || argument[0] != '-') return std::string();
  std::string body = argument[1] == '-' ? argument.substr(2) : argument.substr(1);
  const std::size_t equals = body.find('=');
  if (equals != std::string::npos) {
    *inlineValue = body.substr(equals + 1);
    *hasInlineValue = true;
    body.erase(equals);
  }
  return "--" + body;
}

const OptionInfo* Find(const std::string& name) {
  for (const OptionInfo& option : AllOptions()) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

Options Failure(const std::string& message) {
  Options options;
  options.action = Action::Error;
  options.error = message;
  return options;
}

// Escapes the five XML special characters.
std::string XmlText(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::string ApplyRoot(Options& options, const std::string&) {
  options.target = Target::Root;
  return std::string();
}

std::string ApplyWindowId(Options& options, const std::string& value) {
  if (!ParseWindowId(value.c_str(), &options.windowId)) {
    return "--window-id needs a window id (hex with 0x, or decimal), not \"" + value + "\"";
  }
  options.target = Target::WindowId;
  return std::string();
}

std::string ApplyLayer(Options& options, const std::string& value) {
  if (value != "background") return "--layer takes only \"background\", not \"" + value + "\"";
  options.target = Target::Layer;
  return std::string();
}

std::string ApplyOutput(Options& options, const std::string& value) {
  if (value.empty()) return "--output needs an output's name";
  options.output = value;
  return std::string();
}

// A setting's option: a switch sets its value; a number must be within the
// setting's range; a text is one line a setting can hold.
std::string ApplySetting(Options& options, const SettingRow& row, const SettingOption& option,
                         const std::string& value) {
  SettingChoice choice{&row, option.sets, std::string()};
  if (option.value != nullptr && row.type == SettingType::Text) {
    if (value.size() > kMaxSettingText || value.find_first_of("\n\r") != std::string::npos) {
      return std::string(option.name) + " needs one line of at most " + std::to_string(kMaxSettingText) +
             " bytes, not \"" + value.substr(0, 80) + "\"";
    }
    choice.text = value;
  } else if (option.value != nullptr && !ParseNumber(value, NumberForm::Plain, row.low, row.high, &choice.number)) {
    return std::string(option.name) + " needs a whole number from " + row.Range() + ", not \"" + value + "\"";
  }
  Choose(options.settings, std::move(choice));
  return std::string();
}

std::string ApplyOnIdle(Options& options, const std::string&) {
  options.onIdle = true;
  return std::string();
}

std::string ApplyHelp(Options& options, const std::string&) {
  options.action = Action::Help;
  return std::string();
}

std::string ApplyVersion(Options& options, const std::string&) {
  options.action = Action::Version;
  return std::string();
}

// The option the daemon's dialog runs for a setting: the one with a value,
// or the switch that turns a flag from its default.
std::string DaemonOption(const SettingRow& row) {
  for (const SettingOption& option : row.options) {
    if (option.value != nullptr || (option.sets != 0) != (row.fallback != 0)) return option.name;
  }
  return std::string();
}

// The daemon dialog's control of a setting: a box, a spin box or a file chooser.
std::string DaemonControl(const SettingRow& row) {
  const std::string id = "id=\"" + std::string(row.daemonId) + "\"";
  const std::string label = "_label=\"" + XmlText(row.daemonLabel) + "\"";
  const std::string option = DaemonOption(row);
  switch (row.type) {
    case SettingType::Flag:
      return "  <boolean " + id + " " + label + (row.fallback != 0 ? " arg-unset=\"" : " arg-set=\"") + option +
             "\"/>\n\n";
    case SettingType::Number:
      return "  <number " + id + " type=\"spinbutton\" arg=\"" + option + " %\"\n          " + label +
             " low=\"" + std::to_string(row.low) + "\" high=\"" + std::to_string(row.high) + "\" default=\"" +
             std::to_string(row.fallback) + "\"/>\n\n";
    case SettingType::Text:
      return "  <file " + id + " " + label + " arg=\"" + option + " %\"/>\n\n";
  }
  return std::string();
}

}  // namespace

const std::vector<OptionInfo>& AllOptions() {
  static const std::vector<OptionInfo> options = [] {
    std::vector<OptionInfo> all = {
        {"--root", nullptr, "draw into $XSCREENSAVER_WINDOW, else the root window", &ApplyRoot, true, nullptr,
         nullptr},
        {"--window-id", "ID", "draw into the window ID (0x hex, or decimal)", &ApplyWindowId, false, nullptr, nullptr},
        {"--layer", "LAYER", "Wayland: draw as the desktop's background (LAYER: background)", &ApplyLayer, false,
         nullptr, nullptr},
        {"--output", "NAME", "with --layer: only on the output NAME", &ApplyOutput, false, nullptr, nullptr},
        {"--on-idle", nullptr, "stay running; start the full-screen saver whenever the user is idle", &ApplyOnIdle,
         false, nullptr, nullptr},
    };
    // --NAME forces each window system; the option names live as long as the options.
    static const std::vector<std::string> forcing = [] {
      std::vector<std::string> names;
      for (const linuxhost::WindowSystem& system : linuxhost::WindowSystems()) names.push_back(std::string("--") + system.name);
      return names;
    }();
    for (std::size_t i = 0; i < forcing.size(); ++i) {
      const linuxhost::WindowSystem& system = linuxhost::WindowSystems()[i];
      all.push_back({forcing[i].c_str(), nullptr, system.help, nullptr, false, nullptr, nullptr, system.name});
    }
    for (const SettingRow& row : AllSettings()) {
      for (const SettingOption& option : row.options) {
        std::string help = option.help;
        if (option.value != nullptr && row.type == SettingType::Number) help += " (" + row.Range() + ")";
        all.push_back({option.name, option.value, help, nullptr, false, &row, &option});
      }
    }
    all.push_back({"--help", nullptr, "print this help and exit", &ApplyHelp, false, nullptr, nullptr});
    all.push_back({"--version", nullptr, "print the version and exit", &ApplyVersion, false, nullptr, nullptr});
    return all;
  }();
  return options;
}

bool ParseWindowId(const char* text, std::uint32_t* id) {
  return text != nullptr && ParseNumber(text, NumberForm::WindowId, 1, 0xFFFFFFFFll, id);
}

bool RootTarget(const char* variable, std::uint32_t* id) {
  if (variable == nullptr || *variable == '\0') {
    *id = 0;
    return true;
  }
  // Daemons may leave blanks around the number.
  std::string text(variable);
  const std::size_t first = text.find_first_not_of(" \t");
  const std::size_t last = text.find_last_not_of(" \t");
  if (first == std::string::npos) {
    *id = 0;
    return true;
  }
  text = text.substr(first, last - first + 1);
  return ParseWindowId(text.c_str(), id);
}

Options ParseArguments(const std::vector<std::string>& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string value;
    bool hasValue = false;
    const std::string name = OptionName(argument, &value, &hasValue);
    const OptionInfo* option = name.empty() ? nullptr : Find(name);
    if (option == nullptr) {
      // "--anything" that is not ours is an error; everything else is left
      // for the Windows-style switches ("/s", "-p 123", "-c:5" ...).
      if (argument.size() > 2 && argument[0] == '-' && argument[1] == '-') {
        return Failure("unknown option \"" + argument + "\"");
      }
      options.rest.push_back(argument);
      continue;
    }
    if (option->value != nullptr) {
      if (!hasValue) {
        if (i + 1 >= arguments.size()) return Failure(name + " needs a value");
        value = arguments[++i];
      }
    } else if (hasValue) {
      return Failure(name + " takes no value");
    }
    if (option->windowSystem != nullptr) options.windowSystem = option->windowSystem;
    const std::string error = option->setting != nullptr ? ApplySetting(options, *option->setting, *option->option, value)
                              : option->apply != nullptr ? option->apply(options, value)
                                                         : std::string();
    if (!error.empty()) return Failure(error);
    if (options.action != Action::Run) return options;  // help or version
  }
  if (!options.output.empty() && options.target != Target::Layer) return Failure("--output needs --layer background");
  if (options.onIdle && (options.target != Target::None || !options.rest.empty())) {
    return Failure("--on-idle takes no run mode and no daemon's option");
  }
  return options;
}

std::string UsageText() {
  std::string text;
  text += "Usage: ";
  text += kProgram;
  text += " [OPTION]... [/s | /p WINDOW | /c[:WINDOW]]\n";
  text += "A kaleidoscope screen saver.\n\n";
  text += "Run modes, as on Windows (- works as well as /):\n";
  text += "  /s            full-screen saver; keys other than the controls, clicks and\n";
  text += "                mouse movement end it\n";
  text += "  /p WINDOW     preview inside the X window WINDOW (decimal)\n";
  text += "  /c[:WINDOW]   the configuration dialog (also with no arguments at all)\n\n";
  text += "Options:\n";
  for (const OptionInfo& option : AllOptions()) {
    std::string left = "  ";
    left += option.name;
    if (option.value != nullptr) {
      left += ' ';
      left += option.value;
    }
    text += left;
    if (left.size() < 18) {
      text += std::string(18 - left.size(), ' ');
    } else {
      text += "\n" + std::string(18, ' ');
    }
    text += option.help;
    text += '\n';
  }
  text += "\nWith --root or --window-id the daemon owns input: keys and the mouse never\n";
  text += "end the program; SIGTERM, SIGINT, SIGUSR1 or the window's destruction do.\n";
  text += "So it is with --layer background, which ends when the compositor closes it.\n";
  text += "--on-idle runs the full-screen saver after IdleMinutes of inactivity, and\n";
  text += "again after each new idle period; one such watcher runs per session.\n";
  text += "Under Wayland (WAYLAND_DISPLAY set, layer-shell offered) /s covers every output;\n";
  text += "elsewhere, GNOME Shell among them, X11 (or XWayland) draws.\n";
  text += "Keys while the saver runs: 0-9 levels, M mirrors, arrows steer, space and S\n";
  text += "do nothing; any other key ends the full-screen saver.\n";
  return text;
}

std::string SettingsXml() {
  std::string xml;
  xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n";
  xml += "<screensaver name=\"";
  xml += kProgram;
  xml += "\" _label=\"Zirbel\" gl=\"yes\">\n\n";
  for (const OptionInfo& option : AllOptions()) {
    if (option.command) xml += "  <command arg=\"" + std::string(option.name) + "\"/>\n\n";
  }
  for (const SettingRow& row : AllSettings()) {
    if (row.In(kInDaemon)) xml += DaemonControl(row);
  }
  xml += "  <_description>\n";
  xml += "A kaleidoscope. Sixty round photo tiles swirl in a circular arena, push\n";
  xml += "each other apart and sink; the picture is folded through a ring of eight\n";
  xml += "to ten mirror segments and can be fed back into itself through up to ten\n";
  xml += "levels.\n";
  xml += "  </_description>\n";
  xml += "</screensaver>\n";
  return xml;
}

}  // namespace hack
