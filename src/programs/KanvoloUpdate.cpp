// Entry of the update program (both names): the whole run is Main's.
#include <windows.h>
#include <objbase.h>

#include "ProgramSteps.h"
#include "driver/submain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The forms, MSXML and the shell want a single-threaded apartment on the one thread of the run.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  kv::Main(ProgramSteps());
}
