#pragma once
// One version control of the product: the program files of a source or of the install folder,
// with the update history; read from and written to its XML file.
#include <cstdint>
#include <string>

#include "base/ProcessStarter.h"
#include "versioncontrol/VersionControlModel.h"

namespace kv {

class clsVersionControl : public VersionControlModel<VersionTableEntry> {
 public:
  clsVersionControl();
  // Registration tools are started through processes (tests pass one that only records).
  explicit clsVersionControl(const ProcessStarter& processes);

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

  // Installs the uncompressed file from strSouceFolder into strDestFolder + FolderName: the file
  // in place is unregistered, replaced (never the update program's own executable) and the file
  // then in place registered. 0 done; -1 for an index outside 1 to 3000; else the failure (53
  // when the source file is missing, 75 for a name that would leave its folder).
  std::int32_t CopyAndRegist(std::int16_t intIndex, const std::wstring& strSouceFolder,
                             const std::wstring& strDestFolder);
  // As CopyAndRegist, the file coming from its cabinet in strSouceFolder, extracted there. A
  // program file that is itself a cabinet is also copied into the per-user data folder. -1 with a
  // text when the cabinet is missing or cannot be extracted (the file in place is then registered
  // again).
  std::int32_t CabExtractAndRegist(std::int16_t intIndex, const std::wstring& strSouceFolder,
                                   const std::wstring& strDestFolder);
  // Extracts the entry's cabinet in strSouceFolder into that folder. 0 done; -1 when the cabinet
  // is missing or cannot be extracted, or for an index outside 1 to 3000.
  std::int32_t ExpandFile(std::int16_t intIndex, const std::wstring& strSouceFolder);
  // Registers (flgRegist True) or unregisters the file strDestFolder + ProgramName by its
  // registration type, with pauses of 500 ms around each tool. 0 also when the file is not there
  // or its type registers nothing; -1 for an index outside 1 to 3000; else the failure (a tool
  // that cannot be started). What the tools answer is not looked at.
  std::int32_t RegistFile(std::int16_t intIndex, const std::wstring& strDestFolder, bool flgRegist);

 private:
  // Runs the command line and waits for its end: 0, or -1 when the process cannot be opened for
  // waiting. A command that cannot be started raises.
  std::int16_t ExecWait(const std::wstring& commandLine);

  const ProcessStarter* processes_;
};

}  // namespace kv
