#include <gtest/gtest.h>

#include "base/Host.h"

namespace {

TEST(Host, CommandLineLeavesOutTheProgramTokenAndTheBlanksAfterIt) {
  struct Case {
    const wchar_t* full;
    const wchar_t* arguments;
  };
  const Case cases[] = {
      {L"KanvoloUpdate2.exe", L""},
      {L"KanvoloUpdate2.exe /inet /2", L"/inet /2"},
      {L"\"C:\\Program Files\\バロネル\\KanvoloUpdate2.exe\"   /ALL /2 ", L"/ALL /2 "},
      {L"\"C:\\a b\\x.exe\"/SETUP", L"/SETUP"},
      {L"C:\\x.exe\t Sub.exe", L"Sub.exe"},
      {L"\"C:\\unclosed quote /2", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(kv::CommandLineArguments(c.full), c.arguments) << c.full;
}

}  // namespace
