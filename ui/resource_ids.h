// Resource and command ids of the program.
#pragma once

// Icon, menu and accelerators of the main frame; the document template's resource id.
inline constexpr unsigned IDR_MAINFRAME = 2;
// The record details dialog.
inline constexpr unsigned IDD_RECORD = 114;
