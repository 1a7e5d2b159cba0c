// Identifiers of the data helpers' message texts (string table in vxDataConsts.rc).
#pragma once

enum TvxDataConstId : unsigned {
  scxStreamReadError = 65120,   // "Stream read error"
  scxStreamWriteError = 65121,  // "Stream write error"
};
