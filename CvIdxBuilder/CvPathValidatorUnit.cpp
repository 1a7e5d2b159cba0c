#include "CvIdxBuilder/CvPathValidatorUnit.h"

TCvPathValidator& TCvPathValidator::Instance() {
  // A function-local static is created thread-safely on first call and needs no lock.
  static TCvPathValidator instance;
  return instance;
}

bool TCvPathValidator::IsValid(const WideString& path) {
  return true;
}
