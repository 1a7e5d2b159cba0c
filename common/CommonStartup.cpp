#include "common/CommonStartup.h"

#include "common/ArchiveCharTables.h"
#include "common/CorvaneLangUnit.h"
#include "common/CorvanePathUnit.h"
#include "common/HvTLIntf.h"
#include "common/HvxUtil.h"
#include "common/NtSecurityLib.h"
#include "common/TLIntf.h"
#include "common/WindowsFolderUnit.h"
#include "common/uROClasses.h"
#include "common/uROSessions.h"

void InitializeCommonUnits() {
  InitializeHvTLIntf();
  InitializeTLIntf();
  InitializeNtSecurityLib();
  InitializeArchiveCharTables();
  InitializeuROClasses();
  InitializeuROSessions();
  InitializeWindowsFolderUnit();
  InitializeCorvanePathUnit();
  InitializeHvxUtil();
}

void FinalizeCommonUnits() {
  FinalizeCorvaneLangUnit();
  FinalizeHvxUtil();
  FinalizeCorvanePathUnit();
  FinalizeWindowsFolderUnit();
  FinalizeuROSessions();
  FinalizeuROClasses();
  FinalizeArchiveCharTables();
  FinalizeNtSecurityLib();
  FinalizeTLIntf();
  FinalizeHvTLIntf();
}
