#include "settings/clsParamUpdate.h"

#include <cmath>
#include <functional>
#include <string_view>
#include <vector>

#include "base/Handles.h"
#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "settings/NumberText.h"
#include "settings/RuntimeRandom.h"
#include "settings/Win32API.h"

namespace kv {
namespace {

constexpr wchar_t kKey[] = L"Software\\Kestrova\\Varonel";
constexpr wchar_t kSection[] = L"PARAM";
constexpr wchar_t kOldProductKey[] = L"Software\\Kestrova\\Kanvolo For WindowsNT";

constexpr REGSAM kReadAccess = 0x19;   // query values, enumerate sub-keys, notify
constexpr REGSAM kWriteAccess = 0x3F;  // every key right but the standard ones
constexpr std::size_t kMaxValueCharacters = 255;

// The machine's HKLM\Software is redirected for a 32-bit program on 64-bit Windows; every build
// uses the 32-bit view there, the one the deliverable has always used. The user's hive is shared.
REGSAM View(HKEY root) { return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0; }

// The character's value in the ANSI code page, a double-byte character as one 16-bit signed
// number (lead byte high, so negative).
std::int32_t AnsiCode(wchar_t c) {
  const std::string bytes = ToAnsi(std::wstring_view(&c, 1));
  if (bytes.size() == 1) return static_cast<unsigned char>(bytes[0]);
  if (bytes.size() >= 2) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const auto trail = static_cast<unsigned char>(bytes[1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((lead << 8) | trail));
  }
  return 0;
}

std::int32_t ScrambleSeed(const std::wstring& strSeed) {
  std::int64_t sum = 0;
  for (wchar_t c : strSeed) {
    sum += AnsiCode(c);
    if (sum < INT32_MIN || sum > INT32_MAX) Raise(err::Overflow);
  }
  return static_cast<std::int32_t>(sum);
}

// direction +1 encodes, -1 decodes. Characters outside 32 to 126 pass unchanged and draw nothing,
// so the rest of the text keeps its shifts.
std::wstring Scramble(const std::wstring& strPassword, const std::wstring& strSeed, std::int32_t direction) {
  RuntimeRandom random;
  random.Rnd(-1.0f);
  random.Randomize(static_cast<double>(ScrambleSeed(strSeed)));
  std::wstring answer;
  answer.reserve(strPassword.size());
  for (wchar_t c : strPassword) {
    std::int32_t k = AnsiCode(c);
    if (k < 32 || k > 126) {
      answer += c;
      continue;
    }
    // r * 95 is exact in a double; lrint rounds halves to the even integer.
    const auto s = static_cast<std::int32_t>(std::lrint(static_cast<double>(random.Rnd()) * 95.0));
    k += direction * s;
    if (k > 126) k -= 95;
    if (k < 32) k += 95;
    answer += static_cast<wchar_t>(k);
  }
  return answer;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& find, const std::wstring& with) {
  if (find.empty()) return text;
  for (auto at = text.find(find); at != std::wstring::npos; at = text.find(find, at + with.size())) {
    text.replace(at, find.size(), with);
  }
  return text;
}

template <class Enumerate>
std::vector<std::wstring> ListNames(HKEY root, const std::wstring& key, Enumerate enumerate) {
  std::vector<std::wstring> names;
  UniqueRegKey opened;
  if (RegOpenKeyExA(root, ToAnsi(key).c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    char name[257] = {};
    DWORD size = sizeof(name);
    if (enumerate(opened.get(), index, name, &size) != ERROR_SUCCESS) break;
    names.push_back(FromAnsi(std::string_view(name, size)));
  }
  return names;
}

std::vector<std::wstring> SubKeyNames(HKEY root, const std::wstring& key) {
  return ListNames(root, key, [](HKEY h, DWORD i, char* name, DWORD* size) {
    return RegEnumKeyExA(h, i, name, size, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key) {
  return ListNames(root, key, [](HKEY h, DWORD i, char* name, DWORD* size) {
    return RegEnumValueA(h, i, name, size, nullptr, nullptr, nullptr, nullptr);
  });
}

// The names are listed before anything is deleted, so deleting does not shift the enumeration.
void DeleteSubKeys(const std::wstring& key, const std::function<bool(const std::wstring&)>& selected) {
  for (const auto& name : SubKeyNames(HKEY_CURRENT_USER, key)) {
    if (selected(name)) RegDeleteKeyA(HKEY_CURRENT_USER, ToAnsi(key + L"\\" + name).c_str());
  }
}

}  // namespace

clsParamUpdate::clsParamUpdate() {
  // Before Windows 6 (or when the version is unknown) the user counts as an administrator.
  if (const auto version = CurrentHost().Version(); version && version->major >= 6) {
    flgAdmin_ = CurrentHost().IsUserAnAdmin();
  }
  GetValue();
}

std::wstring clsParamUpdate::RegReadValue(HKEY root, const std::wstring& key, const std::wstring& section,
                                          const std::wstring& valueName, const std::wstring& defaultValue) const {
  return RegReadAnsiText(root, key + L"\\" + section, kReadAccess | View(root), valueName, defaultValue);
}

bool clsParamUpdate::RegWriteValue(HKEY root, const std::wstring& key, const std::wstring& section,
                                   const std::wstring& valueName, const std::wstring& value) {
  if (root == HKEY_LOCAL_MACHINE && !flgAdmin_) return true;
  UniqueRegKey created;
  char emptyClass[] = "";
  DWORD disposition = 0;
  if (RegCreateKeyExA(root, ToAnsi(key + L"\\" + section).c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                      kWriteAccess | View(root), nullptr, created.put(), &disposition) != ERROR_SUCCESS) {
    return false;
  }
  std::string data = ToAnsi(value.substr(0, kMaxValueCharacters));
  data.push_back('\0');
  return RegSetValueExA(created.get(), ToAnsi(valueName).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

std::wstring clsParamUpdate::CollapsePathMacros(const std::wstring& path) {
  std::wstring s = ReplaceAll(path, CurrentHost().ProgramFolder(), L"%APP_PATH%");
  s = ReplaceAll(s, GetUserDataFolder(), L"%USER_APP_DATA%");
  return ReplaceAll(s, GetAllUserDataFolder(), L"%ALL_APP_DATA%");
}

std::wstring clsParamUpdate::ExpandPathMacros(const std::wstring& path) {
  std::wstring s = ReplaceAll(path, L"%APP_PATH%", CurrentHost().ProgramFolder());
  s = ReplaceAll(s, L"%USER_APP_DATA%", GetUserDataFolder());
  return ReplaceAll(s, L"%ALL_APP_DATA%", GetAllUserDataFolder());
}

void clsParamUpdate::ReadDBValues(HKEY root, bool keepCurrent) {
  const auto read = [&](const wchar_t* name, const std::wstring& tableDefault) {
    return RegReadValue(root, kKey, kSection, name, tableDefault);
  };
  const auto readText = [&](const wchar_t* name, std::wstring& field, const std::wstring& tableDefault) {
    SkipOnError([&] { field = read(name, keepCurrent ? field : tableDefault); });
  };
  SkipOnError([&] { dbDriver_ = TextToInteger(read(L"DB_DRIVER", keepCurrent ? std::to_wstring(dbDriver_) : L"1")); });
  readText(L"DB_USER", dbUser_, L"");
  readText(L"DB_PASSWORD", dbPassword_, L"");
  readText(L"DB_SERVER", dbServer_, L"");
  readText(L"DB_DATABASE", dbDataBase_, L"MOSURI");
  SkipOnError([&] {
    dbPath_ = ExpandPathMacros(read(L"DB_PATH", keepCurrent ? dbPath_ : GetUserDataFolder() + L"\\mosuri.mdb"));
  });
  readText(L"DB_INSTANCE", dbInstance_, L"");
  readText(L"DB_PORT", dbPort_, L"");
  readText(L"DB_OPTION", dbOption_, L"");
}

void clsParamUpdate::GetValue() {
  SkipOnError([&] { strDllVersion_ = RegReadValue(HKEY_CURRENT_USER, kKey, kSection, L"DLL_VERSION", L"3.1.430"); });
  ReadDBValues(HKEY_CURRENT_USER, false);
  // A value present in the machine's hive, even an empty one, wins.
  ReadDBValues(HKEY_LOCAL_MACHINE, true);
  SkipOnError([&] { dbPassword_ = DecodePassword(dbPassword_, dbUser_); });
}

void clsParamUpdate::WriteDBValues(HKEY root) {
  const auto write = [&](const wchar_t* name, const std::function<std::wstring()>& value) {
    SkipOnError([&] { RegWriteValue(root, kKey, kSection, name, value()); });
  };
  write(L"DB_DRIVER", [&] { return std::to_wstring(dbDriver_); });
  write(L"DB_USER", [&] { return dbUser_; });
  write(L"DB_PASSWORD", [&] { return EncodePassword(dbPassword_, dbUser_); });
  write(L"DB_SERVER", [&] { return dbServer_; });
  write(L"DB_DATABASE", [&] { return dbDataBase_; });
  write(L"DB_PATH", [&] { return CollapsePathMacros(dbPath_); });
  write(L"DB_INSTANCE", [&] { return dbInstance_; });
  write(L"DB_PORT", [&] { return dbPort_; });
  write(L"DB_OPTION", [&] { return dbOption_; });
}

void clsParamUpdate::SetValue() {
  WriteDBValues(HKEY_CURRENT_USER);
  if (flgAdmin_) WriteDBValues(HKEY_LOCAL_MACHINE);
}

std::wstring clsParamUpdate::EncodePassword(const std::wstring& strPassword, const std::wstring& strSeed) {
  return Scramble(strPassword, strSeed, +1);
}

std::wstring clsParamUpdate::DecodePassword(const std::wstring& strPassword, const std::wstring& strSeed) {
  return Scramble(strPassword, strSeed, -1);
}

bool clsParamUpdate::RegSetValueString(const std::wstring& strProduct, const std::wstring& strKey,
                                       const std::wstring& strValName, const std::wstring& varValue) {
  return RegWriteValue(HKEY_CURRENT_USER, strProduct, strKey, strValName, varValue);
}

std::wstring clsParamUpdate::RegGetValueString(const std::wstring& strProduct, const std::wstring& strKey,
                                               const std::wstring& strValName, const std::wstring& varDefault) const {
  return RegReadValue(HKEY_CURRENT_USER, strProduct, strKey, strValName, varDefault);
}

bool clsParamUpdate::RegRemoveOldProduct() {
  DeleteSubKeys(kOldProductKey, [](const std::wstring&) { return true; });
  RegDeleteKeyA(HKEY_CURRENT_USER, ToAnsi(kOldProductKey).c_str());
  return false;
}

bool clsParamUpdate::RegCopyOldProduct() {
  const auto sections = SubKeyNames(HKEY_CURRENT_USER, kOldProductKey);
  for (const auto& section : sections) {
    for (const auto& name : ValueNames(HKEY_CURRENT_USER, std::wstring(kOldProductKey) + L"\\" + section)) {
      RegSetValueString(kKey, section, name, RegGetValueString(kOldProductKey, section, name, L""));
    }
  }
  return !sections.empty();
}

bool clsParamUpdate::RegClearAllKeys() {
  DeleteSubKeys(kKey, [](const std::wstring&) { return true; });
  RegDeleteKeyA(HKEY_CURRENT_USER, ToAnsi(kKey).c_str());
  return false;
}

bool clsParamUpdate::RegClearFormKeys() {
  DeleteSubKeys(kKey, [](const std::wstring& name) {
    return StartsWith(name, L"FRM_") || StartsWith(name, L"TOOLBAR_") || StartsWith(name, L"WINDOW");
  });
  return true;
}

}  // namespace kv
