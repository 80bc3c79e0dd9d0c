#pragma once
// The photo helper on Linux. The saver's side: the helper is this program
// itself (/proc/self/exe) started with the helper argument, a stream socket
// (made before the start) as its descriptor 3, standard input from
// /dev/null, and only the environment it needs (no display, no session bus);
// each photo is opened here and its descriptor handed over with the request
// (SCM_RIGHTS). The helper's side: it confines itself before it reads a byte
// of a photo (RunPhotoHelper).
#include <memory>
#include <string>

#include "host/PhotoHelper.h"

namespace linuxhost {

// The platform half of the client; `program` is the helper's executable.
std::shared_ptr<photohelper::HelperPlatform> MakeHelperPlatform(std::string program = "/proc/self/exe");

// The helper: called by main when argv[1] is photohelper::kHelperArgument,
// before anything else. Returns the exit code.
int RunPhotoHelper(int argc, char** argv);

// The system calls the helper's filter allows, by name (for the notes and a test).
const char* const* AllowedSystemCalls();

}  // namespace linuxhost
