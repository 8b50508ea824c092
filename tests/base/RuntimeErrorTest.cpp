#include <gtest/gtest.h>

#include "base/ProcessExit.h"
#include "base/RuntimeError.h"
#include "base/SkipOnError.h"

namespace {

TEST(RuntimeError, WindowsErrorsBecomeTheFileFailureNumbers) {
  struct Case {
    DWORD code;
    std::int32_t number;
  } cases[] = {{ERROR_FILE_NOT_FOUND, 53}, {ERROR_PATH_NOT_FOUND, 76}, {ERROR_ACCESS_DENIED, 75},
               {ERROR_SHARING_VIOLATION, 75}, {ERROR_INVALID_NAME, 52}, {ERROR_NOT_READY, 71}};
  for (const auto& c : cases) {
    const auto e = kv::RuntimeError::FromWin32(c.code);
    EXPECT_EQ(e.Number(), c.number) << c.code;
    EXPECT_EQ(e.Description(), kv::ErrorText(c.number));
    EXPECT_FALSE(e.Description().empty());
  }
}

TEST(RuntimeError, ComponentFailuresKeepTheirNumber) {
  const auto e = kv::RuntimeError::FromHresult(E_ACCESSDENIED);
  EXPECT_EQ(e.Number(), static_cast<std::int32_t>(E_ACCESSDENIED));
  EXPECT_FALSE(e.Description().empty());
  EXPECT_EQ(kv::RuntimeError::FromHresult(E_FAIL, L"own text").Description(), L"own text");
}

TEST(SkipOnError, SwallowsOnlyTheRuntimeErrorOfOneStatement) {
  int after = 0;
  const auto failed = kv::SkipOnError([] { kv::Raise(kv::err::FileNotFound); });
  after = 1;
  ASSERT_TRUE(failed.has_value());
  EXPECT_EQ(failed->Number(), 53);
  EXPECT_EQ(after, 1);

  EXPECT_FALSE(kv::SkipOnError([] {}).has_value());
  EXPECT_THROW(kv::SkipOnError([] { throw std::logic_error("not ours"); }), std::logic_error);
}

struct Ended {
  unsigned code;
};

TEST(ProcessExit, TestsInterceptTheEndOfTheProcess) {
  kv::ScopedEndProcessHandler intercept([](unsigned code) { throw Ended{code}; });
  try {
    kv::EndProcess(3);
    FAIL() << "EndProcess returned";
  } catch (const Ended& e) {
    EXPECT_EQ(e.code, 3u);
  }
}

}  // namespace
