#include <gtest/gtest.h>

#include <optional>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/NumberText.h"

namespace {

TEST(TextToInteger, Table) {
  struct Case {
    const wchar_t* text;
    std::int32_t value;  // or the failure number when failure is set
    bool failure;
  } cases[] = {
      {L"1", 1, false},       {L"007", 7, false},      {L" 2 ", 2, false},     {L"-32768", -32768, false},
      {L"32767", 32767, false}, {L"+4", 4, false},     {L"2.5", 2, false},     {L"3.5", 4, false},
      {L"-0.5", 0, false},    {L"32768", 6, true},     {L"70000", 6, true},    {L"99999999999999999999", 6, true},
      {L"32767.5", 6, true},  {L"", 13, true},         {L" ", 13, true},       {L"abc", 13, true},
      {L"1 2", 13, true},     {L".", 13, true},        {L"1,5", 13, true},
  };
  for (const auto& c : cases) {
    std::optional<std::int32_t> number;
    std::int32_t value = 0;
    try {
      value = kv::TextToInteger(c.text);
    } catch (const kv::RuntimeError& e) {
      number = e.Number();
    }
    if (c.failure) {
      EXPECT_EQ(number, c.value) << kv::ToUtf8(c.text);
    } else {
      EXPECT_FALSE(number) << kv::ToUtf8(c.text);
      EXPECT_EQ(value, c.value) << kv::ToUtf8(c.text);
    }
  }
}

}  // namespace
