#include "versioncontrol/clsVersionControl.h"

namespace kv {

clsVersionControl::clsVersionControl() { SetIgnoreCheck(false); }

void clsVersionControl::SetUseVersionTable(std::int16_t Value) {
  if (Value <= kMaxVersionTable) useVersionTable_ = Value;
}

std::int32_t clsVersionControl::ReadControl(const std::wstring& strVersionControlFileName, const std::wstring& strUser,
                                            const std::wstring& strPassword, bool flgRemovePPK) {
  return ReadVersionControl(strVersionControlFileName, strUser, strPassword, flgRemovePPK, {-1, -1, -1});
}

std::int32_t clsVersionControl::WriteControl(const std::wstring& strVersionControlFileName) {
  return WriteVersionControl(strVersionControlFileName);
}

bool clsVersionControl::CheckVersionTable(const std::wstring& strProgramName, const std::wstring& strVersion,
                                          const std::wstring& strCabFileName) const {
  if (ignoreCheck_) return false;
  const VersionTableEntry* entry = FindFirstEntry(strProgramName);
  return entry && entry->VersionText == strVersion &&
         (strCabFileName.empty() || entry->CabFileName == strCabFileName);
}

}  // namespace kv
