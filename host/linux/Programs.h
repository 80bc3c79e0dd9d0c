#pragma once
// Helper programs installed next to the saver.
#include <string>
#include <vector>

namespace linuxhost {

// The full path of `name` in the directory of the running executable; just
// `name` when that directory cannot be found.
std::string SiblingProgram(const char* name);

// Runs a program with the given arguments (argv[0] included) and waits for it
// to end. Returns its exit status, or -1 when it could not be started.
int RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments);

// Whether an X display is named in the environment.
bool DisplayNamed();

}  // namespace linuxhost
