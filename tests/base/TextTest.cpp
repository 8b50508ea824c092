#include <gtest/gtest.h>
#include <windows.h>

#include "base/Text.h"

namespace {

TEST(CodePage, WineRunsWithTheJapaneseAnsiCodePage) {
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(GetOEMCP(), 932u);
}

TEST(Text, AnsiRoundTripKeepsDoubleByteCharacters) {
  // "表" is 0x95 0x5C in CP932: its second byte is a backslash.
  const std::wstring text = L"バロネル\\表ﾊﾞﾛﾈﾙ";
  const std::string bytes = kv::ToAnsi(text);
  EXPECT_EQ(bytes, std::string("\x83\x6f\x83\x8d\x83\x6c\x83\x8b\x5c\x95\x5c\xca\xde\xdb\xc8\xd9"));
  EXPECT_EQ(kv::FromAnsi(bytes), text);
  EXPECT_EQ(kv::AnsiLength(text), 16u);
}

TEST(Text, Utf8RoundTrip) {
  const std::wstring text = L"操作ログ";
  EXPECT_EQ(kv::FromUtf8(kv::ToUtf8(text)), text);
}

// The exact conversions refuse what the plain ones would turn into a look-alike or a "?".
TEST(Text, ExactConversionsRefuseWhatTheyCannotHold) {
  const struct {
    const wchar_t* text;
    bool fits;
  } ansi[] = {{L"", true}, {L"予約受付.dll", true}, {L"ﾊﾞﾛﾈﾙ＼①", true},
              {L"café", false}, {L"..¥evil.txt", false}, {L"한국", false}};
  for (const auto& c : ansi) {
    const auto bytes = kv::ToAnsiExact(c.text);
    EXPECT_EQ(bytes.has_value(), c.fits) << kv::ToUtf8(c.text);
    if (bytes) {
      EXPECT_EQ(*bytes, kv::ToAnsi(c.text)) << kv::ToUtf8(c.text);
    }
  }
  EXPECT_EQ(kv::FromUtf8Exact("\xe4\xba\x88\xe7\xb4\x84"), std::optional<std::wstring>(L"予約"));
  EXPECT_EQ(kv::FromUtf8Exact(""), std::optional<std::wstring>(L""));
  EXPECT_EQ(kv::FromUtf8Exact("\x97\x5c"), std::nullopt);  // CP932 "予" is no UTF-8
}

TEST(Text, TrimRemovesOnlyBlanks) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {{L"", L""}, {L"   ", L""}, {L"  a b ", L"a b"}, {L"\ta\t", L"\ta\t"}, {L"\u3000a", L"\u3000a"}};
  for (const auto& c : cases) EXPECT_EQ(kv::Trim(c.in), c.out) << c.in;
}

TEST(Text, CaseMapping) {
  EXPECT_EQ(kv::UCase(L"/inet kanvolo.exe"), L"/INET KANVOLO.EXE");
  EXPECT_EQ(kv::LCase(L"Kanvolo.CAB"), L"kanvolo.cab");
}

TEST(Text, FullWidthJoinsVoicedMarks) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"", L""},
      {L"ﾊﾞﾛﾈﾙ", L"バロネル"},
      {L"ﾊﾞﾛﾈﾙ ｱｯﾌﾟﾃﾞｰﾄ", L"バロネル　アップデート"},
      {L"Kanvolo 1.0", L"Ｋａｎｖｏｌｏ　１．０"},
      {L"バロネル予約", L"バロネル予約"},
  };
  for (const auto& c : cases) EXPECT_EQ(kv::ToFullWidth(c.in), c.out) << kv::ToUtf8(c.in);
}

TEST(Text, HexUpperHasNoLeadingZerosAndNegativesAsTwosComplement) {
  EXPECT_EQ(kv::HexUpper(76), L"4C");
  EXPECT_EQ(kv::HexUpper(0), L"0");
  EXPECT_EQ(kv::HexUpper(-1), L"FFFFFFFF");
  EXPECT_EQ(kv::HexUpper(static_cast<std::int32_t>(0x80004005)), L"80004005");
}

}  // namespace
