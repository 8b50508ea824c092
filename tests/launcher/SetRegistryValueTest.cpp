#include <gtest/gtest.h>

#include "base/Text.h"
#include "launcher/Pelorin.h"
#include "support/RegistryFixtures.h"

namespace {

using kv::launcher::RegistryData;
using kv::launcher::SetRegistryValue;

// A key of this test process's own below HKCU, removed afterwards.
class TestKey {
 public:
  TestKey() : path_(L"Software\\KvLauncherTest\\" + std::to_wstring(GetCurrentProcessId())) {}
  ~TestKey() { kvtest::DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\KvLauncherTest"); }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

TEST(SetRegistryValue, WritesTextsAndNumbersAndNothingElse) {
  TestKey key;
  struct Case {
    const char* what;
    DWORD type;
    RegistryData value;
    bool written;
    DWORD storedType;
    std::string storedData;  // with the terminating NUL for texts
  } cases[] = {
      {"text in CP932", REG_SZ, std::wstring(L"バロネル"), true, REG_SZ, std::string("\x83o\x83\x8D\x83l\x83\x8B", 8) + '\0'},
      {"empty text", REG_SZ, std::wstring(), true, REG_SZ, std::string(1, '\0')},
      {"number", REG_DWORD, std::int32_t{2}, true, REG_DWORD, std::string("\x02\0\0\0", 4)},
      {"negative number", REG_DWORD, std::int32_t{-1}, true, REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4)},
      {"multi-string type", REG_MULTI_SZ, std::wstring(L"a"), false, 0, {}},
      {"text for a number", REG_DWORD, std::wstring(L"2"), false, 0, {}},
  };
  for (const auto& c : cases) {
    const std::wstring name = kv::FromAnsi(c.what);
    EXPECT_EQ(SetRegistryValue(HKEY_CURRENT_USER, key.path(), name, c.type, c.value), c.written) << c.what;
    const auto stored = kvtest::ReadRegistryValue(HKEY_CURRENT_USER, key.path(), name);
    if (!c.written) {
      EXPECT_FALSE(stored.has_value()) << c.what;
      continue;
    }
    ASSERT_TRUE(stored.has_value()) << c.what;
    EXPECT_EQ(stored->type, c.storedType) << c.what;
    EXPECT_EQ(stored->data, c.storedData) << c.what;
  }
}

TEST(SetRegistryValue, KeyThatCannotBeCreatedWritesNothing) {
  TestKey key;
  kvtest::CreateVolatileKey(HKEY_CURRENT_USER, key.path());
  const std::wstring below = key.path() + L"\\Lasting";
  EXPECT_FALSE(SetRegistryValue(HKEY_CURRENT_USER, below, L"SecureRepairPolicy", REG_DWORD, 2));
  EXPECT_FALSE(kvtest::RegistryKeyExists(HKEY_CURRENT_USER, below));
}

}  // namespace
