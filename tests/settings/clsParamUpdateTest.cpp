#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "base/Host.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "settings/SettingsFixtures.h"
#include "settings/clsParamUpdate.h"
#include "support/FakeHost.h"

namespace {

using kv::clsParamUpdate;
using kvtest::ScopedProductKeys;

constexpr const wchar_t* kParam = ScopedProductKeys::kParam;
const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;

void Put(HKEY root, const wchar_t* name, const std::wstring& value) { ScopedProductKeys::Put(root, kParam, name, value); }

// The stored bytes of a REG_SZ value, its NUL included; nullopt when missing or of another type.
std::optional<std::string> Stored(HKEY root, const wchar_t* name) {
  const auto value = ScopedProductKeys::Get(root, kParam, name);
  if (!value || value->type != REG_SZ) return std::nullopt;
  return value->bytes;
}

std::string Sz(const std::wstring& text) { return kv::ToAnsi(text) + '\0'; }

class clsParamUpdateTest : public ::testing::Test {
 protected:
  clsParamUpdateTest() : scoped_(host_) { host_.programFolder = L"C:\\Program Files\\バロネル"; }

  ScopedProductKeys keys_;
  kvtest::FakeHost host_;
  kv::ScopedHost scoped_;
};

TEST_F(clsParamUpdateTest, NoParamKeyGivesTheDefaults) {
  const clsParamUpdate param;
  EXPECT_EQ(param.DBDriver(), 1);
  EXPECT_EQ(param.DBUser(), L"");
  EXPECT_EQ(param.DBPassword(), L"");
  EXPECT_EQ(param.DBServer(), L"");
  EXPECT_EQ(param.DBdataBase(), L"MOSURI");
  EXPECT_EQ(param.DBPath(), kv::GetUserDataFolder() + L"\\mosuri.mdb");
  EXPECT_EQ(param.DBInstance(), L"");
  EXPECT_EQ(param.DBPort(), L"");
  EXPECT_EQ(param.DBOption(), L"");
  // Reading creates nothing.
  EXPECT_FALSE(ScopedProductKeys::KeyExists(kUser, kParam));
  EXPECT_FALSE(ScopedProductKeys::KeyExists(kMachine, kParam));
}

TEST_F(clsParamUpdateTest, MachineValueWinsEvenWhenEmpty) {
  Put(kUser, L"DB_SERVER", L"USER-SV");
  Put(kMachine, L"DB_SERVER", L"");
  Put(kUser, L"DB_INSTANCE", L"USERINST");
  Put(kMachine, L"DB_DATABASE", L"MOSURI_M");
  Put(kUser, L"DB_PORT", L"1433");
  Put(kMachine, L"DB_PORT", L"1434");
  Put(kUser, L"DB_OPTION", L"オプション");
  Put(kMachine, L"DLL_VERSION", L"9.9.9");  // not read from the machine's hive

  const clsParamUpdate param;
  EXPECT_EQ(param.DBServer(), L"");
  EXPECT_EQ(param.DBInstance(), L"USERINST");
  EXPECT_EQ(param.DBdataBase(), L"MOSURI_M");
  EXPECT_EQ(param.DBPort(), L"1434");
  EXPECT_EQ(param.DBOption(), L"オプション");
}

TEST_F(clsParamUpdateTest, DriverThatIsNoNumberKeepsTheValueBefore) {
  struct Case {
    const wchar_t* user;
    const wchar_t* machine;  // nullptr: no value
    std::int16_t driver;
  } cases[] = {
      {L"3", nullptr, 3}, {L" 4 ", nullptr, 4},   {L"abc", nullptr, 0}, {L"70000", nullptr, 0},
      {L"", nullptr, 0},  {L"abc", L"5", 5},      {L"2", L"x", 2},      {L"2", L"0", 0},
  };
  for (const auto& c : cases) {
    Put(kUser, L"DB_DRIVER", c.user);
    if (c.machine) {
      Put(kMachine, L"DB_DRIVER", c.machine);
    } else {
      ScopedProductKeys::Remove(kMachine, kParam, L"DB_DRIVER");
    }
    EXPECT_EQ(clsParamUpdate().DBDriver(), c.driver) << kv::ToUtf8(c.user);
  }
}

TEST_F(clsParamUpdateTest, StoredPasswordsDecodeWithTheUserName) {
  // "'otGawd'" is "password" scrambled with the user name "sa" by the earlier programs' generator.
  Put(kUser, L"DB_USER", L"sa");
  Put(kUser, L"DB_PASSWORD", L"'otGawd'");
  EXPECT_EQ(clsParamUpdate().DBPassword(), L"password");

  // The machine's user name is the key when the machine's hive holds one.
  Put(kMachine, L"DB_USER", L"admin");
  Put(kMachine, L"DB_PASSWORD", L"W>uF8CaWe");
  EXPECT_EQ(clsParamUpdate().DBPassword(), L"Abc123!~ ");
}

TEST_F(clsParamUpdateTest, SetValueStoresTheNineValuesInBothHives) {
  clsParamUpdate param;
  param.SetDBDriver(4);
  param.SetDBUser(L"利用者");
  param.SetDBPassword(L"pass word");
  param.SetDBServer(L"SV01");
  param.SetDBdataBase(L"MOSURI2");
  param.SetDBPath(L"C:\\Program Files\\バロネル\\DB\\mosuri.mdb");
  param.SetDBInstance(L"SQLEXPRESS");
  param.SetDBPort(L"");
  param.SetDBOption(L"Encrypt=no;");
  param.SetValue();

  for (HKEY root : {kUser, kMachine}) {
    EXPECT_EQ(Stored(root, L"DB_DRIVER"), Sz(L"4"));
    EXPECT_EQ(Stored(root, L"DB_USER"), Sz(L"利用者"));
    EXPECT_EQ(Stored(root, L"DB_PASSWORD"), Sz(clsParamUpdate::EncodePassword(L"pass word", L"利用者")));
    EXPECT_EQ(Stored(root, L"DB_SERVER"), Sz(L"SV01"));
    EXPECT_EQ(Stored(root, L"DB_DATABASE"), Sz(L"MOSURI2"));
    EXPECT_EQ(Stored(root, L"DB_PATH"), Sz(L"%APP_PATH%\\DB\\mosuri.mdb"));
    EXPECT_EQ(Stored(root, L"DB_INSTANCE"), Sz(L"SQLEXPRESS"));
    EXPECT_EQ(Stored(root, L"DB_PORT"), Sz(L""));
    EXPECT_EQ(Stored(root, L"DB_OPTION"), Sz(L"Encrypt=no;"));
    EXPECT_FALSE(ScopedProductKeys::Get(root, kParam, L"DLL_VERSION"));
  }
  EXPECT_NE(Stored(kUser, L"DB_PASSWORD"), Sz(L"pass word"));

  // On 64-bit Windows every build stores below the machine's 32-bit view only, where the 32-bit
  // deliverable has its settings.
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (wow64 || sizeof(void*) == 8) {
    EXPECT_FALSE(ScopedProductKeys::KeyExists(kMachine, kParam, KEY_WOW64_64KEY));
  }

  const clsParamUpdate next;
  EXPECT_EQ(next.DBDriver(), 4);
  EXPECT_EQ(next.DBUser(), L"利用者");
  EXPECT_EQ(next.DBPassword(), L"pass word");
  EXPECT_EQ(next.DBPath(), L"C:\\Program Files\\バロネル\\DB\\mosuri.mdb");
}

TEST_F(clsParamUpdateTest, NonAdministratorSavesOnlyTheUsersHive) {
  host_.admin = false;
  Put(kMachine, L"DB_SERVER", L"MACHINE-SV");
  clsParamUpdate param;
  EXPECT_EQ(param.DBServer(), L"MACHINE-SV");
  param.SetDBServer(L"MY-SV");
  param.SetDBUser(L"me");
  param.SetValue();

  EXPECT_EQ(Stored(kUser, L"DB_SERVER"), Sz(L"MY-SV"));
  EXPECT_EQ(Stored(kUser, L"DB_USER"), Sz(L"me"));
  EXPECT_EQ(Stored(kMachine, L"DB_SERVER"), Sz(L"MACHINE-SV"));
  EXPECT_FALSE(Stored(kMachine, L"DB_USER"));
  // The machine's value still wins at the next read.
  EXPECT_EQ(clsParamUpdate().DBServer(), L"MACHINE-SV");
}

TEST_F(clsParamUpdateTest, AdministratorAnswerCountsFromWindows6) {
  struct Case {
    std::optional<kv::WindowsVersion> version;
    bool admin;
    bool machineWritten;
  } cases[] = {
      {kv::WindowsVersion{6, 1}, false, false},
      {kv::WindowsVersion{10, 0}, true, true},
      {kv::WindowsVersion{5, 1}, false, true},  // older Windows always tries the machine's hive
      {std::nullopt, false, true},
  };
  for (const auto& c : cases) {
    ScopedProductKeys::Clear();
    host_.version = c.version;
    host_.admin = c.admin;
    clsParamUpdate param;
    param.SetDBServer(L"SV");
    param.SetValue();
    EXPECT_EQ(Stored(kMachine, L"DB_SERVER").has_value(), c.machineWritten)
        << (c.version ? c.version->major : 0) << " admin " << c.admin;
    EXPECT_EQ(Stored(kUser, L"DB_SERVER"), Sz(L"SV"));
  }
}

TEST_F(clsParamUpdateTest, PathsAreStoredWithMacrosAndExpandedOnAnotherInstallation) {
  const std::wstring user = kv::GetUserDataFolder();
  const std::wstring all = kv::GetAllUserDataFolder();
  struct Case {
    std::wstring path;
    std::wstring stored;
    std::wstring elsewhere;  // read back with the program in D:\別の場所
  } cases[] = {
      {L"C:\\Program Files\\バロネル\\data\\mosuri.mdb", L"%APP_PATH%\\data\\mosuri.mdb",
       L"D:\\別の場所\\data\\mosuri.mdb"},
      {user + L"\\mosuri.mdb", L"%USER_APP_DATA%\\mosuri.mdb", user + L"\\mosuri.mdb"},
      {all + L"\\共有.mdb", L"%ALL_APP_DATA%\\共有.mdb", all + L"\\共有.mdb"},
      {L"c:\\program files\\バロネル\\x.mdb", L"c:\\program files\\バロネル\\x.mdb",
       L"c:\\program files\\バロネル\\x.mdb"},  // the replacement is case-sensitive
      {L"\\\\SV\\db\\mosuri.mdb", L"\\\\SV\\db\\mosuri.mdb", L"\\\\SV\\db\\mosuri.mdb"},
  };
  for (const auto& c : cases) {
    host_.programFolder = L"C:\\Program Files\\バロネル";
    clsParamUpdate param;
    param.SetDBPath(c.path);
    param.SetValue();
    EXPECT_EQ(Stored(kUser, L"DB_PATH"), Sz(c.stored)) << kv::ToUtf8(c.path);
    EXPECT_EQ(Stored(kMachine, L"DB_PATH"), Sz(c.stored)) << kv::ToUtf8(c.path);

    host_.programFolder = L"D:\\別の場所";
    EXPECT_EQ(clsParamUpdate().DBPath(), c.elsewhere) << kv::ToUtf8(c.path);
  }
}

TEST_F(clsParamUpdateTest, LongValuesAreCutOrReadBackAsMissing) {
  clsParamUpdate param;
  param.SetDBOption(std::wstring(300, L'o'));
  param.SetDBInstance(std::wstring(200, L'漢'));
  param.SetValue();

  EXPECT_EQ(Stored(kUser, L"DB_OPTION"), Sz(std::wstring(255, L'o')));
  // 400 bytes and a NUL are stored, more than the reader's 256 bytes.
  EXPECT_EQ(Stored(kUser, L"DB_INSTANCE"), Sz(std::wstring(200, L'漢')));
  const clsParamUpdate next;
  EXPECT_EQ(next.DBOption(), std::wstring(255, L'o'));
  EXPECT_EQ(next.DBInstance(), L"");
}

TEST_F(clsParamUpdateTest, ValueStringsOfTheCurrentUser) {
  clsParamUpdate param;
  EXPECT_TRUE(param.RegSetValueString(L"Software\\Kestrova\\Varonel", L"FRM_MAIN", L"Left", L"120"));
  EXPECT_EQ(ScopedProductKeys::Get(kUser, L"Software\\Kestrova\\Varonel\\FRM_MAIN", L"Left")->bytes, Sz(L"120"));
  EXPECT_EQ(param.RegGetValueString(L"Software\\Kestrova\\Varonel", L"FRM_MAIN", L"Left", L"0"), L"120");
  EXPECT_EQ(param.RegGetValueString(L"Software\\Kestrova\\Varonel", L"FRM_MAIN", L"Top", L"0"), L"0");
  EXPECT_EQ(param.RegGetValueString(L"Software\\Kestrova\\Varonel", L"NONE", L"Top", L"d"), L"d");
}

TEST_F(clsParamUpdateTest, CleanUpOfOlderSettings) {
  const std::wstring product = L"Software\\Kestrova\\Varonel";
  const std::wstring old = L"Software\\Kestrova\\Kanvolo For WindowsNT";
  ScopedProductKeys::Put(kUser, old + L"\\PARAM", L"DB_SERVER", L"OLD-SV");
  ScopedProductKeys::Put(kUser, old + L"\\PARAM", L"DB_USER", L"旧");
  ScopedProductKeys::Put(kUser, old + L"\\FRM_LIST", L"Width", L"800");
  for (const wchar_t* form : {L"FRM_MAIN", L"TOOLBAR_1", L"WINDOW", L"WINDOWPOS", L"frm_lower", L"KEEP"}) {
    ScopedProductKeys::Put(kUser, product + L"\\" + form, L"v", L"1");
  }

  clsParamUpdate param;
  EXPECT_TRUE(param.RegCopyOldProduct());
  EXPECT_EQ(ScopedProductKeys::Get(kUser, product + L"\\PARAM", L"DB_SERVER")->bytes, Sz(L"OLD-SV"));
  EXPECT_EQ(ScopedProductKeys::Get(kUser, product + L"\\PARAM", L"DB_USER")->bytes, Sz(L"旧"));
  EXPECT_EQ(ScopedProductKeys::Get(kUser, product + L"\\FRM_LIST", L"Width")->bytes, Sz(L"800"));

  EXPECT_FALSE(param.RegRemoveOldProduct());
  EXPECT_FALSE(ScopedProductKeys::KeyExists(kUser, old));
  EXPECT_FALSE(param.RegCopyOldProduct());  // nothing left to copy

  EXPECT_TRUE(param.RegClearFormKeys());
  for (const wchar_t* gone : {L"FRM_MAIN", L"TOOLBAR_1", L"WINDOW", L"WINDOWPOS", L"FRM_LIST"}) {
    EXPECT_FALSE(ScopedProductKeys::KeyExists(kUser, product + L"\\" + gone)) << kv::ToUtf8(gone);
  }
  for (const wchar_t* kept : {L"frm_lower", L"KEEP", L"PARAM"}) {
    EXPECT_TRUE(ScopedProductKeys::KeyExists(kUser, product + L"\\" + kept)) << kv::ToUtf8(kept);
  }

  EXPECT_FALSE(param.RegClearAllKeys());
  EXPECT_FALSE(ScopedProductKeys::KeyExists(kUser, product));
}

}  // namespace
