#pragma once
// The setup packages that fixtures/make_packages.py makes into the suite's fixture folder
// (KV_FIXTURE_DIR of the suite that includes this).
#include <string>

namespace kvtest::packages {

inline constexpr wchar_t kCodeA[] = L"{6F1C2D3E-4A5B-4C6D-8E7F-9A0B1C2D3E4F}";
inline constexpr wchar_t kCodeB[] = L"{B2C3D4E5-F607-4819-A2B3-C4D5E6F70819}";

inline constexpr wchar_t kPackageA[] = L"KvSetupA.msi";
inline constexpr wchar_t kPackageB[] = L"KvSetupB.msi";
inline constexpr wchar_t kNoProductCode[] = L"NoProductCode.msi";  // A without its ProductCode row
inline constexpr wchar_t kNotAPackage[] = L"NotAPackage.msi";      // a text file

// What A installs, below the 32-bit Program Files folder.
inline constexpr wchar_t kInstalledFileA[] = L"KvSetupA\\readme.txt";

// A's property KV_LONG: "0000" "0001" ... "0749".
inline std::wstring LongValue() {
  std::wstring value;
  for (int i = 0; i < 750; ++i) {
    wchar_t part[8];
    swprintf(part, 8, L"%04d", i);
    value += part;
  }
  return value;
}

#ifdef KV_FIXTURE_DIR
inline std::wstring Fixture(const wchar_t* name) { return std::wstring(KV_FIXTURE_DIR) + L"\\" + name; }
#endif

}  // namespace kvtest::packages
