// The configuration dialog is a separate program, so that the toolkit never
// loads into the saver.
#include <cstdio>
#include <string>
#include <vector>

#include "host/System.h"
#include "host/linux/Programs.h"

namespace platform {

// The dialog program reads and writes the settings file itself.
void RunConfigDialog(SaverState& /*state*/, SettingsStore& /*store*/, WindowHandle owner) {
  const std::string path = linuxhost::SiblingProgram("zirbel-config");
  std::vector<std::string> arguments = {"zirbel-config"};
  if (owner != 0) {
    arguments.push_back("--owner");
    arguments.push_back(std::to_string(owner));
  }
  if (linuxhost::RunProgramAndWait(path, arguments) < 0) {
    std::fprintf(stderr, "zirbel: cannot run the configuration dialog %s\n", path.c_str());
  }
}

}  // namespace platform
