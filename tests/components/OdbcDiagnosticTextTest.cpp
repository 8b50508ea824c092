// The text of a driver's diagnostic: ANSI (code page 932) as the drivers give it, or the host's
// UTF-8 that the PostgreSQL driver's client library uses for its own messages under Wine.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "components/Odbc.h"

namespace {

TEST(OdbcDiagnosticText, AnsiUnlessTheBytesAreUtf8BeyondAscii) {
  const std::wstring japanese = L"サーバーへの接続に失敗しました: ﾀｲﾑｱｳﾄ";
  const struct {
    const char* what;
    std::string bytes;
    std::wstring text;
  } cases[] = {
      {"ASCII", "could not connect to server: Connection refused", L"could not connect to server: Connection refused"},
      {"code page 932", kv::ToAnsi(japanese), japanese},
      {"UTF-8", kv::ToUtf8(japanese), japanese},
      {"empty", "", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kv::odbc::DiagnosticText(c.bytes), c.text) << c.what;
  }
}

}  // namespace
