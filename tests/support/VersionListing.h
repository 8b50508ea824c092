#pragma once
// A version control file for a test, written by the program's own writer (header only: for the
// suites that link the version control library).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Text.h"
#include "versioncontrol/clsVersionControl.h"

namespace kvtest {

struct ListedFile {
  ListedFile(std::wstring name, std::int16_t registType = 0, std::wstring cabinet = {}, std::wstring version = {},
             std::wstring md5 = {}, std::int32_t cabinetSize = 0)
      : name(std::move(name)), registType(registType), cabinet(std::move(cabinet)), version(std::move(version)),
        md5(std::move(md5)), cabinetSize(cabinetSize) {}
  std::wstring name;
  std::int16_t registType = 0;
  std::wstring cabinet;
  std::wstring version;
  std::wstring md5;
  std::int32_t cabinetSize = 0;
};

// Writes a version control listing files (in this order) through the program's own writer.
inline void WriteListing(const std::wstring& path, const std::vector<ListedFile>& files) {
  kv::clsVersionControl control;
  control.SetUseVersionTable(static_cast<std::int16_t>(files.size()));
  for (std::size_t k = 0; k < files.size(); ++k) {
    const auto i = static_cast<std::int16_t>(k + 1);
    control.SetProgramName(i, files[k].name);
    control.SetRegistType(i, files[k].registType);
    control.SetCabFileName(i, files[k].cabinet);
    control.SetVersionText(i, files[k].version);
    control.SetMD5(i, files[k].md5);
    control.SetCabFileSize(i, files[k].cabinetSize);
  }
  ASSERT_EQ(control.WriteControl(path), 0) << kv::ToUtf8(path);
}

}  // namespace kvtest
