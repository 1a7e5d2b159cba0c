#include "common/uROSessions.h"

void InitializeuROSessions() { RegisterExceptionClass(&typeid(EROSessionNotFound)); }

void FinalizeuROSessions() { UnregisterExceptionClass(&typeid(EROSessionNotFound)); }
