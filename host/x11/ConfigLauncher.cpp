// The configuration dialog is a separate program, so that the toolkit never
// loads into the saver.
#include <cstdio>
#include <string>
#include <vector>

#include "host/Platform.h"
#include "host/x11/Programs.h"

namespace platform {

void RunConfigDialog(SaverState& /*state*/, WindowHandle owner) {
  const std::string path = x11host::SiblingProgram("zirbel-config");
  std::vector<std::string> arguments = {"zirbel-config"};
  if (owner != 0) {
    arguments.push_back("--owner");
    arguments.push_back(std::to_string(owner));
  }
  if (x11host::RunProgramAndWait(path, arguments) < 0) {
    std::fprintf(stderr, "zirbel: cannot run the configuration dialog %s\n", path.c_str());
  }
}

}  // namespace platform
