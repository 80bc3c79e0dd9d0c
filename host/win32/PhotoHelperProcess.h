#pragma once
// The photo helper on Windows: the saver's half for the client, and the
// helper's loop that WinMain runs when the helper argument comes first.
#include <memory>

#include "host/PhotoHelper.h"

namespace win32 {

std::shared_ptr<photohelper::HelperPlatform> MakeHelperPlatform();
int RunPhotoHelper();

}  // namespace win32
