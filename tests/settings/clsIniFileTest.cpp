#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "base/Text.h"
#include "settings/SettingsFixtures.h"
#include "settings/clsIniFile.h"

namespace {

using kv::clsIniFile;
using kvtest::ScopedIniFiles;

std::wstring ProgramFiles() {
  wchar_t value[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"ProgramFiles", value, MAX_PATH);
  return value;
}

std::wstring Section(std::wstring_view lines) { return L"[VersionControl]\r\n" + std::wstring(lines); }

clsIniFile Read() {
  clsIniFile ini;
  ini.ReadBuffer();
  return ini;
}

TEST(clsIniFile, StartsEmpty) {
  clsIniFile ini;
  EXPECT_EQ(ini.CommonFolder(), L"");
  EXPECT_EQ(ini.VersionFileName(), L"");
  EXPECT_EQ(ini.TimeOut(), 0);
}

TEST(clsIniFile, NoFileAnywhereGivesEveryDefault) {
  ScopedIniFiles files(L"KanvoloUpdate.ini");
  const auto ini = Read();
  EXPECT_EQ(ini.CommonFolder(), L"\\\\VARONELSV\\バロネル\\");
  EXPECT_EQ(ini.VersionFileName(), L"Version.xml");
  EXPECT_EQ(ini.ErrorFileName(), L"KanvoloUpdate.err");
  EXPECT_EQ(ini.ExecFileName(), L"Kanvolo.exe");
  EXPECT_EQ(ini.VoiceUpdateFile(), L"VoiceUpdate.xml");
  EXPECT_EQ(ini.UpdateURL(), L"https://update.kestrova.co.jp/update/v5/");
  EXPECT_EQ(ini.UpdateURL2(), L"http://update.kestrova.co.jp/update/v5/");
  EXPECT_EQ(ini.UpdateURL3(), L"https://update2.kestrova.co.jp/update/v5/");
  EXPECT_EQ(ini.Proxy(), L"");
  EXPECT_EQ(ini.User(), L"");
  EXPECT_EQ(ini.Password(), L"");
  EXPECT_EQ(ini.WebUpdate(), ProgramFiles() + L"\\バロネルWEBツール\\Sornet.exe");
  EXPECT_EQ(ini.TimeOut(), 300);
}

TEST(clsIniFile, ValuesAsTheProfileFunctionsDeliverThem) {
  ScopedIniFiles files(L"KanvoloUpdate.ini");
  using Getter = std::function<std::wstring(const clsIniFile&)>;
  const Getter exec = &clsIniFile::ExecFileName;
  const Getter folder = &clsIniFile::CommonFolder;
  const Getter voice = &clsIniFile::VoiceUpdateFile;
  struct Case {
    const char* what;
    std::wstring file;
    Getter get;
    std::wstring expected;
  } cases[] = {
      {"missing section", L"[Other]\r\nExecFileName=Other.exe\r\n", exec, L"Kanvolo.exe"},
      {"missing key", Section(L"Proxy=p\r\n"), exec, L"Kanvolo.exe"},
      {"empty value", Section(L"ExecFileName=\r\n"), exec, L""},
      {"quoted value", Section(L"ExecFileName=\" My App.exe \"\r\n"), exec, L" My App.exe "},
      {"blanks around", Section(L"ExecFileName =  本体.exe  \r\n"), exec, L"本体.exe"},
      {"folder gets its backslash", Section(L"CommonFolder=D:\\更新\r\n"), folder, L"D:\\更新\\"},
      {"folder keeps its backslash", Section(L"CommonFolder=\\\\srv\\share\\\r\n"), folder, L"\\\\srv\\share\\"},
      {"empty folder stays empty", Section(L"CommonFolder=\r\n"), folder, L""},
      {"key spelled as stored", Section(L"VoiceUpdeteFile=V2.xml\r\nVoiceUpdateFile=wrong.xml\r\n"), voice,
       L"V2.xml"},
  };
  for (const auto& c : cases) {
    files.WriteUser(c.file);
    EXPECT_EQ(c.get(Read()), c.expected) << c.what;
  }
}

TEST(clsIniFile, TimeOutTakesOnlyDigitsThatFitSixteenBits) {
  ScopedIniFiles files(L"KanvoloUpdate.ini");
  struct Case {
    const wchar_t* line;
    std::int16_t timeOut;
  } cases[] = {
      {L"TimeOut=0", 0},       {L"TimeOut=0060", 60},   {L"TimeOut= 45 ", 45},    {L"TimeOut=32767", 32767},
      {L"TimeOut=", 300},      {L"TimeOut=abc", 300},   {L"TimeOut=70000", 300},  {L"TimeOut=32768", 300},
      {L"TimeOut=-5", 300},    {L"TimeOut=+5", 300},    {L"TimeOut=1 2", 300},    {L"TimeOut=1.5", 300},
      {L"Proxy=x", 300},
  };
  for (const auto& c : cases) {
    files.WriteUser(Section(std::wstring(c.line) + L"\r\nUser=after\r\n"));
    const auto ini = Read();
    EXPECT_EQ(ini.TimeOut(), c.timeOut) << kv::ToUtf8(c.line);
    EXPECT_EQ(ini.User(), L"after");
  }
}

TEST(clsIniFile, LongValuesAreCutAt1023Bytes) {
  ScopedIniFiles files(L"KanvoloUpdate.ini");
  const std::wstring exact(1023, L'x');
  files.WriteUser(Section(L"Proxy=" + exact + L"\r\nUser=" + exact + L"yz\r\n"));
  const auto ini = Read();
  EXPECT_EQ(ini.Proxy(), exact);
  EXPECT_EQ(ini.User(), exact);
}

TEST(clsIniFile, WindowsFolderCopyIsReadOnlyWithoutAPerUserFile) {
  ScopedIniFiles files(L"KanvoloUpdate.ini");
  files.WriteWindows(Section(L"ExecFileName=Windows.exe\r\nProxy=proxy:8080\r\n"));
  EXPECT_EQ(Read().ExecFileName(), L"Windows.exe");

  // A per-user file, even one without the key, hides the Windows folder's.
  files.WriteUser(Section(L"Proxy=user-proxy\r\n"));
  const auto ini = Read();
  EXPECT_EQ(ini.ExecFileName(), L"Kanvolo.exe");
  EXPECT_EQ(ini.Proxy(), L"user-proxy");
}

TEST(clsIniFile, WriteBufferStoresExactlyFiveKeysInThePerUserFile) {
  ScopedIniFiles files(L"KanvoloUpdate.ini");
  files.WriteWindows(Section(
      L"CommonFolder=E:\\Update\r\nVersionFileName=V.xml\r\nErrorFileName=E.err\r\nExecFileName=本体.exe\r\n"
      L"VoiceUpdeteFile=Voice.xml\r\nUpdateURL=https://w/\r\nUpdateURL2=http://w/\r\nUpdateURL3=https://w3/\r\n"
      L"Proxy=px\r\nUser=u\r\nPassword=p\r\nWebUpdate=C:\\W.exe\r\nTimeOut=60\r\n"));
  auto ini = Read();
  ini.SetUpdateURL(L"https://replaced/");
  EXPECT_EQ(ini.WriteBuffer(), 0);

  EXPECT_EQ(kvtest::SectionKeys(files.UserPath(), L"VersionControl"),
            L"CommonFolder,VersionFileName,ErrorFileName,ExecFileName,VoiceUpdeteFile");
  const auto next = Read();
  EXPECT_EQ(next.CommonFolder(), L"E:\\Update\\");
  EXPECT_EQ(next.VersionFileName(), L"V.xml");
  EXPECT_EQ(next.ErrorFileName(), L"E.err");
  EXPECT_EQ(next.ExecFileName(), L"本体.exe");
  EXPECT_EQ(next.VoiceUpdateFile(), L"Voice.xml");
  EXPECT_EQ(next.UpdateURL(), L"https://update.kestrova.co.jp/update/v5/");
  EXPECT_EQ(next.Proxy(), L"");
  EXPECT_EQ(next.TimeOut(), 300);
}

}  // namespace
