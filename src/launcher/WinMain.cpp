// Entry of Pelorin.exe: hands control to the launcher's Main, which ends the process.
#include <windows.h>

#include "base/Handles.h"
#include "launcher/Pelorin.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The shell start may hand the verb to a COM-based handler.
  const kv::ComApartment com;
  kv::launcher::Main();
}
