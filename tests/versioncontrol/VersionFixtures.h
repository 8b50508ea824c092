#pragma once
// The version control files written by fixtures/make_version_controls.py at build time.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kvtest {

inline std::wstring VersionFixture(const wchar_t* name) {
  return std::wstring(KV_FIXTURE_DIR) + L"\\versions\\" + name;
}

// The reader's texts for its refusals.
inline const std::wstring kNoCheck = L"コントロールファイルの証明書がありません。";
inline const std::wstring kDamaged = L"コントロールファイルが破損しています。";
inline const std::wstring kCannotLoad = L"バージョンコントロールを読み込めません。";
inline const std::wstring kCannotDownload = L"バージョンコントロールをダウンロードできません。";

// A fixture read into a new object: the result, the error fields and the file count afterwards.
struct ReadCase {
  const wchar_t* file;
  std::int32_t result;
  std::wstring description;
  std::int16_t files;
};

template <class VersionControl>
void ExpectRead(const ReadCase& c) {
  VersionControl vc;
  const std::string name = kv::ToUtf8(c.file);
  EXPECT_EQ(vc.ReadControl(VersionFixture(c.file), L"", L""), c.result) << name;
  // A success leaves the number as it was (0 on a new object).
  EXPECT_EQ(vc.LastErrorNumber(), c.result) << name;
  EXPECT_EQ(vc.LastErrorDescription(), c.description) << name;
  EXPECT_EQ(vc.UseVersionTable(), c.files) << name;
}

}  // namespace kvtest
