// The part, state and property numbers of the visual-style classes the library draws with (the
// values of the system's theme schema; its header is not used because uxtheme is bound at run
// time, see vdUxTheme.h).
#pragma once

// "Button"
constexpr int BP_PUSHBUTTON = 1;
constexpr int BP_RADIOBUTTON = 2;
constexpr int BP_CHECKBOX = 3;
constexpr int PBS_NORMAL = 1, PBS_HOT = 2, PBS_PRESSED = 3, PBS_DISABLED = 4, PBS_DEFAULTED = 5;
constexpr int CBS_UNCHECKEDNORMAL = 1, CBS_UNCHECKEDHOT = 2, CBS_UNCHECKEDPRESSED = 3, CBS_UNCHECKEDDISABLED = 4;
constexpr int CBS_CHECKEDNORMAL = 5, CBS_CHECKEDHOT = 6, CBS_CHECKEDPRESSED = 7, CBS_CHECKEDDISABLED = 8;
constexpr int RBS_UNCHECKEDNORMAL = 1, RBS_UNCHECKEDHOT = 2, RBS_UNCHECKEDPRESSED = 3, RBS_UNCHECKEDDISABLED = 4;
constexpr int RBS_CHECKEDNORMAL = 5, RBS_CHECKEDHOT = 6, RBS_CHECKEDPRESSED = 7, RBS_CHECKEDDISABLED = 8;

// "ComboBox"
constexpr int CP_DROPDOWNBUTTON = 1;
constexpr int CBXS_NORMAL = 1, CBXS_HOT = 2, CBXS_PRESSED = 3, CBXS_DISABLED = 4;

// "Edit"
constexpr int EP_EDITTEXT = 1;
constexpr int ETS_NORMAL = 1, ETS_HOT = 2, ETS_SELECTED = 3, ETS_DISABLED = 4, ETS_FOCUSED = 5, ETS_READONLY = 6;

// "ExplorerBar"
constexpr int EBP_HEADERPIN = 3;
constexpr int EBP_NORMALGROUPCOLLAPSE = 6;
constexpr int EBP_NORMALGROUPEXPAND = 7;

// "Header"
constexpr int HP_HEADERITEM = 1;
constexpr int HP_HEADERITEMRIGHT = 3;
constexpr int HIS_NORMAL = 1, HIS_HOT = 2, HIS_PRESSED = 3;

// "ListView"
constexpr int LVP_LISTITEM = 1;
constexpr int LVP_EMPTYTEXT = 5;

// "ScrollBar"
constexpr int SBP_ARROWBTN = 1;
constexpr int SBP_THUMBBTNHORZ = 2, SBP_THUMBBTNVERT = 3;
constexpr int SBP_LOWERTRACKHORZ = 4, SBP_UPPERTRACKHORZ = 5, SBP_LOWERTRACKVERT = 6, SBP_UPPERTRACKVERT = 7;
constexpr int SBP_GRIPPERHORZ = 8, SBP_GRIPPERVERT = 9;
// Arrow states: up 1..4, down 5..8, left 9..12, right 13..16, each normal, hot, pressed, disabled.
constexpr int ABS_UPNORMAL = 1, ABS_DOWNNORMAL = 5, ABS_LEFTNORMAL = 9, ABS_RIGHTNORMAL = 13;
constexpr int SCRBS_NORMAL = 1, SCRBS_HOT = 2, SCRBS_PRESSED = 3, SCRBS_DISABLED = 4;

// "Tab"
constexpr int TABP_TABITEM = 1;
constexpr int TABP_PANE = 9;

// "ToolBar"
constexpr int TP_BUTTON = 1;

// "TrackBar"
constexpr int TKP_TRACK = 1;

// "TreeView"
constexpr int TVP_GLYPH = 2;
constexpr int GLPS_CLOSED = 1, GLPS_OPENED = 2;

// "Window"
constexpr int WP_SMALLCLOSEBUTTON = 19;

// Properties. TMT_COLOR is the colour type's own number; some styles answer it as a fill.
constexpr int TMT_COLOR = 204;
constexpr int TMT_BORDERCOLOR = 3801;
constexpr int TMT_FILLCOLOR = 3802;
constexpr int TMT_TEXTCOLOR = 3803;
