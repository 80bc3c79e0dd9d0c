#pragma once
#include <cstdint>

// The process-wide run mode chosen by the command line.
enum class SaverMode : std::int32_t {
  Unrecognised = 0,  // no switch it knows: nothing runs
  Config = 1,
  ChangePassword = 2,
  Preview = 3,
  Saver = 4,
};
