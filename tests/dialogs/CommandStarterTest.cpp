// The real starter of the pages' command lines, with a helper program in place of the browser.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/Text.h"
#include "dialogs/CommandStarter.h"
#include "support/TempDir.h"

namespace {

TEST(SystemCommandStarter, StartsTheCommandLineAsItIsWithoutAShell) {
  kvtest::TempDir dir;
  const std::wstring record = dir / L"args.log";
  SetEnvironmentVariableW(L"KV_RECORD_FILE", record.c_str());
  // A shell would end the command at "&" and run the rest as a second one.
  const std::wstring arguments = L"url.dll,FileProtocolHandler https://example.invalid/BugList.asp?ID=12&NAME=病院";
  const bool started =
      kv::SystemCommandStarter().Start(L"\"" + kvtest::TestProgramFolder() + L"\\kv_recordargs.exe\" " + arguments);
  SetEnvironmentVariableW(L"KV_RECORD_FILE", nullptr);
  ASSERT_TRUE(started);
  std::string recorded;
  for (int i = 0; i < 400 && recorded.empty(); ++i) {  // not waited for: the program records when it runs
    Sleep(50);
    recorded = kvtest::ReadBytes(record);
  }
  EXPECT_EQ(kv::FromUtf8(recorded), arguments + L"\r\n");
}

TEST(SystemCommandStarter, MissingProgramAnswersFalse) {
  EXPECT_FALSE(kv::SystemCommandStarter().Start(L"kv-no-such-program.exe https://example.invalid/"));
}

}  // namespace
