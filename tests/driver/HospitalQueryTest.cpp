// The hospital query from the current user's registry values.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Text.h"
#include "driver/submain.h"
#include "settings/SettingsFixtures.h"

namespace {

using kvtest::ScopedProductKeys;

constexpr wchar_t kParam[] = L"Software\\Kestrova\\Varonel\\PARAM";

TEST(GetHospitalQuery, CodeAndNameAsStored) {
  struct Case {
    const char* what;
    std::optional<std::wstring> code, name;
    std::wstring query;
  } cases[] = {
      {"no values", std::nullopt, std::nullopt, L"?ID=0&NAME="},
      {"empty values", L"", L"", L"?ID=&NAME="},
      {"Japanese name with & and blanks, not encoded", L"1234", L"山田 病院&クリニック ",
       L"?ID=1234&NAME=山田 病院&クリニック "},
      {"255 bytes kept", std::wstring(255, L'A'), L"病院", L"?ID=" + std::wstring(255, L'A') + L"&NAME=病院"},
      {"256 bytes do not fit", std::wstring(256, L'A'), L"病院", L"?ID=0&NAME=病院"},
      {"a name of 256 bytes (128 double-byte characters)", L"7", std::wstring(128, L'院'), L"?ID=7&NAME="},
      {"a name of 254 bytes", L"7", std::wstring(127, L'院'), L"?ID=7&NAME=" + std::wstring(127, L'院')},
  };
  for (const auto& c : cases) {
    ScopedProductKeys keys;
    if (c.code) ScopedProductKeys::Put(HKEY_CURRENT_USER, kParam, L"HOSPITAL_CODE", *c.code);
    if (c.name) ScopedProductKeys::Put(HKEY_CURRENT_USER, kParam, L"BYOIN_NAME", *c.name);
    EXPECT_EQ(kv::GetHospitalQuery(), c.query) << c.what;
  }
}

TEST(GetUserRegString, DefaultWhenKeyOrValueIsMissing) {
  ScopedProductKeys keys;
  EXPECT_EQ(kv::GetUserRegString(L"Software\\Kestrova\\Varonel", L"PARAM", L"HOSPITAL_CODE", L"0"), L"0");
  ScopedProductKeys::Put(HKEY_CURRENT_USER, kParam, L"OTHER", L"x");
  EXPECT_EQ(kv::GetUserRegString(L"Software\\Kestrova\\Varonel", L"PARAM", L"HOSPITAL_CODE", L"dflt"), L"dflt");
  EXPECT_EQ(kv::GetUserRegString(L"Software\\Kestrova\\Varonel", L"PARAM", L"OTHER", L"dflt"), L"x");
  EXPECT_EQ(kv::GetUserRegString(L"Software\\Kestrova\\Nothing", L"PARAM", L"OTHER", L"dflt"), L"dflt");
}

}  // namespace
