# The web page's toolchain: Emscripten's own CMake platform file, found
# beside the emcc on the PATH (Debian's package links it from /usr/bin), so
# that no installation's folder is written into the presets.
find_program(ZIRBEL_EMCC emcc REQUIRED)
get_filename_component(zirbel_emcc_real "${ZIRBEL_EMCC}" REALPATH)
get_filename_component(zirbel_emscripten_root "${zirbel_emcc_real}" DIRECTORY)
set(zirbel_emscripten_toolchain "${zirbel_emscripten_root}/cmake/Modules/Platform/Emscripten.cmake")
if(NOT EXISTS "${zirbel_emscripten_toolchain}")
  message(FATAL_ERROR "No Emscripten.cmake beside ${zirbel_emcc_real}; run tools/setup-debian.sh --web")
endif()
include("${zirbel_emscripten_toolchain}")
