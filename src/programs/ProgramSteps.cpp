#include "ProgramSteps.h"

namespace {

// The maintenance modes are not part of the programs yet: a run with their switches does nothing
// and ends like a finished maintenance run.
void MakeVersionControl(bool makeCab) {}
void RegistAllFiles(bool regist, bool remove) {}

}  // namespace

kv::UpdateSteps ProgramSteps() {
  kv::UpdateSteps steps = kv::RealUpdateSteps();
  steps.MakeVersionControl = MakeVersionControl;
  steps.RegistAllFiles = RegistAllFiles;
  return steps;
}
