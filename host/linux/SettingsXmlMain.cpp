// Writes the daemon's settings description (zirbel.xml) from the option
// declarations, so that the two cannot drift apart.
//   zirbel-settings-xml OUTPUT
#include <cstdio>
#include <string>

#include "host/linux/HackOptions.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zirbel-settings-xml OUTPUT\n");
    return 2;
  }
  const std::string xml = hack::SettingsXml();
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(xml.data(), 1, xml.size(), file) == xml.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "zirbel-settings-xml: cannot write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
