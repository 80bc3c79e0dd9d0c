#pragma once
// Identifiers of the saver's resources, shared by resources/zirbel.rc and the
// dialog code.
#define IDD_CONFIG 104
#define IDC_USE_MIRRORS 1001
#define IDS_DESCRIPTION 1
#define IDI_ZIRBEL 1
