// The Linux program: its arguments become a Windows-style command line, so
// "zirbel /s", "zirbel -p 12345" and "zirbel -c" mean what they mean there.
#include <string>

#include "host/Entry.h"

int main(int argc, char** argv) {
  const std::string commandLine = JoinArguments(argc, argv);
  constexpr int kShowDefault = 10;
  return RunEntry(commandLine.c_str(), kShowDefault);
}
