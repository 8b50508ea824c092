// The splash window: its loading, the copyright line, the progress bar that refuses what it
// cannot hold, and a picture of it at work.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "base/RuntimeError.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "support/ExclusiveLock.h"
#include "support/OperationLogCapture.h"
#include "support/Screenshot.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::wstring>;

RECT ClientOf(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r;
}

// A control's client area in the coordinates of its form.
RECT InnerBounds(const kv::Control& control) {
  RECT r = ClientOf(control.Window());
  MapWindowPoints(control.Window(), control.Parent().hwnd(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The splash loads with the program folder and version texts the test gives it.
struct SplashFixture {
  SplashFixture() {
    log.host.programFolder = folder.path();
    log.host.legalCopyright = L"Copyright (C) Kestrova Inc.";
  }
  kvtest::OperationLogCapture log;
  kvtest::TempDir folder;
};

TEST(frmSplash, LoadsBorderlessWithItsDesignAndLogsOpeningAndClosing) {
  SplashFixture fixture;
  kv::frmSplash form;
  form.Load();
  const HWND window = form.hwnd();
  EXPECT_EQ(form.Caption(), L"バロネル　アップデート");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU), 0) << std::hex << style;
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(form.lblVersion.Text(), L"プログラムを更新しています...");
  EXPECT_EQ(form.ProgressBar.Value(), 0);
  // The picture box fills the form, the picture fills the inside of its frame.
  EXPECT_TRUE(SameRect(form.Picture1.Bounds(), ClientOf(window)));
  EXPECT_TRUE(SameRect(form.Image1.Bounds(), InnerBounds(form.Picture1)));
  RECT window_rect{};
  GetWindowRect(window, &window_rect);
  EXPECT_EQ(window_rect.right - window_rect.left, ClientOf(window).right) << "no frame around the client area";
  form.Unload();
  EXPECT_EQ(fixture.log.Lines(), (Lines{L"frmSplash,バロネル　アップデート,,,[バロネル　アップデート],開く",
                                        L"frmSplash,バロネル　アップデート,,,[バロネル　アップデート],閉じる"}));
}

TEST(frmSplash, CopyrightLineComesFromTheVersionInformationOrCopyrightTxt) {
  struct Case {
    const char* what;
    const char* file;  // nullptr: no Copyright.txt; bytes in code page 932
    const wchar_t* shown;
  } cases[] = {
      {"no file", nullptr, L"Copyright (C) Kestrova Inc."},
      {"first line replaces it, blanks kept", "  (C) 2024 Kestrova  \r\nsecond line\r\n", L"  (C) 2024 Kestrova  "},
      {"a file of one line without a line end", "(C) Kestrova", L"(C) Kestrova"},
      {"Japanese text", "\x92\x98\x8d\xec\x8c\xa0 \x83\x50\x83\x58\x83\x67\x83\x8d\x83\x94\x83\x40\r\n",
       L"著作権 ケストロヴァ"},
      {"a line ended by a line feed alone", "(C) Kestrova\nsecond", L"(C) Kestrova"},
      {"an empty first line keeps the version text", "\r\n(C) Kestrova\r\n", L"Copyright (C) Kestrova Inc."},
      {"an empty file keeps the version text", "", L"Copyright (C) Kestrova Inc."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SplashFixture fixture;
    if (c.file) kvtest::WriteBytes(fixture.folder / L"Copyright.txt", c.file);
    kv::frmSplash form;
    EXPECT_EQ(form.lblCopyright.Text(), c.shown);  // reading the label loads the form
    form.Unload();
  }
}

TEST(frmSplash, AnUnreadableCopyrightTxtIsSkipped) {
  SplashFixture fixture;
  // A folder of that name exists but cannot be read as a file.
  ASSERT_TRUE(CreateDirectoryW((fixture.folder / L"Copyright.txt").c_str(), nullptr));
  kv::frmSplash form;
  form.Load();
  EXPECT_TRUE(form.Loaded());
  EXPECT_EQ(form.lblCopyright.Text(), L"Copyright (C) Kestrova Inc.");
}

int PointsOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return MulDiv(-font.lfHeight, 72, dpi);
}

TEST(frmSplash, CopyrightLineIsNinePointsWithoutMeiryoUI) {
  SplashFixture fixture;
  const bool saved = kv::flgMeiryoFont;
  for (bool installed : {true, false}) {
    kv::flgMeiryoFont = installed;
    kv::frmSplash form;
    form.Load();
    EXPECT_EQ(PointsOf(form.lblCopyright.Window()), installed ? 8 : 9) << installed;
    EXPECT_EQ(PointsOf(form.lblVersion.Window()), 9) << installed;
    // A second load gets the font afresh.
    form.Unload();
    form.Load();
    EXPECT_EQ(PointsOf(form.lblCopyright.Window()), installed ? 8 : 9) << installed;
  }
  kv::flgMeiryoFont = saved;
}

TEST(ProgressBarControl, RefusesWhatTheBarCannotHoldAndKeepsTheOldValue) {
  SplashFixture fixture;
  kv::frmSplash form;
  auto& bar = form.ProgressBar;
  struct Step {
    const char* what;
    bool setMax;
    std::int32_t value;
    bool refused;
    std::int32_t max;  // afterwards
    std::int32_t now;
  } steps[] = {
      {"design maximum", true, 100, false, 100, 0},
      {"a total of 200 MB", true, 209715200, false, 209715200, 0},
      {"value within", false, 104857600, false, 209715200, 104857600},
      {"value at the maximum", false, 209715200, false, 209715200, 209715200},
      {"value above the maximum", false, 209715201, true, 209715200, 209715200},
      {"negative value", false, -1, true, 209715200, 209715200},
      {"maximum 0", true, 0, true, 209715200, 209715200},
      {"negative maximum (a size that is unknown)", true, -1, true, 209715200, 209715200},
      {"maximum below the value takes the value down", true, 5000, false, 5000, 5000},
      {"value 0", false, 0, false, 5000, 0},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    const auto failure = kv::SkipOnError([&] { s.setMax ? bar.SetMax(s.value) : bar.SetValue(s.value); });
    EXPECT_EQ(failure.has_value(), s.refused);
    if (failure) {
      EXPECT_EQ(failure->Number(), 380);
    }
    EXPECT_EQ(bar.Max(), s.max);
    EXPECT_EQ(bar.Value(), s.now);
  }
  // The Windows control shows the same share of its own range.
  bar.SetMax(3000);
  bar.SetValue(1500);
  const HWND native = bar.Window();
  const auto low = SendMessageW(native, PBM_GETRANGE, TRUE, 0);
  const auto high = SendMessageW(native, PBM_GETRANGE, FALSE, 0);
  EXPECT_EQ(SendMessageW(native, PBM_GETPOS, 0, 0) * 2, low + high);
  // Loading again starts from the design values.
  form.Unload();
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Value(), 0);
}

TEST(frmSplash, ScreenshotWithAStepTextAndAHalfFilledBar) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  SplashFixture fixture;
  kv::frmSplash form;
  form.Show();
  form.lblVersion.SetText(L"プログラムをダウンロードしています...");
  form.lblHospital.SetText(L"Kanvolo.cab 1024k / 2048k");
  form.ProgressBar.SetMax(2097152);
  form.ProgressBar.SetValue(1048576);
  form.Refresh();
  kv::DoEvents();
  kvtest::TakeScreenshot(L"frmSplash", form.hwnd());
  EXPECT_TRUE(IsWindowVisible(form.hwnd()));
  form.Unload();
}

}  // namespace
