#include <gtest/gtest.h>

#include "base/Text.h"
#include "settings/RuntimeRandom.h"
#include "settings/clsParamUpdate.h"

namespace {

using kv::clsParamUpdate;
using kv::RuntimeRandom;

TEST(RuntimeRandom, UnseededSequenceIsTheRuntimes) {
  // The runtime's well-known first numbers without any seeding.
  RuntimeRandom random;
  const float expected[] = {0.7055475f, 0.5334240f, 0.5795186f, 0.2895625f, 0.3019480f};
  for (float e : expected) EXPECT_NEAR(random.Rnd(), e, 1e-7f);
}

TEST(RuntimeRandom, NegativeArgumentRestartsFromItsSingleBits) {
  RuntimeRandom random;
  random.Rnd();
  // -1.0f is 0xBF800000: state 0x800000 + 0xBF, then one draw; 0.224007 is the runtime's Rnd(-1).
  EXPECT_EQ(random.Rnd(-1.0f), 0x395886 / 16777216.0f);
  EXPECT_NEAR(random.Rnd(-1.0f), 0.2240070f, 1e-7f);
  EXPECT_EQ(random.State(), 0x395886u);
  EXPECT_EQ(random.Rnd(0.0f), 0x395886 / 16777216.0f);  // zero repeats, draws nothing
  EXPECT_EQ(random.State(), 0x395886u);
  EXPECT_EQ(random.Rnd(-2.5f), 0x569C83 / 16777216.0f);  // 0xC0200000: 0x200000 + 0xC0, one draw
  EXPECT_EQ(random.State(), 0x569C83u);
}

TEST(RuntimeRandom, RandomizeMixesTheHighWordOfTheDoubleAndKeepsTheLowByte) {
  struct Case {
    double seed;
    std::uint32_t state;  // after Rnd(-1) (state 0x395886) and Randomize(seed)
  } cases[] = {
      {0.0, 0x000086},       // no bits: only the low byte stays
      {212.0, 0xC06A86},     // high word 0x406A8000: 0x8000 ^ 0x406A = 0xC06A
      {1.0, 0x3FF086},       // 0x3FF00000
      {-128623.0, 0xA60F86}  // 0xC0FF66F0: 0x66F0 ^ 0xC0FF = 0xA60F
  };
  for (const auto& c : cases) {
    RuntimeRandom random;
    random.Rnd(-1.0f);
    random.Randomize(c.seed);
    EXPECT_EQ(random.State(), c.state) << c.seed;
  }
}

// Taken once from an independent re-statement of the generator and the scrambling in Python with
// exact fractions (not from this code). By hand for "password" with the empty seed: the state
// 0x86 draws 0x553531 (s = round(0.33284 * 95) = 32, "p" 112 + 32 - 95 = 49 "1"), then 0x520330
// (s = 30, "a" 97 + 30 - 95 = 32 " "), then 0x165533 (s = 8, "s" 115 + 8 = 123 "{").
struct Vector {
  const wchar_t* password;
  const wchar_t* seed;
  const wchar_t* scrambled;
};
const Vector kVectors[] = {
    {L"password", L"", L"1 {G$l/L"},
    {L"password", L"sa", L"'otGawd'"},
    {L"Abc123!~ ", L"admin", L"W>uF8CaWe"},
    {L"mosuri", L"MOSURI", L":-o@f/"},
    {L"~~~~", L"x", L"ShJ9"},
    {L"P@ss word", L"ユーザー", L"sX\"]1Sht]"},  // double-byte seed characters count negative
    {L"a\tあｱb", L"sa", L"w\tあｱp"},
    {L"", L"sa", L""},
};

TEST(PasswordScrambling, EncodesAsTheStoredPasswordsWere) {
  for (const auto& v : kVectors) {
    EXPECT_EQ(clsParamUpdate::EncodePassword(v.password, v.seed), v.scrambled) << kv::ToUtf8(v.password);
    EXPECT_EQ(clsParamUpdate::DecodePassword(v.scrambled, v.seed), v.password) << kv::ToUtf8(v.scrambled);
  }
}

TEST(PasswordScrambling, CharactersOutside32To126PassAndDrawNothing) {
  // The shifts of "a" and "b" are the first two draws whatever lies between them.
  const std::wstring plain = clsParamUpdate::EncodePassword(L"ab", L"sa");
  for (const std::wstring middle : {L"\t", L"あ", L"ｱ", L"漢字\x7F", L"\x1F"}) {
    const auto encoded = clsParamUpdate::EncodePassword(L"a" + middle + L"b", L"sa");
    EXPECT_EQ(encoded, plain.substr(0, 1) + middle + plain.substr(1)) << kv::ToUtf8(middle);
  }
}

TEST(PasswordScrambling, StaysPrintableAndNeedsTheSameSeed) {
  std::wstring all;
  for (wchar_t c = 32; c <= 126; ++c) all += c;
  const auto encoded = clsParamUpdate::EncodePassword(all, L"db_user");
  ASSERT_EQ(encoded.size(), all.size());
  for (wchar_t c : encoded) EXPECT_TRUE(c >= 32 && c <= 126) << static_cast<int>(c);
  EXPECT_EQ(clsParamUpdate::DecodePassword(encoded, L"db_user"), all);
  EXPECT_NE(clsParamUpdate::DecodePassword(encoded, L"db_usex"), all);
}

}  // namespace
