// The web tool's update after an internet update: only with newer web files and an update the
// user did not decline, announced, then run and waited for.
#include <gtest/gtest.h>

#include "InternetRoad.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::InternetRoad;
using kvtest::Lines;
using kvtest::Query;

class WebTool : public testing::Test {
 protected:
  WebTool() {
    road.run.flgInetUpdate = true;
    road.WriteIni({{L"UpdateURL", road.server.Url(L"/ok/")}, {L"WebUpdate", tool}});
    road.WriteWebIni({{L"UpdateURL", road.server.Url(L"/ok/web/")}, {L"DownLoadFolder", road.dir.path() + L"\\web"}});
  }
  Lines WebLines() const {
    return {L"*** バロネルアップデート起動ログ KanvoloUpdate2", L"Get Web XML " + road.server.Url(L"/ok/web/Version.xml") + Query(),
            L"Read Web XML " + road.dir.path() + L"\\web\\Version.xml"};
  }

  InternetRoad road;
  std::wstring tool = road.dir / L"バロネル WEB\\Sornet.exe";
};

TEST_F(WebTool, UpdatedAfterTheNoticeAlsoWhenNothingWasInstalled) {
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox")
      .Check([](kvtest::DialogView& d) { EXPECT_EQ(d.Text(L"rtxtMsg"), L"続けてルカネスのインターネットアップデートを行います。"); })
      .PressEnter();
  EXPECT_TRUE(road.RunSteps(kv::WebToolUpdate).reachedEnd);
  Lines boot = WebLines();
  boot.push_back(L"Web Update");
  EXPECT_EQ(road.BootLog(), boot);
  EXPECT_EQ(road.UpdateLog(), Lines{L"続けてルカネスのインターネットアップデートを行います。"});
  ASSERT_EQ(road.starter.runs.size(), 1u);
  EXPECT_EQ(road.starter.runs[0].commandLine, L"\"" + tool + L"\" /UPDATE");
  EXPECT_EQ(road.starter.runs[0].window, kv::StartWindow::NormalFocused);
}

TEST_F(WebTool, NotUpdatedAfterADeclinedUpdate) {
  road.run.declined = true;
  kvtest::ScriptedUser user;
  EXPECT_TRUE(road.RunSteps(kv::WebToolUpdate).reachedEnd);
  EXPECT_EQ(road.BootLog(), WebLines());
  EXPECT_TRUE(road.starter.runs.empty());
}

// Each road starts from the fixture's ground, where the web tool would be updated, and takes one
// thing away: the web tool's INI, or the internet update.
struct QuietRoad {
  const char* name;
  bool internet;
  bool webIni;
};

void PrintTo(const QuietRoad& road, std::ostream* os) { *os << road.name; }

class WebToolQuiet : public WebTool, public testing::WithParamInterface<QuietRoad> {};

TEST_P(WebToolQuiet, NothingHappens) {
  road.run.flgInetUpdate = GetParam().internet;
  if (!GetParam().webIni) DeleteFileW((kv::GetUserDataFolder() + L"\\Sornet.ini").c_str());
  kvtest::ScriptedUser user;  // no dialog expected: a notice would fail the test
  EXPECT_TRUE(road.RunSteps(kv::WebToolUpdate).reachedEnd);
  EXPECT_EQ(road.BootLog(), Lines{L"*** バロネルアップデート起動ログ KanvoloUpdate2"});
  EXPECT_TRUE(road.server.Requests().empty());
  EXPECT_TRUE(road.starter.runs.empty());
}

INSTANTIATE_TEST_SUITE_P(Roads, WebToolQuiet,
                         testing::Values(QuietRoad{"WithoutItsIni", true, false},
                                         QuietRoad{"AfterAnotherRoad", false, true}),
                         [](const testing::TestParamInfo<QuietRoad>& info) { return std::string(info.param.name); });

TEST_F(WebTool, NoWebUrlDeliversEndsTheRunSilently) {
  road.WriteWebIni({{L"UpdateURL", road.server.Url(L"/404/")},
                    {L"UpdateURL2", road.server.Url(L"/404/")},
                    {L"UpdateURL3", road.server.Url(L"/404/")}});
  kvtest::ScriptedUser user;
  EXPECT_FALSE(road.RunSteps(kv::WebToolUpdate).reachedEnd);
  EXPECT_EQ(road.BootLog().size(), 4u);
  EXPECT_TRUE(road.UpdateLog().empty());
}

}  // namespace
