// Small bases and services shared by the whole control library: the persistent and
// component bases, a registry of classes with descriptions, weak object links, a
// free-notification forwarder, the lookup through which every message text of the library
// passes, and a few geometric helpers.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <windows.h>

// --- Message texts ---------------------------------------------------------------------

// The translation of a loaded message text: the text itself unless translation lists have
// been set up and the source list holds it (letter case ignored), in which case the
// replacement at the same index.
AnsiString vxGetResourceString(const AnsiString& text);
// Reads string resource id of the program and passes it through vxGetResourceString. Done
// on every call, so a translation registered later takes effect at once. An id with no
// resource gives an empty text.
AnsiString vxLoadResourceString(unsigned id);
// As vxLoadResourceString, with every "%s" replaced by arg ("%%" gives "%"). Unlike a
// printf-style format a translated text cannot make this read arguments that do not exist.
AnsiString vxFormatResourceString(unsigned id, const AnsiString& arg);

// Translation lists: created by the first registered pair, freed by
// vxClearResourceStringTranslations or at shutdown. A source registered twice keeps its
// first replacement (the lookup finds the first match).
void vxAddResourceStringTranslation(const AnsiString& source, const AnsiString& replacement);
void vxClearResourceStringTranslations();
bool vxHasResourceStringTranslations();

// --- Helpers --------------------------------------------------------------------------

POINT vxPoint(int x, int y);
// Midpoint of two coordinates, rounded toward minus infinity: (3, 4) -> 3, (-3, -4) -> -4.
int vxMidPoint(int a, int b);

void InitializevxClasses();
void FinalizevxClasses();
