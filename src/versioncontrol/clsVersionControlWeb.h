#pragma once
// The web tool's version control: the same file with a tools text in place of the registration
// type, read here only to learn whether the web tool has updates.
#include <cstdint>
#include <string>

#include "versioncontrol/VersionControlModel.h"

namespace kv {

class clsVersionControlWeb : public VersionControlModel<WebVersionTableEntry> {
 public:
  clsVersionControlWeb();

  // Any value is stored; an operation that then runs past entry 3000 fails with 9.
  void SetUseVersionTable(std::int16_t Value) { useVersionTable_ = Value; }

  std::wstring Tools(std::int16_t Index) const { return Get(Index, &WebVersionTableEntry::Tools); }
  void SetTools(std::int16_t Index, const std::wstring& strVal) { Set(Index, &WebVersionTableEntry::Tools, strVal); }

  // As the product's reader, with refusals of their own: -1 no nodes, -2 a damaged file list,
  // -3 no check digest. flgRemovePPK is accepted and ignored.
  std::int32_t ReadControl(const std::wstring& strVersionControlFileName, const std::wstring& strUser,
                           const std::wstring& strPassword, bool flgRemovePPK = false);
  std::int32_t WriteControl(const std::wstring& strVersionControlFileName);

  // True when the file of the first entry named so has the same last-write time, to the second,
  // in both folders; any failure answers False.
  bool CheckVersion(const std::wstring& strSourceFolder, const std::wstring& strDestFolder,
                    const std::wstring& strProgramName, const std::wstring& strVersion) const;
  // True when the first entry named strProgramName has exactly this version and tools text.
  bool CheckVersionTable(const std::wstring& strProgramName, const std::wstring& strVersion,
                         const std::wstring& strTools) const;

  // Copies the file from strSouceFolder into strDestFolder + FolderName, as the product's class
  // does, registering nothing; the source must be a normal file (not hidden, system or a folder).
  std::int32_t CopyAndRegist(std::int16_t intIndex, const std::wstring& strSouceFolder,
                             const std::wstring& strDestFolder);
  // Extracts ProgramName + ".cab" in strSouceFolder there and gives the file normal attributes.
  // 0 also when the cabinet is missing; -1 when it cannot be extracted.
  std::int32_t ExpandFile(std::int16_t intIndex, const std::wstring& strSouceFolder);
  // Extracts ProgramName + ".cab" in strSouceFolder there and moves the file into strDestFolder
  // (created with its missing levels; FolderName is not used). -1 with a text when the cabinet is
  // missing or cannot be extracted, or for an index outside 1 to 3000.
  std::int32_t CabExtractAndCopy(std::int16_t intIndex, const std::wstring& strSouceFolder,
                                 const std::wstring& strDestFolder);
};

}  // namespace kv
