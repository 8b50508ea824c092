#include "driver/submain.h"
#include "settings/Win32API.h"

namespace kv {
namespace {

constexpr wchar_t kKey[] = L"Software\\Kestrova\\Varonel";
constexpr wchar_t kSection[] = L"PARAM";
constexpr REGSAM kAccess = 0x3F;  // every key right but the standard ones

}  // namespace

std::wstring GetHospitalQuery() {
  const std::wstring code = GetUserRegString(kKey, kSection, L"HOSPITAL_CODE", L"0");
  const std::wstring name = GetUserRegString(kKey, kSection, L"BYOIN_NAME", L"");
  // Not URL-encoded: the update host reads the name as it is sent.
  return L"?ID=" + code + L"&NAME=" + name;
}

std::wstring GetUserRegString(const std::wstring& keyPath, const std::wstring& section, const std::wstring& valueName,
                              const std::wstring& defaultValue) {
  return RegReadAnsiText(HKEY_CURRENT_USER, keyPath + L"\\" + section, kAccess, valueName, defaultValue);
}

}  // namespace kv
