#pragma once
// Identifiers of the saver's resources, shared by resources/zirbel.rc and the
// dialog code.
#define IDD_CONFIG 104
#define IDC_USE_MIRRORS 1001
#define IDC_ALL_MONITORS 1002
#define IDC_PHOTOS 1003
#define IDC_PHOTO_FOLDER 1004
#define IDC_BUILTIN_PHOTOS 1005
#define IDS_DESCRIPTION 1
#define IDI_ZIRBEL 1
