# The project's own targets. Each has warnings as errors (zirbel_warnings)
# and the source root on its include path, and names what it links once:
#   zirbel_library(<name> [PORTABLE] [SOURCES ...] [PUBLIC ...] [PRIVATE ...])
#   zirbel_executable(<name> [WIN32] [SOURCES ...] [PUBLIC ...] [PRIVATE ...])
# PORTABLE: code that never includes <windows.h>; on Windows its GL headers
# get the few definitions they would take from there. Third-party code is
# built elsewhere, without these.
add_library(zirbel_warnings INTERFACE)
target_compile_options(zirbel_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror>)

function(zirbel_target_setup name)
  cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE" ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE zirbel_warnings ${ARG_PRIVATE})
  if(ARG_PUBLIC)
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC})
  endif()
endfunction()

function(zirbel_library name)
  cmake_parse_arguments(ARG "PORTABLE" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  zirbel_target_setup(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  if(ARG_PORTABLE)
    target_compile_definitions(${name} PRIVATE ${ZIRBEL_PORTABLE_GL_DEFINITIONS})
  endif()
endfunction()

function(zirbel_executable name)
  cmake_parse_arguments(ARG "WIN32" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  if(ARG_WIN32)
    add_executable(${name} WIN32 ${ARG_SOURCES})
  else()
    add_executable(${name} ${ARG_SOURCES})
  endif()
  zirbel_target_setup(${name} PRIVATE ${ARG_PUBLIC} ${ARG_PRIVATE})
endfunction()
