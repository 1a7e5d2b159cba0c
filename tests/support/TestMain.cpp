// Entry of every test executable. A wrong Wine locale silently gives code page 1252,
// which would make every Japanese test meaningless: refuse to run instead.
#include "platform/rtl/Threads.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  // No error boxes from the system while tests run headless.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // As the program entry: extended precision for the tests' float arithmetic and text.
  SetExtendedFpuPrecision();
  if (GetACP() != 932) {
    std::fprintf(stderr, "The ANSI code page is %u, not 932: run the tests with LANG=ja_JP.UTF-8 "
                 "(scripts/test.sh does).\n", GetACP());
    return 3;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
