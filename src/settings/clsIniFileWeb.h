#pragma once
// The web tool's INI "Sornet.ini", section "VersionControl", in memory; this program only reads
// it. Setting a property changes only the object.
#include <cstdint>
#include <string>

namespace kv {

class clsIniFileWeb {
 public:
  const std::wstring& WebFolder() const { return webFolder_; }
  void SetWebFolder(const std::wstring& value) { webFolder_ = value; }
  const std::wstring& DownloadFolder() const { return downloadFolder_; }
  void SetDownloadFolder(const std::wstring& value) { downloadFolder_ = value; }
  const std::wstring& UploadFolder() const { return uploadFolder_; }
  void SetUploadFolder(const std::wstring& value) { uploadFolder_ = value; }
  const std::wstring& WebSettingFile() const { return webSettingFile_; }
  void SetWebSettingFile(const std::wstring& value) { webSettingFile_ = value; }
  const std::wstring& VersionFileName() const { return versionFileName_; }
  void SetVersionFileName(const std::wstring& value) { versionFileName_ = value; }
  const std::wstring& ErrorFileName() const { return errorFileName_; }
  void SetErrorFileName(const std::wstring& value) { errorFileName_ = value; }
  const std::wstring& ProgramKey() const { return programKey_; }
  void SetProgramKey(const std::wstring& value) { programKey_ = value; }
  const std::wstring& UpdateURL() const { return updateURL_; }
  void SetUpdateURL(const std::wstring& value) { updateURL_ = value; }
  const std::wstring& UpdateURL2() const { return updateURL2_; }
  void SetUpdateURL2(const std::wstring& value) { updateURL2_ = value; }
  const std::wstring& UpdateURL3() const { return updateURL3_; }
  void SetUpdateURL3(const std::wstring& value) { updateURL3_ = value; }
  const std::wstring& Proxy() const { return proxy_; }
  void SetProxy(const std::wstring& value) { proxy_ = value; }
  const std::wstring& User() const { return user_; }
  void SetUser(const std::wstring& value) { user_ = value; }
  const std::wstring& Password() const { return password_; }
  void SetPassword(const std::wstring& value) { password_ = value; }
  std::int16_t TimeOut() const { return timeOut_; }
  void SetTimeOut(std::int16_t value) { timeOut_ = value; }

  // Every key, its default when missing, from the per-user file, else the one in the Windows
  // folder. The first failure ends the read and is raised (a "TimeOut" above 32767 leaves 300).
  void ReadBuffer();
  // "WebFolder", "DownLoadFolder", "VersionFileName" and "ProgramKey" into the per-user file.
  // Always 0.
  std::int16_t WriteBuffer();
  // The per-user file exists, or else a "Sornet.ini" in the current directory.
  bool IniFileExist() const;
  // The per-user file exists.
  bool ExistIniFile() const;

 private:
  std::wstring ReadIniValue(const std::wstring& section, const std::wstring& key,
                            const std::wstring& defaultValue) const;
  void WriteIniValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) const;

  std::wstring webFolder_;
  std::wstring downloadFolder_;
  std::wstring uploadFolder_;
  std::wstring webSettingFile_;
  std::wstring versionFileName_;
  std::wstring errorFileName_;
  std::wstring programKey_;
  std::wstring updateURL_;
  std::wstring updateURL2_;
  std::wstring updateURL3_;
  std::wstring proxy_;
  std::wstring user_;
  std::wstring password_;
  std::int16_t timeOut_ = 0;
};

}  // namespace kv
