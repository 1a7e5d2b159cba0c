// The remoting library's base exception and its exception-class registry, plus the
// process-wide values the library sets up at start-up. Nothing in this program calls into
// the library beyond the registry; its start-up and shutdown work still run in their place.
#pragma once

#include "platform/rtl/SysExceptions.h"

#include <typeinfo>
#include <vector>

// Base of the remoting library's exceptions and of the application exception family.
class EROException : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EROException"; }
};

// A class reference as the registry stores it.
using TExceptionClass = const std::type_info*;

// Appends the class to the registry (a class may be listed more than once).
void RegisterExceptionClass(TExceptionClass cls);
// Removes the first occurrence of the class; nothing happens when it is not listed.
void UnregisterExceptionClass(TExceptionClass cls);
// The registered classes in registration order (empty outside start-up and shutdown).
std::vector<TExceptionClass> RegisteredExceptionClasses();

// The MSXML libraries found in the system folder at start-up (msxml4.dll never counts).
enum class TMSXMLLibrary { MSXML2, MSXML3, MSXML4 };
bool MSXMLLibraryPresent(TMSXMLLibrary lib);

// Builds the library's object list, timing values and registry lists; the finalisation
// frees them. Registration calls outside this window do nothing.
void InitializeuROClasses();
void FinalizeuROClasses();
