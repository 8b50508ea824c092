#include <gtest/gtest.h>
#include <windows.h>

#include "base/Host.h"
#include "base/Text.h"
#include "settings/SettingsFixtures.h"
#include "settings/clsInstallIniFile.h"
#include "support/FakeHost.h"
#include "support/TempDir.h"

namespace {

using kv::clsInstallIniFile;

class clsInstallIniFileTest : public ::testing::Test {
 protected:
  clsInstallIniFileTest() : scoped_(host_) { host_.programFolder = dir_.path(); }

  void WriteBeside(std::wstring_view text) { kvtest::WriteBytes(dir_ / L"Install.ini", kv::ToAnsi(text)); }
  clsInstallIniFile Read() {
    clsInstallIniFile ini;
    ini.ReadBuffer();
    return ini;
  }

  kvtest::TempDir dir_;
  kvtest::FakeHost host_;
  kv::ScopedHost scoped_;
  kvtest::ScopedIniFiles windows_{L"Install.ini"};
};

TEST_F(clsInstallIniFileTest, InstallFolderFromTheFileBesideTheProgram) {
  struct Case {
    const char* what;
    std::wstring file;
    std::wstring type;
    std::wstring folder;
  } cases[] = {
      {"no key", L"[Install]\r\nType=Client\r\n", L"Client", dir_.path() + L"\\"},
      {"other section", L"[Setup]\r\nInstallFolder=D:\\x\\\r\n", L"", dir_.path() + L"\\"},
      {"with backslash", L"[Install]\r\nInstallFolder=D:\\バロネル\\\r\n", L"", L"D:\\バロネル\\"},
      // Without one, every file would be installed beside the folder under a joined name.
      {"without backslash", L"[Install]\r\nInstallFolder=D:\\バロネル\r\n", L"", L"D:\\バロネル\\"},
      {"empty", L"[Install]\r\nType=\r\nInstallFolder=\r\n", L"", L""},
  };
  for (const auto& c : cases) {
    WriteBeside(c.file);
    const auto ini = Read();
    EXPECT_EQ(ini.InstallType(), c.type) << c.what;
    EXPECT_EQ(ini.InstallFolder(), c.folder) << c.what;
  }
}

TEST_F(clsInstallIniFileTest, NoFileAnywhereInstallsIntoTheProgramFolder) {
  const auto ini = Read();
  EXPECT_EQ(ini.InstallType(), L"");
  EXPECT_EQ(ini.InstallFolder(), dir_.path() + L"\\");
}

TEST_F(clsInstallIniFileTest, WindowsFolderCopyUnlessAnOrdinaryFileLiesBeside) {
  windows_.WriteWindows(L"[Install]\r\nType=Server\r\nInstallFolder=C:\\Windows側\\\r\n");
  EXPECT_EQ(Read().InstallFolder(), L"C:\\Windows側\\");

  // Neither a folder nor a hidden file of that name counts as the file beside the program.
  CreateDirectoryW((dir_ / L"Install.ini").c_str(), nullptr);
  EXPECT_EQ(Read().InstallType(), L"Server");
  RemoveDirectoryW((dir_ / L"Install.ini").c_str());
  WriteBeside(L"[Install]\r\nType=Beside\r\n");
  SetFileAttributesW((dir_ / L"Install.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Read().InstallType(), L"Server");

  SetFileAttributesW((dir_ / L"Install.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  const auto ini = Read();
  EXPECT_EQ(ini.InstallType(), L"Beside");
  EXPECT_EQ(ini.InstallFolder(), dir_.path() + L"\\");
}

TEST_F(clsInstallIniFileTest, WriteBufferWritesNothing) {
  clsInstallIniFile ini;
  ini.SetInstallFolder(L"D:\\new\\");
  EXPECT_EQ(ini.WriteBuffer(), 0);
  EXPECT_EQ(GetFileAttributesW((dir_ / L"Install.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
