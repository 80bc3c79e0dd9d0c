# Installation and packages of the Linux build.
#   cmake --install BUILD [--prefix /usr]   the program where screen-saver
#       daemons look for hacks, with its settings description, manual page and
#       desktop entry
#   cpack -G DEB (in BUILD)                 the Debian package
#   cmake --build BUILD --target package-windows
#       the Windows installers (MSI, made by wixl) of the two Windows screen
#       savers built by the win32 and win64 presets, and a ZIP of the savers
#       and the installers with a short install note
if(WIN32 OR CMAKE_CROSSCOMPILING)
  return()
endif()

include(GNUInstallDirs)

# Daemons run hacks from here; bin/zirbel links to it. The dialog program
# stays beside the saver, which starts it from its own directory.
set(ZIRBEL_HACK_DIR ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(TARGETS zirbel zirbel-config RUNTIME DESTINATION ${ZIRBEL_HACK_DIR})
install(CODE "
  set(zirbel_bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${zirbel_bindir}\")
  file(REMOVE \"\${zirbel_bindir}/zirbel\")
  file(CREATE_LINK \"../${ZIRBEL_HACK_DIR}/zirbel\" \"\${zirbel_bindir}/zirbel\" SYMBOLIC)
  message(STATUS \"Installing: \${zirbel_bindir}/zirbel -> ../${ZIRBEL_HACK_DIR}/zirbel\")
")

install(FILES ${CMAKE_BINARY_DIR}/zirbel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${PROJECT_SOURCE_DIR}/data/zirbel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# Manual page and changelog compressed the Debian way (no timestamp).
find_program(ZIRBEL_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(zirbel_compressed)
foreach(pair "data/zirbel.6|zirbel.6.gz" "${CMAKE_BINARY_DIR}/packaging/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 target)
  if(NOT IS_ABSOLUTE "${source}")
    set(source "${PROJECT_SOURCE_DIR}/${source}")
  endif()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${target}
    COMMAND ${ZIRBEL_GZIP} -9n -c ${source} > ${CMAKE_BINARY_DIR}/packaging/${target}
    DEPENDS ${source} VERBATIM)
  list(APPEND zirbel_compressed ${CMAKE_BINARY_DIR}/packaging/${target})
endforeach()
add_custom_target(zirbel-docs ALL DEPENDS ${zirbel_compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/zirbel.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zirbel)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zirbel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zirbel developers")
set(CPACK_PACKAGE_CONTACT "Zirbel developers <zirbel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "kaleidoscope screen saver")
set(CPACK_PACKAGE_DESCRIPTION "\
Sixty round photo tiles swirl in a circular arena, push each other apart
and sink; the picture is folded through a ring of eight to ten mirror
segments and can be fed back into itself through up to ten levels.

The program runs as a hack of xscreensaver and similar daemons
(zirbel --root), as a full-screen saver of its own on X11 or on Wayland
compositors with layer-shell (sway, Hyprland, KDE Plasma), as a live
Wayland desktop background (zirbel --layer background), and comes with
a small configuration dialog.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries linked (libjpeg, libpng, libheif, libwebp, libseccomp, ...)
# become the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/zirbel")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)

# An installer for each Windows screen saver, and the ZIP of both savers and
# both installers, packed by CPack from a staging directory. The paths default
# to the win32 and win64 preset builds.
set(ZIRBEL_WINDOWS_SCR_32 "${PROJECT_SOURCE_DIR}/build/win32/zirbel.scr" CACHE FILEPATH
    "The 32-bit Windows screen saver for its installer and the Windows ZIP")
set(ZIRBEL_WINDOWS_SCR_64 "${PROJECT_SOURCE_DIR}/build/win64/zirbel.scr" CACHE FILEPATH
    "The 64-bit Windows screen saver for its installer and the Windows ZIP")
set(zirbel_stage ${CMAKE_BINARY_DIR}/packaging/windows)
set(ZIRBEL_COMMON_LICENSES /usr/share/common-licenses CACHE PATH
    "Where the licence texts the Windows ZIP carries are (Debian's base-files)")
set(zirbel_msi_32 zirbel-${PROJECT_VERSION}-32-bit.msi)
set(zirbel_msi_64 zirbel-${PROJECT_VERSION}-64-bit.msi)
# The note as Windows editors expect it, with CR LF line ends.
configure_file(${PROJECT_SOURCE_DIR}/data/README-Windows.txt ${CMAKE_BINARY_DIR}/packaging/README-Windows.txt
               @ONLY NEWLINE_STYLE CRLF)
file(WRITE ${CMAKE_BINARY_DIR}/packaging/CPackWindowsConfig.cmake
"set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zirbel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zirbel-${PROJECT_VERSION}-windows)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY \"Zirbel kaleidoscope screen saver for Windows\")
set(CPACK_PACKAGE_DESCRIPTION \"The 32-bit and 64-bit screen savers and their installers with an install note and the licences.\")
set(CPACK_INSTALL_CMAKE_PROJECTS \"\")
set(CPACK_INSTALLED_DIRECTORIES \"${zirbel_stage};.\")
set(CPACK_PACKAGE_DIRECTORY \"${CMAKE_BINARY_DIR}/packaging/_windows\")
set(CPACK_OUTPUT_FILE_PREFIX \"${CMAKE_BINARY_DIR}/packages\")
")
add_custom_target(package-windows
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zirbel_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zirbel_stage}/32-bit ${zirbel_stage}/64-bit
  # copy fails, and the target with it, when a build is missing
  COMMAND ${CMAKE_COMMAND} -E copy ${ZIRBEL_WINDOWS_SCR_32} ${zirbel_stage}/32-bit/zirbel.scr
  COMMAND ${CMAKE_COMMAND} -E copy ${ZIRBEL_WINDOWS_SCR_64} ${zirbel_stage}/64-bit/zirbel.scr
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/packaging/README-Windows.txt ${zirbel_stage}/README.txt
  # The licence of libheif and libde265 (linked into the savers), as the note names them.
  COMMAND ${CMAKE_COMMAND} -E copy ${ZIRBEL_COMMON_LICENSES}/LGPL-3 ${zirbel_stage}/LGPL-3.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${ZIRBEL_COMMON_LICENSES}/GPL-3 ${zirbel_stage}/GPL-3.txt
  COMMAND ${CMAKE_COMMAND} -DARCH=x86 -DVERSION=${PROJECT_VERSION} -DSCR=${ZIRBEL_WINDOWS_SCR_32}
          -DOUTPUT=${zirbel_stage}/${zirbel_msi_32} -P ${PROJECT_SOURCE_DIR}/cmake/WindowsInstaller.cmake
  COMMAND ${CMAKE_COMMAND} -DARCH=x64 -DVERSION=${PROJECT_VERSION} -DSCR=${ZIRBEL_WINDOWS_SCR_64}
          -DOUTPUT=${zirbel_stage}/${zirbel_msi_64} -P ${PROJECT_SOURCE_DIR}/cmake/WindowsInstaller.cmake
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/packaging/CPackWindowsConfig.cmake
  COMMAND ${CMAKE_COMMAND} -E copy ${zirbel_stage}/${zirbel_msi_32} ${zirbel_stage}/${zirbel_msi_64}
          ${CMAKE_BINARY_DIR}/packages
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Building packages/${zirbel_msi_32}, ${zirbel_msi_64} and zirbel-${PROJECT_VERSION}-windows.zip"
  VERBATIM)
