#include <gtest/gtest.h>

#include "base/Text.h"
#include "components/PackageFixtures.h"
#include "launcher/Pelorin.h"

namespace {

namespace p = kvtest::packages;
using p::Fixture;

TEST(GetMsiProductCode, ReadsTheCodeOrAnswersEmpty) {
  struct Case {
    const wchar_t* package;
    const wchar_t* code;
  } cases[] = {
      {p::kPackageA, p::kCodeA},
      {p::kPackageB, p::kCodeB},
      {p::kNoProductCode, L""},
      {p::kNotAPackage, L""},
      {L"Missing.msi", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kv::launcher::GetMsiProductCode(Fixture(c.package)), c.code) << kv::ToUtf8(c.package);
  }
}

TEST(GetMsiProperty, AnswersTheValueOrEmpty) {
  auto database = kv::WindowsInstaller::Installer().OpenDatabase(Fixture(p::kPackageA), 0);
  struct Case {
    const wchar_t* property;
    std::wstring value;
  } cases[] = {
      {L"ProductName", L"KvSetupA"},
      {L"KV_LONG", p::LongValue()},
      {L"NoSuchProperty", L""},
      {L"Product'Code", L""},  // inserted as given: the query breaks
      {L"NoSuch' OR Property='ProductName", L"KvSetupA"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kv::launcher::GetMsiProperty(database, c.property), c.value) << kv::ToUtf8(c.property);
  }
}

}  // namespace
