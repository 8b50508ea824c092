#pragma once
// The installer INI "Install.ini", section "Install", beside the program: where the product is
// installed. Only read; setting a property changes only the object.
#include <cstdint>
#include <string>

namespace kv {

class clsInstallIniFile {
 public:
  const std::wstring& InstallType() const { return installType_; }
  void SetInstallType(const std::wstring& value) { installType_ = value; }
  // Ends with "\" unless the file holds an empty value.
  const std::wstring& InstallFolder() const { return installFolder_; }
  void SetInstallFolder(const std::wstring& value) { installFolder_ = value; }

  // "Type" and "InstallFolder" (default: the program folder and "\") from the file beside the
  // program, else from the one in the Windows folder. A failure is raised.
  void ReadBuffer();
  // Writes nothing; always 0.
  std::int16_t WriteBuffer();

 private:
  std::wstring ReadIniValue(const std::wstring& section, const std::wstring& key,
                            const std::wstring& defaultValue) const;
  void WriteIniValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) const;

  std::wstring installType_;
  std::wstring installFolder_;
};

}  // namespace kv
