#include "ProgramSteps.h"

#include "maintenance/MakeVersionControl.h"
#include "maintenance/RegistAllFiles.h"

namespace {

// The maintenance modes; the run ignores their results.
void MakeVersionControl(bool makeCab) { kv::MakeVersionControl(makeCab); }
void RegistAllFiles(bool regist, bool remove) { kv::RegistAllFiles(regist, remove); }

}  // namespace

kv::UpdateSteps ProgramSteps() {
  kv::UpdateSteps steps = kv::RealUpdateSteps();
  steps.MakeVersionControl = MakeVersionControl;
  steps.RegistAllFiles = RegistAllFiles;
  return steps;
}
