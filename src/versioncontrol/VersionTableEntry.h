#pragma once
// The records of a version control: one program file, one program file of the web tool, one
// entry of the update history.
#include <cstdint>
#include <string>

namespace kv {

struct VersionTableEntry {
  std::wstring ProgramName;
  std::wstring VersionText;  // "yyyy/mm/dd hh:nn:ss", compared as text only
  std::int32_t FileSize = 0;
  std::int16_t RegistType = 0;
  std::wstring FolderName;   // below the install folder, no trailing "\"
  std::wstring CabFileName;  // empty: ProgramName + ".cab"
  std::int32_t CabFileSize = 0;
  std::wstring MD5;          // empty: no digest to check
  bool FileChange = false;   // installed in this run; never written to a file
};

struct WebVersionTableEntry {
  std::wstring ProgramName;
  std::wstring VersionText;
  std::int32_t FileSize = 0;
  std::wstring FolderName;
  std::wstring Tools;
  std::wstring CabFileName;
  std::int32_t CabFileSize = 0;
  std::wstring MD5;
};

struct InfoTableEntry {
  std::wstring InfoID;
  std::int16_t InfoType = 0;
  std::wstring InfoHiduke;
  std::wstring InfoVersion;
  std::wstring InfoVerGroup;
  std::wstring InfoTitle;
};

}  // namespace kv
