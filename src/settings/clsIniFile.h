#pragma once
// The updater INI "KanvoloUpdate.ini", section "VersionControl", in memory. Setting a property
// changes only the object; WriteBuffer stores five of them.
#include <cstdint>
#include <string>

namespace kv {

class clsIniFile {
 public:
  const std::wstring& CommonFolder() const { return commonFolder_; }
  void SetCommonFolder(const std::wstring& value) { commonFolder_ = value; }
  const std::wstring& VersionFileName() const { return versionFileName_; }
  void SetVersionFileName(const std::wstring& value) { versionFileName_ = value; }
  const std::wstring& ErrorFileName() const { return errorFileName_; }
  void SetErrorFileName(const std::wstring& value) { errorFileName_ = value; }
  const std::wstring& ExecFileName() const { return execFileName_; }
  void SetExecFileName(const std::wstring& value) { execFileName_ = value; }
  const std::wstring& VoiceUpdateFile() const { return voiceUpdateFile_; }
  void SetVoiceUpdateFile(const std::wstring& value) { voiceUpdateFile_ = value; }
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
  const std::wstring& WebUpdate() const { return webUpdate_; }
  void SetWebUpdate(const std::wstring& value) { webUpdate_ = value; }
  std::int16_t TimeOut() const { return timeOut_; }
  void SetTimeOut(std::int16_t value) { timeOut_ = value; }

  // Every key from the file, its default when missing. A key whose read fails keeps its value and
  // the others are still read. Reads the per-user file, else the one in the Windows folder.
  void ReadBuffer();
  // "CommonFolder", "VersionFileName", "ErrorFileName", "ExecFileName" and "VoiceUpdeteFile" into
  // the per-user file, created when missing. Always 0.
  std::int16_t WriteBuffer();

 private:
  std::wstring ReadIniValue(const std::wstring& section, const std::wstring& key,
                            const std::wstring& defaultValue) const;
  void WriteIniValue(const std::wstring& section, const std::wstring& key, const std::wstring& value) const;

  std::wstring commonFolder_;
  std::wstring versionFileName_;
  std::wstring errorFileName_;
  std::wstring execFileName_;
  std::wstring voiceUpdateFile_;
  std::wstring updateURL_;
  std::wstring updateURL2_;
  std::wstring updateURL3_;
  std::wstring proxy_;
  std::wstring user_;
  std::wstring password_;
  std::wstring webUpdate_;
  std::int16_t timeOut_ = 0;
};

}  // namespace kv
