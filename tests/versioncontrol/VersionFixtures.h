#pragma once
// The version control files written by fixtures/make_version_controls.py at build time.
#include <string>

#include "base/RuntimeError.h"

namespace kvtest {

inline std::wstring VersionFixture(const wchar_t* name) {
  return std::wstring(KV_FIXTURE_DIR) + L"\\versions\\" + name;
}

// The reader's texts for its refusals.
inline const std::wstring kNoCheck = L"コントロールファイルの証明書がありません。";
inline const std::wstring kDamaged = L"コントロールファイルが破損しています。";
inline const std::wstring kCannotLoad = L"バージョンコントロールを読み込めません。";
inline const std::wstring kCannotDownload = L"バージョンコントロールをダウンロードできません。";

}  // namespace kvtest
