# Finds OpenGL/GLU, libjpeg, libpng (with zlib) and the thread library for the
# target platform and exposes them as Zirbel::GL, Zirbel::JPEG, Zirbel::PNG and
# Threads::Threads; and, where the platform has them, libwebp (Zirbel::WEBP)
# and libheif with its decoders (Zirbel::HEIF), and libseccomp on Linux
# (Zirbel::SECCOMP).
find_package(Threads REQUIRED)

# Static libwebp (with its demuxer) installed under `prefix`, as Zirbel::WEBP,
# when it is there: a build without it skips WebP photos with a reason.
function(zirbel_static_webp prefix)
  if(NOT EXISTS "${prefix}/lib/libwebp.a")
    message(STATUS "No static libwebp at ${prefix}: WebP photos are not read by this build")
    return()
  endif()
  add_library(Zirbel::WEBP INTERFACE IMPORTED GLOBAL)
  target_include_directories(Zirbel::WEBP INTERFACE "${prefix}/include")
  target_link_libraries(Zirbel::WEBP INTERFACE "${prefix}/lib/libwebpdemux.a" "${prefix}/lib/libwebp.a")
endfunction()

# Static libheif with libde265 and dav1d installed under `prefix`, as
# Zirbel::HEIF, when it is there.
function(zirbel_static_heif prefix)
  if(NOT EXISTS "${prefix}/lib/libheif.a")
    message(STATUS "No static libheif at ${prefix}: HEIC and AVIF photos are not read by this build")
    return()
  endif()
  add_library(Zirbel::HEIF INTERFACE IMPORTED GLOBAL)
  target_include_directories(Zirbel::HEIF INTERFACE "${prefix}/include")
  target_compile_definitions(Zirbel::HEIF INTERFACE LIBHEIF_STATIC_BUILD)
  target_link_libraries(Zirbel::HEIF INTERFACE "${prefix}/lib/libheif.a" "${prefix}/lib/libde265.a"
                        "${prefix}/lib/libdav1d.a")
endfunction()
set(ZIRBEL_DEPS_DIR "${PROJECT_SOURCE_DIR}/build/_deps" CACHE PATH
    "Where tools/setup-debian.sh keeps the libraries and sources it fetches and builds")
if(EMSCRIPTEN)
  # WebGL through Emscripten's GL emulation, linked by the web page itself.
  add_library(Zirbel::GL INTERFACE IMPORTED)
  # zlib, libpng and libjpeg-turbo for WebAssembly, built by
  # cmake/build-wasm-libraries.sh.
  set(ZIRBEL_WASM_PREFIX "${ZIRBEL_DEPS_DIR}/wasm" CACHE PATH "Install prefix of the WebAssembly libraries")
  if(NOT EXISTS "${ZIRBEL_WASM_PREFIX}/lib/libjpeg.a")
    message(FATAL_ERROR "No WebAssembly libjpeg at ${ZIRBEL_WASM_PREFIX}; run cmake/build-wasm-libraries.sh")
  endif()
  foreach(lib ZLIB PNG JPEG)
    string(TOLOWER ${lib} name)
    string(REPLACE zlib z name ${name})
    add_library(Zirbel::${lib} STATIC IMPORTED)
    set_target_properties(Zirbel::${lib} PROPERTIES
      IMPORTED_LOCATION "${ZIRBEL_WASM_PREFIX}/lib/lib${name}.a"
      INTERFACE_INCLUDE_DIRECTORIES "${ZIRBEL_WASM_PREFIX}/include")
  endforeach()
  set_target_properties(Zirbel::PNG PROPERTIES INTERFACE_LINK_LIBRARIES Zirbel::ZLIB)
  # libwebp's decoder, built by cmake/build-libwebp.sh wasm.
  zirbel_static_webp("${ZIRBEL_DEPS_DIR}/libwebp-wasm")
elseif(WIN32)
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

  # libpng and zlib, cross-built by cmake/build-libpng-mingw.sh.
  set(ZIRBEL_PNG_PREFIX "${PROJECT_SOURCE_DIR}/build/_deps/libpng-${ZIRBEL_TRIPLET}"
      CACHE PATH "Install prefix of the cross-built static libpng and zlib")
  if(NOT EXISTS "${ZIRBEL_PNG_PREFIX}/lib/libpng.a")
    message(FATAL_ERROR "No cross-built libpng at ${ZIRBEL_PNG_PREFIX}; run tools/setup-debian.sh")
  endif()
  add_library(Zirbel::ZLIB STATIC IMPORTED)
  set_target_properties(Zirbel::ZLIB PROPERTIES IMPORTED_LOCATION "${ZIRBEL_PNG_PREFIX}/lib/libz.a")
  add_library(Zirbel::PNG STATIC IMPORTED)
  set_target_properties(Zirbel::PNG PROPERTIES
    IMPORTED_LOCATION "${ZIRBEL_PNG_PREFIX}/lib/libpng.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ZIRBEL_PNG_PREFIX}/include"
    INTERFACE_LINK_LIBRARIES Zirbel::ZLIB)
  # libwebp's decoder, cross-built by cmake/build-libwebp.sh; libheif with
  # libde265 and dav1d where a static build of them is installed.
  zirbel_static_webp("${PROJECT_SOURCE_DIR}/build/_deps/libwebp-${ZIRBEL_TRIPLET}")
  zirbel_static_heif("${PROJECT_SOURCE_DIR}/build/_deps/libheif-${ZIRBEL_TRIPLET}")
else()
  set(OpenGL_GL_PREFERENCE GLVND)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
  # X11 with the extensions the backend (Xrandr, Xinerama), the end-to-end
  # helpers (Xfixes) and the benchmarks (Xtst) use.
  find_package(X11 REQUIRED COMPONENTS Xrandr Xinerama Xfixes Xtst)
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_library(GLU_LIBRARY GLU REQUIRED)
  add_library(Zirbel::GL INTERFACE IMPORTED)
  target_link_libraries(Zirbel::GL INTERFACE OpenGL::GL ${GLU_LIBRARY})
  add_library(Zirbel::JPEG INTERFACE IMPORTED)
  target_link_libraries(Zirbel::JPEG INTERFACE JPEG::JPEG)
  add_library(Zirbel::PNG INTERFACE IMPORTED)
  target_link_libraries(Zirbel::PNG INTERFACE PNG::PNG)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ZIRBEL_WEBP REQUIRED IMPORTED_TARGET libwebp libwebpdemux)
  pkg_check_modules(ZIRBEL_HEIF REQUIRED IMPORTED_TARGET libheif)
  pkg_check_modules(ZIRBEL_SECCOMP REQUIRED IMPORTED_TARGET libseccomp)
  add_library(Zirbel::WEBP INTERFACE IMPORTED)
  target_link_libraries(Zirbel::WEBP INTERFACE PkgConfig::ZIRBEL_WEBP)
  add_library(Zirbel::HEIF INTERFACE IMPORTED)
  target_link_libraries(Zirbel::HEIF INTERFACE PkgConfig::ZIRBEL_HEIF)
  add_library(Zirbel::SECCOMP INTERFACE IMPORTED)
  target_link_libraries(Zirbel::SECCOMP INTERFACE PkgConfig::ZIRBEL_SECCOMP)
endif()
