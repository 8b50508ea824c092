#include <gtest/gtest.h>

#include <functional>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/PackageFixtures.h"
#include "components/WindowsInstaller.h"

namespace {

using kvtest::packages::Fixture;
namespace msi = kv::WindowsInstaller;

std::wstring PropertyOf(const std::wstring& package, const std::wstring& property) {
  auto database = msi::Installer().OpenDatabase(package, 0);
  auto view = database.OpenView(L"SELECT Value FROM Property WHERE Property='" + property + L"'");
  view.Execute();
  return view.Fetch().StringData(1);
}

TEST(WindowsInstaller, ReadsPropertiesOfAnyLength) {
  namespace p = kvtest::packages;
  struct Case {
    const wchar_t* package;
    const wchar_t* property;
    std::wstring value;
  } cases[] = {
      {p::kPackageA, L"ProductCode", p::kCodeA},
      {p::kPackageB, L"ProductCode", p::kCodeB},
      {p::kPackageA, L"ProductName", L"KvSetupA"},
      {p::kPackageA, L"KV_LONG", p::LongValue()},
      {p::kNoProductCode, L"ProductName", L"KvSetupA"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PropertyOf(Fixture(c.package), c.property), c.value) << kv::ToUtf8(c.package) << " "
                                                                    << kv::ToUtf8(c.property);
  }
}

TEST(WindowsInstaller, CommitSucceedsOnAReadOnlyDatabase) {
  auto database = msi::Installer().OpenDatabase(Fixture(kvtest::packages::kPackageA), 0);
  EXPECT_NO_THROW(database.Commit());
  EXPECT_NO_THROW(database.Commit());
}

// Each failure keeps the installer's code and carries a text.
TEST(WindowsInstaller, FailuresCarryTheInstallersCode) {
  namespace p = kvtest::packages;
  struct Case {
    const char* what;
    std::function<void()> call;
    std::int32_t number;  // 0: any code
  } cases[] = {
      {"no record", [] { PropertyOf(Fixture(p::kNoProductCode), L"ProductCode"); }, ERROR_NO_MORE_ITEMS},
      {"bad query",
       [] { msi::Installer().OpenDatabase(Fixture(p::kPackageA), 0).OpenView(L"SELECT FROM WHERE"); },
       ERROR_BAD_QUERY_SYNTAX},
      {"not a package", [] { msi::Installer().OpenDatabase(Fixture(p::kNotAPackage), 0); }, 0},
      {"missing file", [] { msi::Installer().OpenDatabase(Fixture(L"Missing.msi"), 0); }, 0},
      {"unknown open mode", [] { msi::Installer().OpenDatabase(Fixture(p::kPackageA), 7); }, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << ": no failure";
    } catch (const kv::RuntimeError& e) {
      EXPECT_NE(e.Number(), 0) << c.what;
      if (c.number != 0) {
        EXPECT_EQ(e.Number(), c.number) << c.what;
      }
      EXPECT_FALSE(e.Description().empty()) << c.what;
    }
  }
}

}  // namespace
