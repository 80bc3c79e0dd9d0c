# Builds the Windows Installer package (MSI) of one zirbel.scr with wixl from
# data/zirbel.wxs:
#   cmake -DARCH=x86|x64 -DVERSION=1.2.3 -DSCR=zirbel.scr -DOUTPUT=file.msi
#         -P cmake/WindowsInstaller.cmake
# Each architecture has an upgrade code of its own, fixed for good: a package
# with a higher version replaces the installed one in place. The product code
# follows from the upgrade code and the version, so two builds of one version
# are one product, which Windows Installer does not install twice.
cmake_minimum_required(VERSION 3.21)
foreach(var ARCH VERSION SCR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "WindowsInstaller.cmake: -D${var}=... is missing")
  endif()
endforeach()
if(ARCH STREQUAL "x64")
  set(upgrade_code 0179053D-B8C4-4531-8505-796DEA1C827C)
  set(component_guid 6AB18C8E-80AF-420A-A45A-902A56427B9B)
  set(system_folder System64Folder)
  set(notices_guid 3F0C7B52-4D0E-4C55-9B7A-51E2A4D86C11)
  set(program_folder ProgramFiles64Folder)
  set(win64 yes)
elseif(ARCH STREQUAL "x86")
  set(upgrade_code D0DC95F9-22A0-4D64-8270-6C822E004002)
  set(component_guid 924B6766-89E0-40B1-889D-739CF05B6FB8)
  set(system_folder SystemFolder)
  set(notices_guid 8E2D61A4-07B3-4F7C-A6C9-2B1F95E3D740)
  set(program_folder ProgramFilesFolder)
  set(win64 no)
else()
  message(FATAL_ERROR "WindowsInstaller.cmake: ARCH is x86 or x64, not '${ARCH}'")
endif()
string(UUID product_code NAMESPACE ${upgrade_code} NAME "Zirbel ${VERSION}" TYPE SHA1 UPPER)
find_program(WIXL wixl)
if(NOT WIXL)
  message(FATAL_ERROR "wixl is not installed (Debian package wixl, from msitools; tools/setup-debian.sh installs it)")
endif()

# wixl takes its sources by relative name: gather them in a folder of their own.
get_filename_component(output "${OUTPUT}" ABSOLUTE)
set(stage "${output}.files")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}")
get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
file(COPY_FILE "${SCR}" "${stage}/zirbel.scr")
file(COPY_FILE "${root}/resources/zirbel.ico" "${stage}/zirbel.ico")
file(COPY_FILE "${root}/data/zirbel.wxs" "${stage}/zirbel.wxs")
# The note (as in the ZIP, with CR LF line ends) and the LGPL, version 3, with
# the GPL it builds on, from Debian's base-files.
if(NOT DEFINED COMMON_LICENSES)
  set(COMMON_LICENSES /usr/share/common-licenses)
endif()
set(PROJECT_VERSION ${VERSION})
configure_file("${root}/data/README-Windows.txt" "${stage}/README.txt" @ONLY NEWLINE_STYLE CRLF)
file(COPY_FILE "${COMMON_LICENSES}/LGPL-3" "${stage}/LGPL-3.txt")
file(COPY_FILE "${COMMON_LICENSES}/GPL-3" "${stage}/GPL-3.txt")
execute_process(
  COMMAND ${WIXL} --arch ${ARCH} --output "${output}"
          -D "Version=${VERSION}" -D "ProductCode=${product_code}"
          -D "UpgradeCode=${upgrade_code}" -D "ComponentGuid=${component_guid}"
          -D "NoticesGuid=${notices_guid}" -D "ProgramFolder=${program_folder}"
          -D "SystemFolder=${system_folder}" -D "Win64=${win64}" zirbel.wxs
  WORKING_DIRECTORY "${stage}" RESULT_VARIABLE result)
file(REMOVE_RECURSE "${stage}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "wixl failed to build ${output}")
endif()
