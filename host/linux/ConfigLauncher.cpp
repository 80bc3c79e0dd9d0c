// The configuration dialog is a separate program, so that the toolkit never
// loads into the saver; it reads and writes the settings file itself.
#include <cstdio>
#include <string>
#include <vector>

#include "host/linux/Programs.h"
#include "host/linux/SystemServices.h"

namespace linuxhost {

void RunConfigDialog(WindowHandle owner) {
  const std::string path = SiblingProgram("zirbel-config");
  std::vector<std::string> arguments = {"zirbel-config"};
  if (owner != 0) {
    arguments.push_back("--owner");
    arguments.push_back(std::to_string(owner));
  }
  if (RunProgramAndWait(path, arguments) < 0) {
    std::fprintf(stderr, "zirbel: cannot run the configuration dialog %s\n", path.c_str());
  }
}

}  // namespace linuxhost
