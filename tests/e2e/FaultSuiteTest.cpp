// The fault suite: one table of whole runs, each road's cases (FaultSuite.h). Each case puts its
// fault in place, runs the update with the case's script (the message read by the answering
// program, its screenshot kept), checks that nothing is left half done, takes the fault away and
// runs a clean update.
#include <gtest/gtest.h>

#include "FaultSuite.h"
#include "base/Text.h"

namespace kvtest {

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

namespace {

std::vector<FaultCase> AllCases() {
  std::vector<FaultCase> cases = InternetFaultCases();
  for (auto& c : ServerFaultCases()) cases.push_back(std::move(c));
  return cases;
}

class FaultSuite : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultSuite, EndsInItsMessageAndLeavesNothingHalfDone) {
  const FaultCase& c = GetParam();
  const std::unique_ptr<FaultGround> ground = c.ground();
  ASSERT_TRUE(ground);
  if (HasFatalFailure()) return;
  if (c.fault) c.fault(*ground);
  if (!ground->cannotRun.empty()) GTEST_SKIP() << ground->cannotRun;
  ASSERT_FALSE(HasFatalFailure());

  const WholeRunResult result = ground->RunUpdate(c.script);
  EXPECT_TRUE(result.Ok()) << result.transcript;
  EXPECT_LT(result.exitCode, 0xC0000000u) << "the program crashed";

  ground->ExpectNothingHalfDone();
  if (c.mend) c.mend(*ground);
  ground->ExpectCleanRunCompletes();
}

std::string CaseName(const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Roads, FaultSuite, ::testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace kvtest
