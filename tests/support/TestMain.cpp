// The main of every test program: COM on the test thread, and no error boxes from Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Handles.h"

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  kv::ComApartment com;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
