#pragma once
// One version control of the product: the program files of a source or of the install folder,
// with the update history; read from and written to its XML file.
#include <cstdint>
#include <string>

#include "versioncontrol/VersionControlModel.h"

namespace kv {

class clsVersionControl : public VersionControlModel<VersionTableEntry> {
 public:
  clsVersionControl();

  // A value above 3000 is ignored; a negative one is stored and leaves no entry to look at.
  void SetUseVersionTable(std::int16_t Value);

  std::int16_t RegistType(std::int16_t Index) const { return Get(Index, &VersionTableEntry::RegistType); }
  void SetRegistType(std::int16_t Index, std::int16_t intVal) { Set(Index, &VersionTableEntry::RegistType, intVal); }
  bool FileChange(std::int16_t Index) const { return Get(Index, &VersionTableEntry::FileChange); }
  void SetFileChange(std::int16_t Index, bool flgVal) { Set(Index, &VersionTableEntry::FileChange, flgVal); }

  // A path, or an "http" URL (user and password sent when the trimmed user is not empty). 0 read
  // and verified; -1 no nodes, no check digest or a damaged file list; else the failure number.
  std::int32_t ReadControl(const std::wstring& strVersionControlFileName, const std::wstring& strUser,
                           const std::wstring& strPassword, bool flgRemovePPK = false);
  // Sorts the file table by name, then writes the file; 0 or the failure number.
  std::int32_t WriteControl(const std::wstring& strVersionControlFileName);

  // True when the first entry named strProgramName (exactly) has this version and, when one is
  // given, this cabinet. False for every file while IgnoreCheck is set.
  bool CheckVersionTable(const std::wstring& strProgramName, const std::wstring& strVersion,
                         const std::wstring& strCabFileName) const;
};

}  // namespace kv
