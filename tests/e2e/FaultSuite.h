#pragma once
// The fault suite: whole runs of the real program with one fault in place each, every one ending in
// a clear message (read by the answering program, its screenshot kept), then checked for nothing
// left half done, then run again with the fault taken away.
//
// One table of cases (FaultSuiteTest.cpp) made of each road's cases. A road brings its own
// FaultGround: its PC or PCs, the install folder with the release before the update, a canary file
// outside the install folder, and the road's source (update host, update database).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "WholeRun.h"

namespace kvtest {

class FaultGround {
 public:
  virtual ~FaultGround() = default;

  // The update with the fault in place, its dialogs answered by the case's script.
  virtual WholeRunResult RunUpdate(const std::vector<std::wstring>& script) = 0;
  // The installed version controls (install folder and its Update folder) are unchanged or list
  // exactly the files on disk (size and digest computed outside the project), no file outside the
  // install folder changed, the update database holds no row for a file that was not installed, and
  // the stand-in main program still starts from the install folder.
  virtual void ExpectNothingHalfDone() = 0;
  // With the fault taken away, a clean update completes.
  virtual void ExpectCleanRunCompletes() = 0;

  // Set by a case's fault when it cannot be put in place on this machine (the case is skipped).
  std::string cannotRun;
};

struct FaultCase {
  std::string name;                                      // test name (letters, digits, '_')
  std::function<std::unique_ptr<FaultGround>()> ground;  // the road's ground
  std::function<void(FaultGround&)> fault;               // puts the fault in place
  std::function<void(FaultGround&)> mend;                // takes it away again (may be empty)
  std::vector<std::wstring> script;                      // answers of the faulty run, its message read
  bool endsInSuccess = false;                            // the run completes despite the oddity
};

std::vector<FaultCase> InternetFaultCases();  // FaultCasesInternet.cpp
std::vector<FaultCase> ServerFaultCases();    // FaultCasesServer.cpp

}  // namespace kvtest
