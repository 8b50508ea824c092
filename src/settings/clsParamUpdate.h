#pragma once
// The database connection settings in the registry key "Software\Kestrova\Varonel\PARAM" of the
// current user and of the machine; a value in the machine's hive wins. The password is held in
// clear text here and stored scrambled.
#include <windows.h>

#include <cstdint>
#include <string>

namespace kv {

class clsParamUpdate {
 public:
  // Takes the administrator answer (Windows 6 and later; True on older or unknown versions) and
  // reads the settings.
  clsParamUpdate();

  void SetInstanceOrder(std::int16_t value) { instanceOrder_ = value; }
  void SetDBDriver(std::int16_t value) { dbDriver_ = value; }
  std::int16_t DBDriver() const { return dbDriver_; }
  void SetDBUser(const std::wstring& value) { dbUser_ = value; }
  const std::wstring& DBUser() const { return dbUser_; }
  void SetDBPassword(const std::wstring& value) { dbPassword_ = value; }
  const std::wstring& DBPassword() const { return dbPassword_; }
  void SetDBServer(const std::wstring& value) { dbServer_ = value; }
  const std::wstring& DBServer() const { return dbServer_; }
  void SetDBdataBase(const std::wstring& value) { dbDataBase_ = value; }
  const std::wstring& DBdataBase() const { return dbDataBase_; }
  void SetDBPath(const std::wstring& value) { dbPath_ = value; }
  const std::wstring& DBPath() const { return dbPath_; }
  void SetDBInstance(const std::wstring& value) { dbInstance_ = value; }
  const std::wstring& DBInstance() const { return dbInstance_; }
  void SetDBPort(const std::wstring& value) { dbPort_ = value; }
  const std::wstring& DBPort() const { return dbPort_; }
  void SetDBOption(const std::wstring& value) { dbOption_ = value; }
  const std::wstring& DBOption() const { return dbOption_; }

  // Reads every value, the user's hive first, then the machine's over it: a value missing from the
  // user's hive takes its default, one missing from the machine's keeps the user's, and one that
  // cannot be converted leaves its setting as it was.
  void GetValue();
  // Stores the nine "DB_" values into the user's hive and, for an administrator, the machine's.
  void SetValue();

  // The password scrambling keyed by strSeed (the database user name). Only characters of code 32
  // to 126 change, and they stay within that range.
  static std::wstring EncodePassword(const std::wstring& strPassword, const std::wstring& strSeed);
  static std::wstring DecodePassword(const std::wstring& strPassword, const std::wstring& strSeed);

  // One value under HKEY_CURRENT_USER\strProduct\strKey.
  bool RegSetValueString(const std::wstring& strProduct, const std::wstring& strKey, const std::wstring& strValName,
                         const std::wstring& varValue);
  std::wstring RegGetValueString(const std::wstring& strProduct, const std::wstring& strKey,
                                 const std::wstring& strValName, const std::wstring& varDefault) const;

  // Clean-up of older settings of the current user.
  bool RegRemoveOldProduct();
  bool RegCopyOldProduct();
  bool RegClearAllKeys();
  bool RegClearFormKeys();

 private:
  bool RegWriteValue(HKEY root, const std::wstring& key, const std::wstring& section, const std::wstring& valueName,
                     const std::wstring& value);
  std::wstring RegReadValue(HKEY root, const std::wstring& key, const std::wstring& section,
                            const std::wstring& valueName, const std::wstring& defaultValue) const;
  static std::wstring CollapsePathMacros(const std::wstring& path);
  static std::wstring ExpandPathMacros(const std::wstring& path);

  // keepCurrent: each setting's current value is the default (the machine's hive over the user's).
  void ReadDBValues(HKEY root, bool keepCurrent);
  void WriteDBValues(HKEY root);

  std::int16_t instanceOrder_ = 0;
  std::int16_t dbDriver_ = 0;
  std::wstring dbUser_;
  std::wstring dbPassword_;
  std::wstring dbServer_;
  std::wstring dbDataBase_;
  std::wstring dbPath_;
  std::wstring dbInstance_;
  std::wstring dbPort_;
  std::wstring dbOption_;
  std::wstring strDllVersion_;
  bool flgAdmin_ = true;
};

}  // namespace kv
