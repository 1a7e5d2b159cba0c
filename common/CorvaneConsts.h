// Constant word lists of the product; nothing in this program reads them.
#pragma once

#include <array>

inline constexpr std::array<const char*, 2> kDocuWorksExtensions = {"XDW", "XBD"};
inline constexpr std::array<const char*, 3> kExtractorOptionNames = {"windomain", "fileversion",
                                                                     "cadviewer"};
