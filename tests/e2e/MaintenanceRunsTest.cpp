// Whole runs of the maintenance switches: the release build "/MAKE /AUTO" in a scratch program
// folder (its release history a SQLite file through KV_RELEASE_HISTORY), the password dialog
// without "/AUTO", and the bulk registrations beside the test COM library, whose entry points
// record regsvr32's calls. make_release_host_tools.sh checks the same build with host tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "WholeRun.h"
#include "base/Text.h"
#include "support/VersionListing.h"
#include "components/MD5Component.h"
#include "settings/Common.h"
#include "versioncontrol/clsVersionControl.h"
#include "versioncontrol/subCabExtract.h"

namespace {

using Lines = std::vector<std::wstring>;
using kvtest::WriteListing;

const wchar_t kOld[] = L"2000/01/01 00:00:00";

std::string Show(const Lines& lines) {
  std::string text;
  for (const auto& line : lines) text += "  " + kv::ToUtf8(line) + "\n";
  return text;
}

// The release build's folders below the whole run's program folder, with three product files.
struct ReleaseTree {
  explicit ReleaseTree(const kvtest::WholeRun& run)
      : product(run.ProgramFolder() + L"\\バロネル\\"),
        cabinets(run.ProgramFolder() + L"\\Update\\"),
        installer(run.ProgramFolder() + L"\\Installer\\") {
    for (const auto& folder : {product, cabinets, installer}) CreateDirectoryW(folder.c_str(), nullptr);
    std::string big(3 * 32768 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) % 251);
    files = {{L"Kanvolo.exe", big}, {L"予約表示.ocx", "ocx"}, {L"empty.dat", ""}};
    for (const auto& [name, contents] : files) kvtest::WriteBytes(product + name, contents);
    WriteListing(product + L"Version.xml",
                 {{L"Kanvolo.exe", 0, L"", kOld}, {L"予約表示.ocx", 2, L"YOYAKU.CAB", kOld}, {L"empty.dat", 0, L"", kOld}});
    WriteListing(installer + L"Version.xml", {{L"Kanvolo.exe", 0, L"", kOld}});
  }
  std::wstring product, cabinets, installer;
  std::vector<std::pair<std::wstring, std::string>> files;
};

std::wstring ReleaseHistory(const wchar_t* name) {
  return kv::FromUtf8(KV_RELEASE_FIXTURES) + L"/" + name;
}

TEST(MaintenanceRuns, MakeAutoWritesVersionControlsAndCabinetsThatReadBack) {
  kvtest::WholeRun run;
  run.CopyProgram(L"KanvoloUpdate2.exe");
  run.CopyIntoInstallFolder(L"kv_mainstandin.exe", L"Kanvolo.exe");
  run.SetEnvironment(L"KV_RELEASE_HISTORY", ReleaseHistory(L"history.db"));
  ReleaseTree tree(run);

  const auto result = run.Run(L"KanvoloUpdate2.exe", L"/MAKE /AUTO", {});
  ASSERT_TRUE(result.Ok()) << result.transcript;

  const Lines boot = run.BootLog();
  ASSERT_FALSE(boot.empty());
  EXPECT_EQ(boot.back(), L"/MAKE") << Show(boot);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(run.Recorded().empty());  // nothing started
  EXPECT_EQ(run.UpdateLog(), Lines{});

  kv::clsVersionControl product;
  ASSERT_EQ(product.ReadControl(tree.product + L"Version.xml", L"", L"", false), 0);
  ASSERT_EQ(product.UseVersionTable(), 3);
  EXPECT_EQ(product.UseInfoTable(), 3);
  kv::clsVersionControl copy;
  ASSERT_EQ(copy.ReadControl(tree.cabinets + L"Version.xml", L"", L"", false), 0);
  EXPECT_EQ(kvtest::ReadBytes(tree.cabinets + L"Version.xml"), kvtest::ReadBytes(tree.product + L"Version.xml"));
  kv::clsVersionControl installer;
  ASSERT_EQ(installer.ReadControl(tree.installer + L"Version.xml", L"", L"", false), 0);
  EXPECT_EQ(installer.UseInfoTable(), 0);

  const auto md5 = kv::MD5Component::Create();
  for (std::int16_t i = 1; i <= product.UseVersionTable(); ++i) {
    const std::wstring name = product.ProgramName(i);
    const auto file = std::find_if(tree.files.begin(), tree.files.end(), [&](const auto& f) { return f.first == name; });
    ASSERT_NE(file, tree.files.end()) << kv::ToUtf8(name);
    const std::wstring cabinet =
        tree.cabinets + kv::LCase(product.CabFileName(i).empty() ? name + L".cab" : product.CabFileName(i));
    EXPECT_EQ(product.MD5(i), md5->MD5(tree.product + name, 1)) << kv::ToUtf8(name);
    EXPECT_EQ(product.FileSize(i), static_cast<std::int32_t>(file->second.size())) << kv::ToUtf8(name);
    EXPECT_EQ(product.CabFileSize(i), static_cast<std::int32_t>(kvtest::ReadBytes(cabinet).size())) << kv::ToUtf8(name);
    // The setup functions' extraction gives the product file back.
    const std::wstring out = run.ScratchFolder() + L"\\x" + std::to_wstring(i);
    ASSERT_TRUE(kv::CabExtract(cabinet, out)) << kv::ToUtf8(cabinet);
    EXPECT_EQ(kvtest::ReadBytes(out + L"\\" + name), file->second) << kv::ToUtf8(name);
  }
  EXPECT_EQ(installer.MD5(1), md5->MD5(tree.product + L"Kanvolo.exe", 1));
}

TEST(MaintenanceRuns, WithoutAutoThePasswordComesAndItsCloseBoxWritesNothing) {
  kvtest::WholeRun run;
  run.CopyProgram(L"KanvoloUpdate2.exe");
  run.SetEnvironment(L"KV_RELEASE_HISTORY", ReleaseHistory(L"history.db"));
  ReleaseTree tree(run);
  const std::string product = kvtest::ReadBytes(tree.product + L"Version.xml");
  const std::string installer = kvtest::ReadBytes(tree.installer + L"Version.xml");

  const auto result = run.Run(L"KanvoloUpdate2.exe", L"/XML",
                              {L"dialog #32770 パスワード", L"screenshot e2e-make-password", L"close"});
  ASSERT_TRUE(result.Ok()) << result.transcript;

  EXPECT_EQ(run.BootLog().back(), L"/XML");
  EXPECT_EQ(kvtest::ReadBytes(tree.product + L"Version.xml"), product);
  EXPECT_EQ(kvtest::ReadBytes(tree.installer + L"Version.xml"), installer);
  EXPECT_FALSE(kv::FileExist(tree.cabinets + L"Version.xml"));
  EXPECT_FALSE(kv::FileExist(tree.cabinets + L"kanvolo.exe.cab"));
  EXPECT_EQ(run.UpdateLog(), Lines{});
}

TEST(MaintenanceRuns, BulkRegistrationBesideTheTestComLibrary) {
  struct Case {
    const wchar_t* switchText;
    const wchar_t* recorded;  // the library's line, before its path; empty: none
    bool removed;
  };
  const Case cases[] = {{L"/UNREG", L"unregister", false}, {L"/REG", L"register", false},
                        {L"/REMOVE", L"unregister", true}};
  // The three runs queue for the suite's locks once: queued again before each run, among the
  // other whole runs, their waits added up past the test's time-out. Each run takes the same
  // locks again, in the same order, within this thread.
  kvtest::ExclusiveLock data(kvtest::kUserDataLock);
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  for (const Case& c : cases) {
    kvtest::WholeRun run;
    run.CopyProgram(L"KanvoloUpdate2.exe");
    run.CopyProgram(L"kv_comdll.dll");
    const std::wstring folder = run.ProgramFolder() + L"\\";
    kvtest::WriteBytes(folder + L"readme.txt", "text");
    // The program itself is listed too: unregistered like the others, never deleted.
    WriteListing(folder + L"Version.xml", {{L"kv_comdll.dll", 2}, {L"readme.txt", 0}, {L"KanvoloUpdate2.exe", 0}});

    const auto result = run.Run(L"KanvoloUpdate2.exe", std::wstring(c.switchText) + L" /AUTO", {});
    ASSERT_TRUE(result.Ok()) << kv::ToUtf8(c.switchText) << "\n" << result.transcript;

    const Lines boot = run.BootLog();
    ASSERT_FALSE(boot.empty());
    EXPECT_EQ(boot.back(), c.switchText) << Show(boot);
    EXPECT_EQ(run.Recorded(), Lines{std::wstring(c.recorded) + L" " + folder + L"kv_comdll.dll"})
        << kv::ToUtf8(c.switchText) << "\n" << Show(boot);
    EXPECT_EQ(kv::FileExist(folder + L"kv_comdll.dll"), !c.removed) << kv::ToUtf8(c.switchText);
    EXPECT_EQ(kv::FileExist(folder + L"readme.txt"), !c.removed) << kv::ToUtf8(c.switchText);
    EXPECT_TRUE(kv::FileExist(folder + L"KanvoloUpdate2.exe")) << kv::ToUtf8(c.switchText);
    EXPECT_EQ(run.UpdateLog(), Lines{}) << kv::ToUtf8(c.switchText);
  }
}

}  // namespace
