// Resource and command ids of the program.
#pragma once

// Icon, menu and accelerators of the main frame; the document template's resource id.
inline constexpr unsigned IDR_MAINFRAME = 2;
// The record details dialog.
inline constexpr unsigned IDD_RECORD = 114;

// Controls of the search form. Search is the default button, so it has IDOK's id (1).
inline constexpr unsigned IDC_SEARCH = 1;
inline constexpr unsigned IDC_CLEAR = 101;
inline constexpr unsigned IDC_HELPBUTTON = 102;
inline constexpr unsigned IDC_QUIT = 103;
inline constexpr unsigned IDC_MOREINFO = 104;
inline constexpr unsigned IDC_PREVPAGE = 106;
inline constexpr unsigned IDC_NEXTPAGE = 107;
inline constexpr unsigned IDC_SURNAME = 108;
inline constexpr unsigned IDC_FIRSTNAME = 109;
inline constexpr unsigned IDC_BIRTHYEAR = 110;
inline constexpr unsigned IDC_DEATHYEAR = 111;
inline constexpr unsigned IDC_STATE = 113;

// Fields of the record details dialog.
inline constexpr unsigned IDC_BIRTHDATE = 1003;
inline constexpr unsigned IDC_DEATHDATE = 1004;
inline constexpr unsigned IDC_SSN = 1006;
inline constexpr unsigned IDC_RESIDENCEZIP = 1007;
inline constexpr unsigned IDC_PAYMENTZIP = 1008;
inline constexpr unsigned IDC_LOCATION = 1009;
inline constexpr unsigned IDC_SSNISSUEDIN = 1010;

// The result list's shortcut menu.
inline constexpr unsigned ID_SAVE_ALL_RECORDS = 0x8001;

// The help file's topic for the search form.
inline constexpr unsigned kHelpContextSearch = 18;

// The surname field's shortcut menu: how a surname is matched.
inline constexpr unsigned ID_SURNAME_EXACT = 0x8101;
inline constexpr unsigned ID_SURNAME_SOUNDEX = 0x8102;
inline constexpr unsigned ID_SURNAME_DAITCH_MOKOTOFF = 0x8103;
