# Finds OpenGL/GLU and libjpeg for the target platform and exposes them as
# Zirbel::GL and Zirbel::JPEG.
if(WIN32)
  add_library(Zirbel::GL INTERFACE IMPORTED)
  target_link_libraries(Zirbel::GL INTERFACE opengl32 glu32)
  # Keep <windows.h> out of the portable code: MinGW's GL/gl.h pulls it in
  # unless these two are already defined. Applied privately to the portable
  # libraries only; host/win32 includes <windows.h> itself.
  # GL/glu.h also needs CALLBACK, which <windows.h> would define.
  set(ZIRBEL_PORTABLE_GL_DEFINITIONS "WINGDIAPI=__declspec(dllimport)" "APIENTRY=__stdcall" "CALLBACK=__stdcall")

  # libjpeg-turbo, cross-built by cmake/build-libjpeg-mingw.sh.
  set(ZIRBEL_JPEG_PREFIX "${PROJECT_SOURCE_DIR}/build/_deps/libjpeg-${ZIRBEL_TRIPLET}"
      CACHE PATH "Install prefix of the cross-built static libjpeg")
  if(NOT EXISTS "${ZIRBEL_JPEG_PREFIX}/lib/libjpeg.a")
    message(FATAL_ERROR "No cross-built libjpeg at ${ZIRBEL_JPEG_PREFIX}; run tools/setup-debian.sh")
  endif()
  add_library(Zirbel::JPEG STATIC IMPORTED)
  set_target_properties(Zirbel::JPEG PROPERTIES
    IMPORTED_LOCATION "${ZIRBEL_JPEG_PREFIX}/lib/libjpeg.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ZIRBEL_JPEG_PREFIX}/include")
else()
  set(OpenGL_GL_PREFERENCE GLVND)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
  find_package(X11 REQUIRED)
  find_package(JPEG REQUIRED)
  find_library(GLU_LIBRARY GLU REQUIRED)
  add_library(Zirbel::GL INTERFACE IMPORTED)
  target_link_libraries(Zirbel::GL INTERFACE OpenGL::GL ${GLU_LIBRARY})
  add_library(Zirbel::JPEG INTERFACE IMPORTED)
  target_link_libraries(Zirbel::JPEG INTERFACE JPEG::JPEG)
endif()
