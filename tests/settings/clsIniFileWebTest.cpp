#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "base/Host.h"
#include "base/RuntimeError.h"
#include "settings/Common.h"
#include "settings/SettingsFixtures.h"
#include "settings/clsIniFileWeb.h"
#include "support/FakeHost.h"
#include "support/TempDir.h"

namespace {

using kv::clsIniFileWeb;
using kvtest::ScopedIniFiles;

std::wstring Section(std::wstring_view lines) { return L"[VersionControl]\r\n" + std::wstring(lines); }

// A current directory of its own on the drive of %TEMP% (the program's own folder may lie on
// another drive), restored afterwards.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::wstring& folder) {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    SetCurrentDirectoryW(folder.c_str());
  }
  ~ScopedCurrentDirectory() { SetCurrentDirectoryW(previous_); }

 private:
  wchar_t previous_[MAX_PATH] = L"";
};

class clsIniFileWebTest : public ::testing::Test {
 protected:
  clsIniFileWebTest() : scoped_(host_), current_(dir_.path()) { host_.programFolder = L"C:\\更新プログラム"; }

  kvtest::FakeHost host_;
  kv::ScopedHost scoped_;
  kvtest::TempDir dir_;
  ScopedCurrentDirectory current_;
  ScopedIniFiles files_{L"Sornet.ini"};
};

TEST_F(clsIniFileWebTest, NoFileAnywhere) {
  clsIniFileWeb ini;
  EXPECT_FALSE(ini.IniFileExist());
  EXPECT_FALSE(ini.ExistIniFile());
  ini.ReadBuffer();
  EXPECT_EQ(ini.WebFolder(), L"\\InetPub\\wwwroot\\");
  EXPECT_EQ(ini.DownloadFolder(), L"C:\\更新プログラム\\Download\\");
  EXPECT_EQ(ini.UploadFolder(), L"C:\\更新プログラム\\Upload\\");
  EXPECT_EQ(ini.WebSettingFile(), L"C:\\WebSetting.xml");
  EXPECT_EQ(ini.VersionFileName(), L"Version.xml");
  EXPECT_EQ(ini.ErrorFileName(), L"WebUpdate.err");
  EXPECT_EQ(ini.ProgramKey(), L"");
  EXPECT_EQ(ini.UpdateURL(), L"https://update.kestrova.co.jp/update/webupdate/v5/");
  EXPECT_EQ(ini.UpdateURL2(), L"http://update.kestrova.co.jp/update/webupdate/v5/");
  EXPECT_EQ(ini.UpdateURL3(), L"https://update2.kestrova.co.jp/update/webupdate/v5/");
  EXPECT_EQ(ini.Proxy(), L"");
  EXPECT_EQ(ini.User(), L"");
  EXPECT_EQ(ini.Password(), L"");
  EXPECT_EQ(ini.TimeOut(), 300);
}

TEST_F(clsIniFileWebTest, WebFolderDefaultFollowsTheCurrentDrive) {
  const std::wstring mosuri = dir_.path().substr(0, 2) + L"\\InetPub\\wwwroot\\mosuri";
  const bool existed = kvtest::FolderExists(mosuri);
  kv::EnsureFolderPath(mosuri);
  clsIniFileWeb ini;
  ini.ReadBuffer();
  EXPECT_EQ(ini.WebFolder(), L"\\InetPub\\wwwroot\\mosuri\\");
  if (!existed) kvtest::RemoveTree(dir_.path().substr(0, 2) + L"\\InetPub");
}

TEST_F(clsIniFileWebTest, FoldersGetTheirBackslash) {
  files_.WriteUser(Section(L"WebFolder=D:\\web\r\nDownLoadFolder=D:\\ダウンロード\r\nUpLoadFolder=\r\n"
                           L"WebSettingFile=D:\\ws.xml\r\n"));
  clsIniFileWeb ini;
  EXPECT_TRUE(ini.IniFileExist());
  EXPECT_TRUE(ini.ExistIniFile());
  ini.ReadBuffer();
  EXPECT_EQ(ini.WebFolder(), L"D:\\web\\");
  EXPECT_EQ(ini.DownloadFolder(), L"D:\\ダウンロード\\");
  EXPECT_EQ(ini.UploadFolder(), L"");
  EXPECT_EQ(ini.WebSettingFile(), L"D:\\ws.xml");
}

TEST_F(clsIniFileWebTest, CopyInTheCurrentDirectoryExistsButIsNotRead) {
  kvtest::WriteBytes(dir_ / L"Sornet.ini", "[VersionControl]\r\nUser=current\r\n");
  clsIniFileWeb ini;
  EXPECT_TRUE(ini.IniFileExist());
  EXPECT_FALSE(ini.ExistIniFile());
  ini.ReadBuffer();
  EXPECT_EQ(ini.User(), L"");

  files_.WriteWindows(Section(L"User=windows\r\n"));
  ini.ReadBuffer();
  EXPECT_EQ(ini.User(), L"windows");
}

TEST_F(clsIniFileWebTest, TimeOutAboveSixteenBitsEndsTheRead) {
  files_.WriteUser(Section(L"Password=secret\r\nTimeOut=70000\r\n"));
  clsIniFileWeb ini;
  std::optional<std::int32_t> number;
  try {
    ini.ReadBuffer();
  } catch (const kv::RuntimeError& e) {
    number = e.Number();
  }
  EXPECT_EQ(number, 6);
  EXPECT_EQ(ini.Password(), L"secret");
  EXPECT_EQ(ini.TimeOut(), 300);

  for (const auto& [line, timeOut] : {std::pair{L"TimeOut=0", 0}, {L"TimeOut=abc", 300}, {L"TimeOut=07", 7}}) {
    files_.WriteUser(Section(line));
    ini.ReadBuffer();
    EXPECT_EQ(ini.TimeOut(), timeOut);
  }
}

TEST_F(clsIniFileWebTest, WriteBufferStoresFourKeysInThePerUserFile) {
  files_.WriteWindows(Section(L"ProgramKey=KEY-1\r\nUser=u\r\n"));
  clsIniFileWeb ini;
  ini.ReadBuffer();
  EXPECT_EQ(ini.WriteBuffer(), 0);
  EXPECT_EQ(kvtest::SectionKeys(files_.UserPath(), L"VersionControl"),
            L"WebFolder,DownLoadFolder,VersionFileName,ProgramKey");
  ini.ReadBuffer();
  EXPECT_EQ(ini.ProgramKey(), L"KEY-1");
  EXPECT_EQ(ini.User(), L"");
}

}  // namespace
