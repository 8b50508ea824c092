#include <windows.h>
#include <oleauto.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "base/Host.h"
#include "base/ProcessExit.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "dialogs/Form.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmDispUpdate.h"
#include "dialogs/frmSplash.h"
#include "driver/InternetSteps.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "versioncontrol/ProgramFileInstall.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {

namespace {

constexpr wchar_t kVersionDownQuestion[] =
    L"このまま更新するとバージョンダウンするため、正しく動作しない可能性があります。よろしいですか？";
constexpr wchar_t kNoRightsBefore6[] =
    L"管理者権限がないためアップデートができません。アイコンまたはメニューを右クリックして"
    L"「別のユーザーとして実行」から管理者権限のあるユーザーで起動してください。";
constexpr wchar_t kElevationNotice[] =
    L"インターネット経由でプログラム更新を行います。ユーザーアカウント制御画面が表示されたら更新を許可してください。";

// The installed version control does not list entry i of the new one with this version.
bool NotCurrent(std::int16_t i) {
  const clsVersionControl& vc = objVersionControl();
  return !objVersionControlLocal().CheckVersionTable(vc.ProgramName(i), vc.VersionText(i), vc.CabFileName(i));
}

bool VersionDown(std::int16_t i) {
  const clsVersionControl& vc = objVersionControl();
  return objVersionControlLocal().CheckVersionDown(vc.ProgramName(i), vc.VersionText(i), vc.CabFileName(i));
}

// Walks the entries that are not current, in table order as it stands now.
void ForEachNotCurrent(const std::function<void(std::int16_t)>& step) {
  for (std::int16_t i = 1; i <= objVersionControl().UseVersionTable(); ++i) {
    if (NotCurrent(i)) step(i);
  }
}

// A whole repaint of the splash window costs some milliseconds under X: file by file the changed
// line is painted and the whole window on a clock; a new step text always repaints it all.
void RefreshSplash(bool always = true) {
  SkipOnError([always] {
    if (always) {
      Splash().Refresh();
    } else {
      Splash().RefreshOnClock();
    }
  });
}

// A failure of one entry: its boot line and logged message, then the end without the main program.
[[noreturn]] void FailEntry(const std::wstring& bootLine, const std::wstring& message) {
  SkipOnError([&] { WriteBootLog(bootLine); });
  SkipOnError([&] { LogMessageBox(message, 16, ProductTitle()); });
  UnloadSplashAndEnd();
}

std::optional<std::int64_t> SavedSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<double> ReadDate(const std::wstring& text) {
  DATE date = 0;
  std::wstring copy = text;
  if (FAILED(VarDateFromStr(copy.data(), LOCALE_USER_DEFAULT, 0, &date))) return std::nullopt;
  return date;
}

// Answers 1 to go on; anything else declines.
std::int32_t AskUpdateContents(std::int32_t count, bool versionDown) {
  std::int32_t answer = 1;
  if (versionDown) {
    SkipOnError([] { WriteBootLog(L"Version Down"); });
    answer = -1;
    SkipOnError([&] { answer = LogMessageBox(kVersionDownQuestion, 49, ProductTitle()); });
  }
  if (answer != 1) return answer;
  frmDispUpdate form(CurrentRun().Starter());
  SkipOnError([&] { FillUpdateContents(form, count); });
  answer = 0;
  SkipOnError([&] { form.ShowModal(); });
  SkipOnError([&] { answer = form.Answer(); });
  SkipOnError([&] { form.Unload(); });
  RefreshSplash();
  return answer;
}

void RequireAdministrator() {
  UpdateRun& run = CurrentRun();
  if (run.flgAdministrator) return;
  if (run.version.major < 6) {
    SkipOnError([] { LogMessageBox(kNoRightsBefore6, 48, ProductTitle()); });
    UnloadSplashAndEnd();
  }
  SkipOnError([] { LogMessageBox(kElevationNotice, 64, ProductTitle()); });
  SkipOnError([&] {
    if (run.SplashCreated()) run.Splash().Unload();
  });
  RestartSelf(CurrentHost().CommandLine(), false);
}

void DownloadCabinet(std::int16_t i) {
  const clsVersionControl& vc = objVersionControl();
  const clsIniFile& ini = objIniFile();
  const std::wstring name = vc.ProgramName(i);
  SkipOnError([&] { Splash().lblHospital.SetText(name); });
  RefreshSplash(false);

  const std::wstring cabinet = vc.CabFileName(i).empty() ? name + L".cab" : vc.CabFileName(i);
  const std::wstring url = ini.UpdateURL() + LCase(cabinet) + CurrentRun().hospitalQuery;
  const std::wstring savePath = ini.CommonFolder() + cabinet;
  const std::wstring downloadFailed = L"ファイルをダウンロードできませんでした。" + name + L".cab";
  // The name comes from the host's file: it must not lead the download out of its folder.
  if (SkipOnError([&] { RequirePlainFileName(cabinet); })) FailEntry(L"Error Download File " + name, downloadFailed);

  SkipOnError([&] { Splash().SetFileSize(vc.CabFileSize(i)); });
  SkipOnError([&] {
    if (!DirectoryListingFinds(ini.CommonFolder())) CreateDirectoryW(ini.CommonFolder().c_str(), nullptr);
  });
  SkipOnError([&] { WriteBootLog(L"Download File " + name); });
  std::int32_t r = -1;
  SkipOnError([&] { r = Splash().GetHTTP(url, savePath, ini.User(), ini.Password(), ini.TimeOut()); });
  if (r != 0) FailEntry(L"Error Download File " + name, downloadFailed);
  if (SavedSize(savePath) != std::optional<std::int64_t>(vc.CabFileSize(i))) {
    FailEntry(L"Error Download File " + name, L"ダウンロードファイルのサイズが不正です。" + name + L".cab");
  }
  SkipOnError([&] { WriteUpdateLog(L"[Download] " + url + L" " + savePath); });
  RefreshSplash(false);
}

void ExpandAndCheck(std::int16_t i) {
  clsVersionControl& vc = objVersionControl();
  const std::wstring folder = objIniFile().CommonFolder();
  const std::wstring name = vc.ProgramName(i);
  SkipOnError([&] { WriteBootLog(L"Extract File " + name); });
  std::int32_t expanded = -1;
  SkipOnError([&] { expanded = vc.ExpandFile(i, folder); });
  if (expanded != 0) FailEntry(L"Error Extract File " + name, L"ファイルを解凍できませんでした。" + name + L".cab");
  SkipOnError([&] { WriteUpdateLog(L"[Expand] " + name); });
  std::int32_t digest = -1;
  SkipOnError([&] { digest = vc.CheckFileMD5(i, folder); });
  if (digest != 0) FailEntry(L"Error MD5 " + name, L"ダウンロードに失敗しました。\r\n" + vc.LastErrorDescription());
}

void Install(std::int16_t i) {
  UpdateRun& run = CurrentRun();
  clsVersionControl& vc = objVersionControl();
  const std::wstring name = vc.ProgramName(i);
  SkipOnError([&] { Splash().lblHospital.SetText(name + L" を更新しています..."); });
  RefreshSplash(false);
  SkipOnError([&] { WriteBootLog(L"Copy & Regist File " + name); });
  std::int32_t r = -1;
  SkipOnError([&] { r = vc.CabExtractAndRegist(i, objIniFile().CommonFolder(), objInstallIniFile().InstallFolder()); });
  if (r != 0) {
    const std::wstring description = vc.LastErrorDescription();
    FailEntry(L"Error Copy & Regist File " + name + description, L"更新に失敗しました。" + description + name);
  }
  ++run.installedCount;
  SkipOnError([&] { WriteUpdateLog(L"[Copy] " + name + L" " + vc.VersionText(i)); });
  vc.SetFileChange(i, true);
}

}  // namespace

std::wstring KilobyteText(std::int64_t bytes) {
  return std::to_wstring(std::llround(static_cast<double>(bytes) / 1024.0));
}

bool ListHistoryEntry(const std::wstring& installedVersion, const std::wstring& entryDate) {
  const auto entry = ReadDate(entryDate);
  const auto installed = ReadDate(installedVersion);
  if (!entry || !installed) return true;
  return std::floor(*installed) < std::floor(*entry);
}

void FillUpdateContents(frmDispUpdate& form, std::int32_t count) {
  const clsVersionControl& vc = objVersionControl();
  const std::wstring installed = objVersionControlLocal().VersionText(0);
  SkipOnError([&] { form.Load(); });
  SkipOnError([&] { form.lsvUpdate.Clear(); });
  for (std::int16_t j = 1; j <= vc.UseInfoTable(); ++j) {
    if (!ListHistoryEntry(installed, vc.InfoHiduke(j))) continue;
    int row = -1;
    // A key already in use leaves this entry out; the rows before it stay whole.
    if (SkipOnError([&] { row = form.lsvUpdate.Add(vc.InfoID(j), vc.InfoVersion(j)); })) continue;
    SkipOnError([&] { form.lsvUpdate.SetSubItem(row, 1, vc.InfoTitle(j)); });
    SkipOnError([&] { form.lsvUpdate.SetSubItem(row, 2, vc.InfoHiduke(j)); });
  }

  std::int64_t listTotal = 0;
  ForEachNotCurrent([&](std::int16_t i) {
    std::wstring text = vc.ProgramName(i);
    if (VersionDown(i)) text += L" (※ﾊﾞｰｼﾞｮﾝﾀﾞｳﾝ)";
    std::wstring size = KilobyteText(vc.CabFileSize(i));
    if (size == L"0") size = L"1";
    SkipOnError([&] {
      const int row = form.lsvFiles.Add(L"", text);
      form.lsvFiles.SetSubItem(row, 1, vc.VersionText(i));
      form.lsvFiles.SetSubItem(row, 2, size + L"KB");
    });
    listTotal += vc.CabFileSize(i);
  });
  SkipOnError([&] {
    form.lblTotal.SetText(std::to_wstring(count) + L"個の更新ファイル（" + KilobyteText(listTotal) +
                          L"KB）をダウンロードします。");
  });
  SkipOnError([&] {
    if (form.lsvUpdate.Count() == 0) {
      const int row = form.lsvUpdate.Add(L"", L"");
      form.lsvUpdate.SetSubItem(row, 1, L"更新情報はありません。");
    }
  });
}

void InternetApplication() {
  UpdateRun& run = CurrentRun();
  clsVersionControl& vc = objVersionControl();
  SkipOnError([] { WriteUpdateLog(L"インターネットアップデート開始"); });

  run.installedCount = 0;
  bool versionDown = false;
  std::int64_t totalSize = 0;
  for (std::int16_t i = 1; i <= vc.UseVersionTable(); ++i) {
    if (NotCurrent(i)) {
      ++run.installedCount;
      totalSize += vc.CabFileSize(i);
    }
    if (VersionDown(i)) versionDown = true;
  }
  if (run.installedCount == 0) {
    SkipOnError([] { WriteBootLog(L"No Exist Update "); });
    ShowNoUpdateNotice();
    return;
  }
  SkipOnError([&] { WriteBootLog(L"Exist Update " + std::to_wstring(run.installedCount)); });

  if (AskUpdateContents(run.installedCount, versionDown) != 1) {
    run.installedCount = 0;
    run.declined = true;
    return;
  }

  RequireAdministrator();

  // Downloads: one bar over all cabinets.
  SkipOnError([&] { Splash().ProgressBar.SetMax(static_cast<std::int32_t>(totalSize)); });
  SkipOnError([] { Splash().ProgressBar.SetVisible(true); });
  SkipOnError([] { Splash().ProgressBar.SetValue(0); });
  SkipOnError([] { Splash().lblVersion.SetText(L"プログラムをダウンロードしています..."); });
  RefreshSplash();
  run.installedCount = 0;
  ForEachNotCurrent(DownloadCabinet);

  // Every cabinet is verified before the first file is installed.
  SkipOnError([] { Splash().lblVersion.SetText(L"プログラムを解凍チェックしています..."); });
  SkipOnError([] { Splash().lblHospital.SetText(L""); });
  RefreshSplash();
  ForEachNotCurrent(ExpandAndCheck);

  SkipOnError([] { WriteBootLog(L"Write Control"); });
  // The write sorts the entries by name: the installs follow that order.
  SkipOnError([&] { vc.WriteControl(objIniFile().CommonFolder() + objIniFile().VersionFileName()); });

  SkipOnError([] { Splash().lblVersion.SetText(L"プログラムを更新しています..."); });
  SkipOnError([] { Splash().lblHospital.SetText(L""); });
  RefreshSplash();
  ForEachNotCurrent(Install);

  SkipOnError([] { Splash().lblHospital.SetText(L""); });
  RefreshSplash();
  SkipOnError([] { WriteUpdateLog(L"インターネットアップデート更新"); });
}

}  // namespace kv
