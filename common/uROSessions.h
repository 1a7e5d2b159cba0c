// The remoting library's session unit: only its exception class takes part in this
// program, registered at start-up and removed at shutdown.
#pragma once

#include "common/uROClasses.h"

class EROSessionNotFound : public EROException {
public:
  using EROException::EROException;
  const char* ClassName() const override { return "EROSessionNotFound"; }
};

void InitializeuROSessions();
void FinalizeuROSessions();
