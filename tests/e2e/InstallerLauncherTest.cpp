// Whole runs of Pelorin.exe with setup packages beside it: its message answered by the answering
// program, a stand-in "Setup.exe" (the recording tool), and Wine's msiexec installing the package
// it opens. The policy values are read back through this build's registry view. On 64-bit Windows
// their key is shared by both views; in Wine's 64-bit prefix the 32-bit deliverable reaches it
// through the prefix's link Software\Wow6432Node\Policies.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <thread>

#include "WholeRun.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "components/PackageFixtures.h"
#include "settings/Common.h"
#include "support/RegistryFixtures.h"

namespace {

namespace p = kvtest::packages;
using Lines = std::vector<std::wstring>;

const std::wstring kPolicyKey = L"Software\\Policies\\Microsoft\\Windows\\Installer";
const std::wstring kWhitelistKey = kPolicyKey + L"\\SecureRepairWhitelist";

// A run of the launcher beside the given packages, the installer policy missing at its start.
class LauncherRun {
 public:
  explicit LauncherRun(std::initializer_list<const wchar_t*> packages) {
    kvtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kPolicyKey);
    run.CopyProgram(L"Pelorin.exe");
    for (const wchar_t* package : packages) {
      EXPECT_TRUE(CopyFileW(p::Fixture(package).c_str(), (run.ProgramFolder() + L"\\" + package).c_str(), FALSE))
          << kv::ToUtf8(package);
    }
  }
  ~LauncherRun() { kvtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kPolicyKey); }

  void AddSetupStandIn() { run.CopyProgram(L"kv_recordargs.exe", L"Setup.exe"); }

  kvtest::WholeRun run;  // holds the user-data and screen locks
};

void ExpectPolicyFor(const std::wstring& productCode) {
  const auto policy = kvtest::ReadRegistryValue(HKEY_LOCAL_MACHINE, kPolicyKey, L"SecureRepairPolicy");
  ASSERT_TRUE(policy.has_value());
  EXPECT_EQ(policy->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(policy->data, std::string("\x02\0\0\0", 4));
  const auto listed = kvtest::ReadRegistryValue(HKEY_LOCAL_MACHINE, kWhitelistKey, productCode);
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(listed->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(listed->data, std::string(1, '\0'));
}

bool WaitForFile(const std::wstring& path, std::chrono::seconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

bool ProcessRuns(const wchar_t* image) {
  kv::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) return false;
  do {
    if (_wcsicmp(entry.szExeFile, image) == 0) return true;
  } while (Process32NextW(snapshot.get(), &entry));
  return false;
}

bool WaitUntilNoProcess(const wchar_t* image, std::chrono::seconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (ProcessRuns(image)) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

TEST(InstallerLauncher, PackageWithoutProductCodeIsToldAndNothingIsWritten) {
  LauncherRun launcher{p::kNoProductCode};
  launcher.AddSetupStandIn();
  const auto result = launcher.run.Run(L"Pelorin.exe", L"",
                                       {L"dialog #32770 バロネルインストール",
                                        L"contains 65535 プロダクトコードの取得に失敗しました。",
                                        L"screenshot e2e-pelorin-no-product-code", L"click 1"});
  ASSERT_TRUE(result.Ok()) << result.transcript;
  EXPECT_EQ(result.exitCode, 0u);
  // A setup started before the end would have written its line by now.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_TRUE(launcher.run.Recorded().empty());
  EXPECT_FALSE(kvtest::RegistryKeyExists(HKEY_LOCAL_MACHINE, kPolicyKey));
}

TEST(InstallerLauncher, SetupBesideIsStartedWithoutArgumentsAfterThePolicy) {
  LauncherRun launcher{p::kPackageA};
  launcher.AddSetupStandIn();
  const auto result = launcher.run.Run(L"Pelorin.exe", L"", {});
  ASSERT_TRUE(result.Ok()) << result.transcript;
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_TRUE(launcher.run.WaitForRecord(1)) << "Setup.exe was not started";
  EXPECT_EQ(launcher.run.Recorded(), Lines{L""});
  ExpectPolicyFor(p::kCodeA);
}

TEST(InstallerLauncher, WithoutSetupThePackageIsInstalled) {
  // The package is a 32-bit one: its file goes to the 32-bit Program Files, which a 64-bit
  // process (and a 32-bit one on 64-bit Windows) finds under "ProgramFiles(x86)".
  std::wstring programFiles = kv::EnvironmentValue(L"ProgramFiles(x86)");
  if (programFiles.empty()) programFiles = kv::EnvironmentValue(L"ProgramFiles");
  const std::wstring installed = programFiles + L"\\" + p::kInstalledFileA;
  DeleteFileW(installed.c_str());
  LauncherRun launcher{p::kPackageA};
  const auto result = launcher.run.Run(L"Pelorin.exe", L"", {});
  ASSERT_TRUE(result.Ok()) << result.transcript;
  EXPECT_EQ(result.exitCode, 0u);
  ExpectPolicyFor(p::kCodeA);
  EXPECT_TRUE(WaitForFile(installed, std::chrono::seconds(60))) << kv::ToUtf8(installed);
  // Nothing of the installation may be left to disturb the next test's windows.
  EXPECT_TRUE(WaitUntilNoProcess(L"msiexec.exe", std::chrono::seconds(60)));
}

}  // namespace
