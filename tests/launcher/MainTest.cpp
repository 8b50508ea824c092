#include <gtest/gtest.h>

#include "base/ProcessExit.h"
#include "base/Text.h"
#include "components/PackageFixtures.h"
#include "launcher/LauncherFixtures.h"
#include "support/RegistryFixtures.h"
#include "launcher/Pelorin.h"
#include "settings/Common.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/FakeProcessStarter.h"
#include "support/TempDir.h"

namespace {

namespace p = kvtest::packages;
using kv::launcher::kPolicyKey;
using kv::launcher::kRestartMarker;
using kv::launcher::kWhitelistKey;

struct Ended {
  unsigned code;
};

const std::wstring kMarker = kRestartMarker;
const std::vector<std::wstring> kNoMessage;
const std::wstring kWindowsKey = L"Software\\Policies\\Microsoft\\Windows";

// The launcher in a folder of its own, with the host's facts and the starts recorded; HKLM's
// installer policy key starts missing.
class LauncherMain : public testing::Test {
 protected:
  LauncherMain() {
    host_.programFolder = folder_.path();
    host_.programName = L"Pelorin";
    host_.admin = true;
    host_.commandLine = L"";
    kvtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kPolicyKey);
  }
  ~LauncherMain() override { kvtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kPolicyKey); }

  void AddPackage(const wchar_t* name) {
    ASSERT_TRUE(CopyFileW(p::Fixture(name).c_str(), (folder_ / name).c_str(), FALSE)) << kv::ToUtf8(name);
  }
  void AddSetup() { kvtest::WriteBytes(folder_ / L"Setup.exe", "MZ"); }

  // Runs Main to its end; answers the texts of the message boxes it showed (each checked for the
  // launcher's look).
  std::vector<std::wstring> RunMain() {
    starter_.shellRuns.clear();
    kvtest::MessageBoxAnswerer answerer(kv::launcher::kMessageTitle);
    {
      kv::ScopedEndProcessHandler end([](unsigned code) { throw Ended{code}; });
      try {
        kv::launcher::Main(starter_);
      } catch (const Ended& e) {
        EXPECT_EQ(e.code, 0u);
      }
    }
    std::vector<std::wstring> texts;
    for (const auto& box : answerer.Stop()) {
      EXPECT_TRUE(box.criticalIcon) << kv::ToUtf8(box.text);
      EXPECT_TRUE(box.onlyOk) << kv::ToUtf8(box.text);
      EXPECT_FALSE(box.owned) << kv::ToUtf8(box.text);
      texts.push_back(box.text);
    }
    return texts;
  }

  void ExpectOneStart(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder,
                      const std::wstring& verb) {
    ASSERT_EQ(starter_.shellRuns.size(), 1u);
    const auto& run = starter_.shellRuns[0];
    EXPECT_EQ(run.owner, nullptr);
    EXPECT_EQ(run.file, file);
    EXPECT_EQ(run.parameters, parameters);
    EXPECT_EQ(run.folder, folder);
    EXPECT_EQ(run.verb, verb);
  }

  void ExpectPolicyWritten() {
    const auto policy = kvtest::ReadRegistryValue(HKEY_LOCAL_MACHINE, kPolicyKey, L"SecureRepairPolicy");
    ASSERT_TRUE(policy.has_value());
    EXPECT_EQ(policy->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(policy->data, std::string("\x02\0\0\0", 4));
  }
  void ExpectWhitelisted(const std::wstring& productCode) {
    const auto listed = kvtest::ReadRegistryValue(HKEY_LOCAL_MACHINE, kWhitelistKey, productCode);
    ASSERT_TRUE(listed.has_value()) << kv::ToUtf8(productCode);
    EXPECT_EQ(listed->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(listed->data, std::string(1, '\0'));  // the empty text: its terminating NUL only
  }
  bool NothingWritten() const { return !kvtest::RegistryKeyExists(HKEY_LOCAL_MACHINE, kPolicyKey); }

  std::wstring Windir() const { return kv::EnvironmentValue(L"windir"); }

  kvtest::ExclusiveLock data_{kvtest::kUserDataLock};  // HKLM's installer policy
  kvtest::ExclusiveLock screen_{kvtest::kScreenLock};  // message boxes
  kvtest::TempDir folder_;
  kvtest::FakeHost host_;
  kv::ScopedHost scopedHost_{host_};
  kvtest::FakeProcessStarter starter_{host_};
};

TEST_F(LauncherMain, WithoutRightsOnlyRestartsWithTheMarker) {
  AddPackage(p::kPackageA);
  AddSetup();
  host_.admin = false;
  struct Case {
    std::wstring commandLine;
    std::wstring parameters;
  } cases[] = {
      {L"", kMarker},
      {L"/X \"C:\\a b\\バロネル\"", L"/X \"C:\\a b\\バロネル\" " + kMarker},
      {L"a  ", L"a   " + kMarker},
      {kMarker + L"X", kMarker + L"X " + kMarker},  // not the marker
  };
  for (const auto& c : cases) {
    host_.commandLine = c.commandLine;
    EXPECT_EQ(RunMain(), kNoMessage);
    ExpectOneStart(folder_ / L"Pelorin", c.parameters, L"", L"runas");
    EXPECT_TRUE(NothingWritten());
  }
}

TEST_F(LauncherMain, RestartedWithoutRightsTellsAndStartsNothing) {
  AddPackage(p::kPackageA);
  AddSetup();
  host_.admin = false;
  for (const std::wstring& commandLine : {kMarker, L"/X " + kMarker, kMarker + L" "}) {
    host_.commandLine = commandLine;
    EXPECT_EQ(RunMain(), std::vector<std::wstring>{L"管理者権限で起動できませんでした。"}) << kv::ToUtf8(commandLine);
    EXPECT_TRUE(starter_.shellRuns.empty());
    EXPECT_TRUE(NothingWritten());
  }
}

TEST_F(LauncherMain, WithRightsWritesThePolicyAndStartsTheSetup) {
  struct Case {
    const char* what;
    bool setupFile;
    bool setupFolder;
    std::wstring commandLine;
    bool startsSetup;
  } cases[] = {
      {"Setup.exe beside", true, false, L"", true},
      {"Setup.exe beside, restarted", true, false, kMarker, true},
      {"no Setup.exe", false, false, L"", false},
      {"a folder named Setup.exe", false, true, L"", false},
  };
  for (const auto& c : cases) {
    kvtest::TempDir folder;
    host_.programFolder = folder.path();
    host_.commandLine = c.commandLine;
    ASSERT_TRUE(CopyFileW(p::Fixture(p::kPackageA).c_str(), (folder / p::kPackageA).c_str(), FALSE));
    if (c.setupFile) kvtest::WriteBytes(folder / L"Setup.exe", "MZ");
    if (c.setupFolder) CreateDirectoryW((folder / L"Setup.exe").c_str(), nullptr);
    kvtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kPolicyKey);

    EXPECT_EQ(RunMain(), kNoMessage) << c.what;
    ExpectPolicyWritten();
    ExpectWhitelisted(p::kCodeA);
    if (c.startsSetup) {
      ExpectOneStart(folder / L"Setup.exe", L"", L"", L"runas");
    } else {
      ExpectOneStart(folder / p::kPackageA, L"", Windir(), L"open");
    }
  }
  EXPECT_FALSE(Windir().empty());
}

// Which of two packages comes first is the listing's business, not the alphabet's.
TEST_F(LauncherMain, OfTwoPackagesTheFirstListedIsUsed) {
  AddPackage(p::kPackageB);
  AddPackage(p::kPackageA);
  const std::wstring first = kv::FirstNormalFileName(folder_ / L"*.msi");
  ASSERT_FALSE(first.empty());
  const bool aFirst = first == p::kPackageA;
  EXPECT_EQ(RunMain(), kNoMessage);
  ExpectWhitelisted(aFirst ? p::kCodeA : p::kCodeB);
  EXPECT_FALSE(kvtest::ReadRegistryValue(HKEY_LOCAL_MACHINE, kWhitelistKey, aFirst ? p::kCodeB : p::kCodeA));
  ExpectOneStart(folder_ / first, L"", Windir(), L"open");
}

TEST_F(LauncherMain, RunTwiceWritesTheSameValuesAndKeepsOthers) {
  AddPackage(p::kPackageA);
  AddSetup();
  const std::wstring other = L"{00000000-1111-2222-3333-444444444444}";
  kvtest::WriteRegistryText(HKEY_LOCAL_MACHINE, kWhitelistKey, other, L"");
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(RunMain(), kNoMessage);
    ExpectPolicyWritten();
    ExpectWhitelisted(p::kCodeA);
    ExpectWhitelisted(other);
    ExpectOneStart(folder_ / L"Setup.exe", L"", L"", L"runas");
  }
}

TEST_F(LauncherMain, MissingOrUnreadablePackageTellsAndWritesNothing) {
  struct Case {
    const char* what;
    const wchar_t* package;  // copied in when set
    bool packageFolder;      // a folder named like a package
    std::wstring message;
  } cases[] = {
      {"no package", nullptr, false, L"インストーラーが見つかりません。"},
      {"only a folder named *.msi", nullptr, true, L"インストーラーが見つかりません。"},
      {"no product code", p::kNoProductCode, false, L"プロダクトコードの取得に失敗しました。"},
      {"not a package", p::kNotAPackage, false, L"プロダクトコードの取得に失敗しました。"},
  };
  for (const auto& c : cases) {
    kvtest::TempDir folder;
    host_.programFolder = folder.path();
    kvtest::WriteBytes(folder / L"Setup.exe", "MZ");
    if (c.package) {
      ASSERT_TRUE(CopyFileW(p::Fixture(c.package).c_str(), (folder / c.package).c_str(), FALSE));
    }
    if (c.packageFolder) CreateDirectoryW((folder / L"Folder.msi").c_str(), nullptr);

    EXPECT_EQ(RunMain(), std::vector<std::wstring>{c.message}) << c.what;
    EXPECT_TRUE(starter_.shellRuns.empty()) << c.what;
    EXPECT_TRUE(NothingWritten()) << c.what;
  }
}

// No non-volatile key can be created below a volatile one, so a volatile Windows policy key
// makes the policy value fail for real.
TEST_F(LauncherMain, PolicyThatCannotBeWrittenTellsAndStartsNothing) {
  AddPackage(p::kPackageA);
  AddSetup();
  kvtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kWindowsKey);
  kvtest::CreateVolatileKey(HKEY_LOCAL_MACHINE, kWindowsKey);

  EXPECT_EQ(RunMain(), std::vector<std::wstring>{L"インストーラーの登録に失敗しました。[SecureRepairPolicy]"});
  EXPECT_TRUE(starter_.shellRuns.empty());
  EXPECT_TRUE(NothingWritten());
  kvtest::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kWindowsKey);
}

// A volatile policy key takes the policy value but no whitelist key below it.
TEST_F(LauncherMain, WhitelistThatCannotBeWrittenKeepsThePolicyAndStartsNothing) {
  AddPackage(p::kPackageA);
  AddSetup();
  kvtest::CreateVolatileKey(HKEY_LOCAL_MACHINE, kPolicyKey);

  EXPECT_EQ(RunMain(), std::vector<std::wstring>{L"インストーラーの登録に失敗しました。[SecureRepairWhitelist]"});
  EXPECT_TRUE(starter_.shellRuns.empty());
  ExpectPolicyWritten();
  EXPECT_FALSE(kvtest::RegistryKeyExists(HKEY_LOCAL_MACHINE, kWhitelistKey));
}

}  // namespace
