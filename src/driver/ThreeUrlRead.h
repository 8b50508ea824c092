#pragma once
// The read of a version control from the first of three base URLs that delivers a valid one,
// shared by the internet source, the background check and the web tool's checks.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/SkipOnError.h"
#include "dialogs/UpdateLogs.h"

namespace kv {

// Boot-log labels of the three attempts; each is followed directly by the whole URL.
struct UrlReadLabels {
  std::wstring first, second, third;
};
inline const UrlReadLabels kProductXmlLabels{L"Download XML ", L"Download XML (2nd) ", L"Download XML (3rd) "};
inline const UrlReadLabels kWebXmlLabels{L"Get Web XML ", L"Get Web XML (2nd) ", L"Get Web XML (3rd) "};

// Tries base & fileName & query for each base in turn, once each, without pause; the query is
// asked for afresh wherever it is used. Answers which base delivered (1 to 3), 0 for none; the
// reader holds what its last read left, its error fields those of the third attempt.
template <class Reader>
int ReadFromThreeUrls(Reader& reader, const std::array<std::wstring, 3>& bases, const std::wstring& fileName,
                      const std::function<std::wstring()>& query, const std::wstring& user,
                      const std::wstring& password, const UrlReadLabels& labels) {
  const std::array<const std::wstring*, 3> label{&labels.first, &labels.second, &labels.third};
  for (int k = 0; k < 3; ++k) {
    SkipOnError([&] { WriteBootLog(*label[k] + bases[k] + fileName + query()); });
    std::int32_t r = -1;
    SkipOnError([&] { r = reader.ReadControl(bases[k] + fileName + query(), user, password, false); });
    if (r == 0) return k + 1;
  }
  return 0;
}

// The product's read with the updater INI's settings into objVersionControl: a second or third
// base that delivers becomes objIniFile.UpdateURL (in memory only). Answers as above.
int ReadProductVersionControl(const std::wstring& query);

}  // namespace kv
