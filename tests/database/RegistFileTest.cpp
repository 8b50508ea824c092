#include <gtest/gtest.h>

#include "base/Text.h"
#include "database/clsDataBaseUpdate.h"
#include "support/FakeHost.h"
#include "support/FakeProcessStarter.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

// A starter whose tools cannot be started.
class MissingToolStarter : public kv::ProcessStarter {
 public:
  kv::UniqueHandle Start(const std::wstring&, kv::StartWindow) const override { kv::Raise(kv::err::FileNotFound); }
};

class RegistFileTest : public testing::Test {
 protected:
  FakeHost host_;
  kv::ScopedHost scoped_{host_};
  FakeProcessStarter starter_{host_};
  TempDir dir_;
};

TEST_F(RegistFileTest, QuotedCommandLinesOfTypes2And3WithPausesAround) {
  CreateDirectoryW((dir_ / L"Program Files").c_str(), nullptr);
  const std::wstring file = dir_ / L"Program Files\\a b.dll";
  WriteBytes(file, "x");
  const std::wstring regsvr32 = L"\"" + kv::CurrentHost().SystemFolder() + L"\\regsvr32\"";
  struct Case {
    std::int16_t type;
    bool flgRegist;
    std::vector<std::wstring> commands;
  };
  const Case cases[] = {
      {2, true, {regsvr32 + L" /s \"" + file + L"\""}},
      {2, false, {regsvr32 + L" /u /s \"" + file + L"\""}},
      {3, true, {L"\"" + file + L"\" /RegServer"}},
      {3, false, {L"\"" + file + L"\" /UnregServer"}},
      {1, true, {}},
      {4, true, {}},  // the RegAsm type registers nothing here
      {0, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    kv::clsDataBaseUpdate db(starter_);
    starter_.runs.clear();
    host_.slept = 0;
    EXPECT_EQ(db.RegistFile(file, c.type, c.flgRegist), 0);
    EXPECT_EQ(starter_.CommandLines(), c.commands);
    if (!c.commands.empty()) {
      EXPECT_EQ(starter_.runs[0].sleptBefore, 500u);
      EXPECT_EQ(host_.slept, 1000u);
    }
  }
}

TEST_F(RegistFileTest, MissingFileRunsNothingAndMissingRegsvr32IsStartedByName) {
  kv::clsDataBaseUpdate db(starter_);
  EXPECT_EQ(db.RegistFile(dir_ / L"missing.dll", 2, true), 0);
  EXPECT_TRUE(starter_.runs.empty());

  const std::wstring file = dir_ / L"a.dll";
  WriteBytes(file, "x");
  host_.systemFolder = dir_.path();
  EXPECT_EQ(db.RegistFile(file, 2, true), 0);
  EXPECT_EQ(starter_.CommandLines(), (std::vector<std::wstring>{L"\"regsvr32\" /s \"" + file + L"\""}));
}

TEST_F(RegistFileTest, ToolThatCannotStartIsReportedWithoutStatement) {
  const std::wstring file = dir_ / L"a.exe";
  WriteBytes(file, "x");
  MissingToolStarter missing;
  kv::clsDataBaseUpdate db(missing);
  EXPECT_EQ(db.RegistFile(file, 3, true), kv::err::FileNotFound);
  EXPECT_EQ(db.LastErrorMessage(),
            kv::ErrorText(kv::err::FileNotFound) + L"(35)[DB.RegistFile:ExecWait(\"" + file + L"\" /RegServer)]");
}

}  // namespace
}  // namespace kvtest
