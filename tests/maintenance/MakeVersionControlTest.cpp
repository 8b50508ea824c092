// The release build in a scratch program folder: the product's and the installer's version
// controls refreshed from the files, cabinets made, the history read from SQLite release
// histories (KV_RELEASE_HISTORY), the password, and each failure with its message.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/MD5Component.h"
#include "dialogs/frmPassword.h"
#include "maintenance/MakeVersionControl.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/subCabExtract.h"
#include "MaintenanceFixture.h"

namespace {

using kvtest::ListedFile;
using kvtest::MaintenanceRun;
using kvtest::ProcessEnded;
using Lines = std::vector<std::wstring>;

const wchar_t kOld[] = L"2000/01/01 00:00:00";

std::wstring HostFixture(const wchar_t* name) {
  std::wstring path = std::wstring(KV_FIXTURE_DIR).substr(2) + L"\\" + name;
  for (wchar_t& c : path) {
    if (c == L'\\') c = L'/';
  }
  return path;
}

// A day in the user's short date format, as the system's conversion writes dates.
std::wstring ShortDate(WORD year, WORD month, WORD day) {
  SYSTEMTIME t{};
  t.wYear = year;
  t.wMonth = month;
  t.wDay = day;
  wchar_t text[64] = L"";
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, text, 64);
  return text;
}

std::wstring Md5Of(const std::wstring& path) { return kv::MD5Component::Create()->MD5(path, 1); }

// The password form with a digest the tests know: MD5("PASS123").
class frmPasswordKnown : public kv::frmPassword {
 protected:
  std::wstring StoredDigest() const override { return L"bac363ad53ee1c18f64a192698c4c114"; }
};

// A scratch program folder with "バロネル", "Update" and "Installer", and a release history.
class ReleaseFolder {
 public:
  explicit ReleaseFolder(const std::wstring& commandLine, const wchar_t* history = L"history.db",
                         bool cabinetFolder = true)
      : run(commandLine) {
    CreateDirectoryW(product().c_str(), nullptr);
    if (cabinetFolder) CreateDirectoryW(cabinets().c_str(), nullptr);
    CreateDirectoryW(installer().c_str(), nullptr);
    SetEnvironmentVariableW(L"KV_RELEASE_HISTORY", HostFixture(history).c_str());
  }
  ~ReleaseFolder() { SetEnvironmentVariableW(L"KV_RELEASE_HISTORY", nullptr); }

  std::wstring product() const { return run.folder() + L"バロネル\\"; }
  std::wstring cabinets() const { return run.folder() + L"Update\\"; }
  std::wstring installer() const { return run.folder() + L"Installer\\"; }

  // Writes a product file and answers its version text.
  std::wstring PutFile(const std::wstring& name, const std::string& contents) {
    kvtest::WriteBytes(product() + name, contents);
    return kv::ReadFileStamp(product() + name).versionText;
  }

  // The version control of a folder, read back; its result in *result.
  std::unique_ptr<kv::clsVersionControl> Read(const std::wstring& folder, std::int32_t* result = nullptr) {
    auto control = std::make_unique<kv::clsVersionControl>();
    const std::int32_t r = control->ReadControl(folder + L"Version.xml", L"", L"", false);
    if (result) *result = r;
    return control;
  }

  MaintenanceRun run;

 private:
  kvtest::ExclusiveLock db_{kvtest::kDatabaseLock};
};

struct Entry {
  std::wstring version;
  std::int32_t size;
  std::wstring cabinet;
  std::int32_t cabinetSize;
  std::wstring md5;
};
Entry EntryOf(const kv::clsVersionControl& c, std::int16_t i) {
  return {c.VersionText(i), c.FileSize(i), c.CabFileName(i), c.CabFileSize(i), c.MD5(i)};
}
bool operator==(const Entry& a, const Entry& b) {
  return a.version == b.version && a.size == b.size && a.cabinet == b.cabinet && a.cabinetSize == b.cabinetSize &&
         a.md5 == b.md5;
}
std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << kv::ToUtf8(e.version) << " " << e.size << " " << kv::ToUtf8(e.cabinet) << " " << e.cabinetSize << " "
            << kv::ToUtf8(e.md5);
}

std::int32_t SizeOf(const std::wstring& path) { return static_cast<std::int32_t>(kvtest::ReadBytes(path).size()); }

TEST(MakeVersionControl, MakeRefreshesBothVersionControlsCompressesChangedFilesAndReadsTheHistory) {
  ReleaseFolder r(L"/MAKE /AUTO");
  const std::string a(70000, 'a');
  r.PutFile(L"a.dll", a);
  const std::wstring bStamp = r.PutFile(L"b.exe", "bee");
  r.PutFile(L"C.ocx", "sea");
  kvtest::WriteBytes(r.cabinets() + L"b.exe.cab", "an old cabinet");
  // a.dll changed; b.exe unchanged, its cabinet listed; C.ocx changed, its cabinet named.
  kvtest::WriteListing(r.product() + L"Version.xml",
                       {{L"a.dll", 2, L"", kOld, L"stale", 9}, {L"b.exe", 3, L"", bStamp, L"stale", 5},
                        {L"C.ocx", 2, L"Cee.CAB", kOld, L"", 0}});
  // The installer's: a.dll changed, b.exe unchanged with a digest, C.ocx unchanged without one.
  kvtest::WriteListing(r.installer() + L"Version.xml",
                       {{L"a.dll", 0, L"", kOld, L"listed-a", 0}, {L"b.exe", 0, L"", bStamp, L"listed-b", 0},
                        {L"C.ocx", 0, L"", r.PutFile(L"C.ocx", "sea"), L"", 0}});

  EXPECT_EQ(kv::MakeVersionControl(true), 0);
  EXPECT_EQ(r.run.UpdateLog(), Lines{});

  // Changed files are compressed, lower-case cabinet names; the unchanged one's cabinet stays.
  ASSERT_TRUE(kv::CabExtract(r.cabinets() + L"a.dll.cab", r.run.folder() + L"x"));
  EXPECT_EQ(kvtest::ReadBytes(r.run.folder() + L"x\\a.dll"), a);
  ASSERT_TRUE(kv::CabExtract(r.cabinets() + L"cee.cab", r.run.folder() + L"x"));
  EXPECT_EQ(kvtest::ReadBytes(r.run.folder() + L"x\\C.ocx"), "sea");
  EXPECT_EQ(kvtest::ReadBytes(r.cabinets() + L"b.exe.cab"), "an old cabinet");

  std::int32_t read = 1;
  auto product = r.Read(r.product(), &read);
  ASSERT_EQ(read, 0);
  ASSERT_EQ(product->UseVersionTable(), 3);
  const auto stamp = [&](const wchar_t* name) { return kv::ReadFileStamp(r.product() + name).versionText; };
  EXPECT_EQ(EntryOf(*product, 1), (Entry{stamp(L"a.dll"), 70000, L"", SizeOf(r.cabinets() + L"a.dll.cab"),
                                         Md5Of(r.product() + L"a.dll")}));
  EXPECT_EQ(EntryOf(*product, 2), (Entry{bStamp, 3, L"", 5, Md5Of(r.product() + L"b.exe")}));
  EXPECT_EQ(EntryOf(*product, 3), (Entry{stamp(L"C.ocx"), 3, L"Cee.CAB", SizeOf(r.cabinets() + L"cee.cab"),
                                         Md5Of(r.product() + L"C.ocx")}));

  // The history in the query's order: filters applied, TYPE halves to even, dates in the user's
  // short date with the time unless midnight.
  ASSERT_EQ(product->UseInfoTable(), 3);
  const struct {
    const wchar_t* id;
    std::int16_t type;
    std::wstring hiduke;
    const wchar_t* version;
    const wchar_t* group;
    const wchar_t* title;
  } history[] = {{L"3", 4, ShortDate(2024, 3, 1), L"5.0.0", L"0501", L"midnight"},
                 {L"1", 1, ShortDate(2024, 4, 1) + L" 10:30:15", L"5.0.1", L"0500", L"予約一覧の表示を改善"},
                 {L"2", 2, ShortDate(2024, 4, 1) + L" 10:30:15", L"5.0.1", L"0500", L"TYPE 2.5"}};
  for (std::int16_t k = 1; k <= 3; ++k) {
    const auto& h = history[k - 1];
    EXPECT_EQ(product->InfoID(k), h.id) << k;
    EXPECT_EQ(product->InfoType(k), h.type) << k;
    EXPECT_EQ(product->InfoHiduke(k), h.hiduke) << k;
    EXPECT_EQ(product->InfoVersion(k), h.version) << k;
    EXPECT_EQ(product->InfoVerGroup(k), h.group) << k;
    EXPECT_EQ(product->InfoTitle(k), h.title) << k;
  }

  // "/MAKE" writes the same file into the cabinet folder.
  EXPECT_EQ(kvtest::ReadBytes(r.cabinets() + L"Version.xml"), kvtest::ReadBytes(r.product() + L"Version.xml"));

  // The installer's: a changed file gets its stamp and digest, an unchanged one keeps its listed
  // digest unless it is empty; cabinet sizes from the cabinet folder; never a history.
  auto installer = r.Read(r.installer(), &read);
  ASSERT_EQ(read, 0);
  EXPECT_EQ(installer->UseInfoTable(), 0);
  EXPECT_EQ(EntryOf(*installer, 1), (Entry{stamp(L"a.dll"), 70000, L"", SizeOf(r.cabinets() + L"a.dll.cab"),
                                           Md5Of(r.product() + L"a.dll")}));
  EXPECT_EQ(EntryOf(*installer, 2), (Entry{bStamp, 3, L"", SizeOf(r.cabinets() + L"b.exe.cab"), L"listed-b"}));
  EXPECT_EQ(EntryOf(*installer, 3), (Entry{stamp(L"C.ocx"), 3, L"", 1, Md5Of(r.product() + L"C.ocx")}));
}

TEST(MakeVersionControl, XmlRefreshesFromTheCabinetsThereAndAcceptsAFailedCheckValue) {
  ReleaseFolder r(L"/XML /auto");
  r.PutFile(L"a.dll", "new a");
  r.PutFile(L"b.dll", "new b");
  kvtest::WriteBytes(r.cabinets() + L"a.dll.cab", "cabinet already there");
  kvtest::WriteListing(r.product() + L"Version.xml", {{L"a.dll", 2, L"", kOld, L"", 4}, {L"b.dll", 2, L"", kOld, L"", 4}});
  // A check value that no longer fits: the file is read (-1), refreshed and written back valid.
  std::string bytes = kvtest::ReadBytes(r.product() + L"Version.xml");
  bytes.replace(bytes.find("2000/01/01 00:00:00"), 19, "1999/01/01 00:00:00");
  kvtest::WriteBytes(r.product() + L"Version.xml", bytes);
  kvtest::WriteListing(r.installer() + L"Version.xml", {{L"a.dll", 0, L"", kOld, L"", 0}});

  EXPECT_EQ(kv::MakeVersionControl(false), 0);

  std::int32_t read = 1;
  auto product = r.Read(r.product(), &read);
  ASSERT_EQ(read, 0);
  // Not recompressed: the size of the cabinet that is there, 1 for a missing one.
  EXPECT_EQ(product->CabFileSize(1), SizeOf(r.cabinets() + L"a.dll.cab"));
  EXPECT_EQ(kvtest::ReadBytes(r.cabinets() + L"a.dll.cab"), "cabinet already there");
  EXPECT_EQ(product->CabFileSize(2), 1);
  EXPECT_FALSE(kv::FileExist(r.cabinets() + L"b.dll.cab"));
  EXPECT_EQ(product->VersionText(2), kv::ReadFileStamp(r.product() + L"b.dll").versionText);
  EXPECT_EQ(product->UseInfoTable(), 3);
  // Only "/MAKE" writes into the cabinet folder.
  EXPECT_FALSE(kv::FileExist(r.cabinets() + L"Version.xml"));
}

TEST(MakeVersionControl, TheFirst5000RecordsInQueryOrderBecomeTheHistory) {
  ReleaseFolder r(L"/XML /AUTO", L"big.db");
  r.PutFile(L"a.dll", "a");
  kvtest::WriteListing(r.product() + L"Version.xml", {{L"a.dll", 2}});
  kvtest::WriteListing(r.installer() + L"Version.xml", {{L"a.dll", 0}});

  EXPECT_EQ(kv::MakeVersionControl(false), 0);

  auto product = r.Read(r.product());
  ASSERT_EQ(product->UseInfoTable(), 5000);
  // IDs run against the dates: the order is the query's, not the table's or the IDs'.
  EXPECT_EQ(product->InfoID(1), L"100000");
  EXPECT_EQ(product->InfoID(4999), L"95002");
  EXPECT_EQ(product->InfoID(5000), L"95001");
  EXPECT_EQ(product->InfoTitle(5000), L"entry 4999");
  EXPECT_EQ(product->InfoHiduke(1), ShortDate(2020, 1, 1));
}

TEST(MakeVersionControl, PasswordUnlessAuto) {
  struct Case {
    const wchar_t* what;
    bool typePassword;  // or the close box
    bool built;
  };
  for (const Case c : {Case{L"close box", false, false}, Case{L"password", true, true}}) {
    ReleaseFolder r(L"/MAKE");
    r.PutFile(L"a.dll", "a");
    kvtest::WriteListing(r.product() + L"Version.xml", {{L"a.dll", 2, L"", kOld}});
    kvtest::WriteListing(r.installer() + L"Version.xml", {{L"a.dll", 0, L"", kOld}});
    const std::string before = kvtest::ReadBytes(r.product() + L"Version.xml");
    const std::string installerBefore = kvtest::ReadBytes(r.installer() + L"Version.xml");

    frmPasswordKnown form;
    kv::ScopedPasswordForm scoped(form);
    {
      kvtest::ScriptedUser user;
      auto& dialog = user.Expect(L"frmPassword");
      if (c.typePassword) {
        dialog.Type(L"pass123").PressEnter();
      } else {
        dialog.CloseFromTitleBar();
      }
      EXPECT_EQ(kv::MakeVersionControl(true), 0) << kv::ToUtf8(c.what);
    }
    // The form is the program's one: the build never unloads it.
    EXPECT_EQ(form.Loaded(), c.typePassword) << kv::ToUtf8(c.what);
    EXPECT_EQ(kvtest::ReadBytes(r.product() + L"Version.xml") != before, c.built) << kv::ToUtf8(c.what);
    EXPECT_EQ(kvtest::ReadBytes(r.installer() + L"Version.xml") != installerBefore, c.built) << kv::ToUtf8(c.what);
    EXPECT_EQ(kv::FileExist(r.cabinets() + L"a.dll.cab"), c.built) << kv::ToUtf8(c.what);
    EXPECT_EQ(r.run.UpdateLog(), Lines{}) << kv::ToUtf8(c.what);
    if (form.Loaded()) form.Unload();
  }
}

TEST(MakeVersionControl, RunTimeFailuresAreOneLoggedMessageWithTheirStepAndAnswerMinusOne) {
  struct Case {
    const wchar_t* what;
    const wchar_t* history;
    std::vector<ListedFile> listed;
    std::wstring prefix;  // the message: prefix, anything, suffix ({p} the product folder)
    std::wstring suffix;
    bool productWritten;
    bool installerWritten;
  };
  const std::wstring query = std::wstring(L"OpenRecordset(") + kv::kReleaseHistoryQuery + L")";
  const Case cases[] = {
      {L"listed file missing", L"history.db", {{L"a.dll", 2, L"", kOld}, {L"m.dll", 2, L"", kOld}},
       L"ファイルが見つかりません。(35)MD5({p}a.dll, 1)", L"", false, false},
      {L"database missing", L"missing.db", {{L"a.dll", 2, L"", kOld}}, L"", L"(BD0)MD5({p}a.dll, 1)", false, false},
      {L"a field without a value", L"null.db", {{L"a.dll", 2, L"", kOld}},
       L"Null の使い方が不正です。(5E)" + query, L"", false, false},
      {L"a name that leaves the folder", L"history.db", {{L"..\\a.dll", 2, L"", kOld}}, L"",
       L"(4B)ReadControl({p}Version.xml)", false, false},
  };
  for (const Case& c : cases) {
    ReleaseFolder r(L"/XML /AUTO", c.history);
    r.PutFile(L"a.dll", "a");
    kvtest::WriteBytes(r.run.folder() + L"a.dll", "outside");
    kvtest::WriteListing(r.product() + L"Version.xml", c.listed);
    kvtest::WriteListing(r.installer() + L"Version.xml", {{L"a.dll", 0, L"", kOld}});
    const std::string product = kvtest::ReadBytes(r.product() + L"Version.xml");
    const std::string installer = kvtest::ReadBytes(r.installer() + L"Version.xml");
    const auto expand = [&](std::wstring text) {
      if (const auto at = text.find(L"{p}"); at != std::wstring::npos) text.replace(at, 3, r.product());
      return text;
    };
    const std::wstring prefix = expand(c.prefix);
    const std::wstring suffix = expand(c.suffix);
    const auto matches = [&](const std::wstring& text) {
      return text.size() >= prefix.size() + suffix.size() && kv::StartsWith(text, prefix) &&
             kv::EndsWith(text, suffix);
    };

    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([&](kvtest::DialogView& d) {
          EXPECT_EQ(d.Caption(), r.run.title());
          EXPECT_TRUE(matches(d.Text(L"txtMsg"))) << kv::ToUtf8(d.Text(L"txtMsg"));
          EXPECT_TRUE(d.Visible(L"picIcon", 0));
        })
        .PressEnter();
    EXPECT_EQ(kv::MakeVersionControl(false), -1) << kv::ToUtf8(c.what);
    const Lines log = r.run.UpdateLog();
    ASSERT_EQ(log.size(), 1u) << kv::ToUtf8(c.what);
    EXPECT_TRUE(matches(log[0])) << kv::ToUtf8(c.what) << ": " << kv::ToUtf8(log[0]);
    EXPECT_EQ(kvtest::ReadBytes(r.product() + L"Version.xml") != product, c.productWritten) << kv::ToUtf8(c.what);
    EXPECT_EQ(kvtest::ReadBytes(r.installer() + L"Version.xml") != installer, c.installerWritten)
        << kv::ToUtf8(c.what);
    EXPECT_EQ(kvtest::ReadBytes(r.run.folder() + L"a.dll"), "outside");
  }
}

TEST(MakeVersionControl, AProductVersionControlHeldOpenIsReportedAndTheInstallerPassRuns) {
  ReleaseFolder r(L"/MAKE /AUTO");
  r.PutFile(L"a.dll", "a");
  kvtest::WriteListing(r.product() + L"Version.xml", {{L"a.dll", 2, L"", kOld}});
  kvtest::WriteListing(r.installer() + L"Version.xml", {{L"a.dll", 0, L"", kOld}});
  const std::string installer = kvtest::ReadBytes(r.installer() + L"Version.xml");
  {
    kv::UniqueFile held(
        CreateFileW((r.product() + L"Version.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([&](kvtest::DialogView& d) {
          EXPECT_EQ(d.Text(L"txtMsg"), L"バージョンコントロールファイルが読み込めません。");
        })
        .PressEnter();
    EXPECT_EQ(kv::MakeVersionControl(true), 0);
  }
  EXPECT_EQ(r.run.UpdateLog(), Lines{L"バージョンコントロールファイルが読み込めません。"});
  EXPECT_FALSE(kv::FileExist(r.cabinets() + L"a.dll.cab"));
  EXPECT_NE(kvtest::ReadBytes(r.installer() + L"Version.xml"), installer);
  EXPECT_EQ(r.Read(r.installer())->VersionText(1), kv::ReadFileStamp(r.product() + L"a.dll").versionText);
}

TEST(MakeVersionControl, CompressionThatCannotBeDoneEndsTheProcessWithItsMessage) {
  struct Case {
    const wchar_t* what;
    bool cabinetFolder;
    bool hidden;
    const wchar_t* title;
    std::wstring text;  // {p}: the product folder
    bool logged;
  };
  const Case cases[] = {
      {L"source not listed", true, true, L"エラー", L"圧縮するファイルがありません。{p}a.dll", false},
      {L"archiver failing", false, false, L"Failed", L"圧縮に失敗しました。Error Code:0x8004", true},
  };
  for (const Case& c : cases) {
    ReleaseFolder r(L"/MAKE /AUTO", L"history.db", c.cabinetFolder);
    r.PutFile(L"a.dll", "a");
    if (c.hidden) SetFileAttributesW((r.product() + L"a.dll").c_str(), FILE_ATTRIBUTE_HIDDEN);
    kvtest::WriteListing(r.product() + L"Version.xml", {{L"a.dll", 2, L"", kOld}});
    const std::string product = kvtest::ReadBytes(r.product() + L"Version.xml");
    std::wstring text = c.text;
    if (const auto at = text.find(L"{p}"); at != std::wstring::npos) text.replace(at, 3, r.product());

    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([&](kvtest::DialogView& d) {
          EXPECT_EQ(d.Caption(), c.title);
          EXPECT_EQ(d.Text(L"txtMsg"), text);
        })
        .PressEnter();
    EXPECT_THROW(kv::MakeVersionControl(true), ProcessEnded) << kv::ToUtf8(c.what);
    EXPECT_EQ(r.run.UpdateLog(), c.logged ? Lines{text} : Lines{}) << kv::ToUtf8(c.what);
    EXPECT_EQ(kvtest::ReadBytes(r.product() + L"Version.xml"), product) << kv::ToUtf8(c.what);
    SetFileAttributesW((r.product() + L"a.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST(MakeVersionControl, HistoryFieldConversions) {
  const auto text = [](VARTYPE vt, auto set) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    set(v);
    return v;
  };
  SYSTEMTIME t{2024, 4, 0, 1, 0, 0, 0, 0};
  double midnight = 0, afternoon = 0;
  SystemTimeToVariantTime(&t, &midnight);
  t.wHour = 15;
  t.wMinute = 4;
  t.wSecond = 5;
  SystemTimeToVariantTime(&t, &afternoon);
  EXPECT_EQ(kv::HistoryText(text(VT_I4, [](VARIANT& v) { v.lVal = -42; })), L"-42");
  EXPECT_EQ(kv::HistoryText(text(VT_R8, [](VARIANT& v) { v.dblVal = 2.5; })), L"2.5");
  EXPECT_EQ(kv::HistoryText(text(VT_DATE, [&](VARIANT& v) { v.date = midnight; })), ShortDate(2024, 4, 1));
  EXPECT_EQ(kv::HistoryText(text(VT_DATE, [&](VARIANT& v) { v.date = afternoon; })),
            ShortDate(2024, 4, 1) + L" 15:04:05");

  struct Case {
    double value;
    std::int16_t type;  // or the failure
    std::int32_t failure;
  };
  const Case cases[] = {{2.5, 2, 0}, {3.5, 4, 0}, {-2.5, -2, 0}, {32767.4, 32767, 0}, {32768, 0, kv::err::Overflow},
                        {-40000, 0, kv::err::Overflow}};
  for (const Case& c : cases) {
    const VARIANT v = text(VT_R8, [&](VARIANT& x) { x.dblVal = c.value; });
    try {
      EXPECT_EQ(kv::HistoryType(v), c.type) << c.value;
      EXPECT_EQ(c.failure, 0) << c.value;
    } catch (const kv::RuntimeError& e) {
      EXPECT_EQ(e.Number(), c.failure) << c.value;
    }
  }
  kv::UniqueVariant abc;
  abc.get()->vt = VT_BSTR;
  abc.get()->bstrVal = SysAllocString(L"abc");
  kv::UniqueVariant null;
  null.get()->vt = VT_NULL;
  const auto failure = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const kv::RuntimeError& e) {
      return e.Number();
    }
    return 0;
  };
  EXPECT_EQ(failure([&] { kv::HistoryType(*abc.get()); }), kv::err::TypeMismatch);
  EXPECT_EQ(kv::HistoryText(*abc.get()), L"abc");
  EXPECT_EQ(failure([&] { kv::HistoryType(*null.get()); }), 94);
  EXPECT_EQ(failure([&] { kv::HistoryText(*null.get()); }), 94);
}

}  // namespace
