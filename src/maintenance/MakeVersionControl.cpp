#include "maintenance/MakeVersionControl.h"

#include <cwchar>

#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/MD5Component.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmPassword.h"
#include "driver/submain.h"
#include "maintenance/CabCompress.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "versioncontrol/ProgramFileInstall.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {

dao::Workspace* objReleaseWorkspace = nullptr;
std::unique_ptr<dao::Database> objReleaseDatabase;
std::unique_ptr<dao::Recordset> objReleaseRecordset;

namespace {

const wchar_t kCannotRead[] = L"バージョンコントロールファイルが読み込めません。";
const wchar_t kCannotWrite[] = L"バージョンコントロールファイルが書き込めません。";
constexpr std::int32_t kInvalidUseOfNull = 94;

frmPassword* g_passwordForm = nullptr;

void RaiseNull() { throw RuntimeError(kInvalidUseOfNull, L"Null の使い方が不正です。"); }

void RaiseConversion(HRESULT hr) {
  if (hr == DISP_E_OVERFLOW) Raise(err::Overflow);
  if (hr == DISP_E_TYPEMISMATCH) Raise(err::TypeMismatch);
  throw RuntimeError::FromHresult(hr);
}

void Message(const std::wstring& text) { LogMessageBox(text, MB_ICONHAND | MB_OK, CurrentHost().ProductName()); }

// One build: the folders, the MD5 component and the step text the failure handling quotes.
class ReleaseBuild {
 public:
  explicit ReleaseBuild(std::wstring& step) : step_(step) {
    const std::wstring folder = CurrentHost().ProgramFolder();
    productFolder_ = folder + L"\\バロネル\\";
    cabinetFolder_ = folder + L"\\Update\\";
    installerFolder_ = folder + L"\\Installer\\";
    fileName_ = objIniFile().VersionFileName();
  }

  std::int16_t Run(bool makeCab) {
    md5_ = MD5Component::Create();
    ProductPass(makeCab);
    return InstallerPass();
  }

 private:
  enum class Pass { Product, Installer };

  std::int32_t Read(const std::wstring& folder) {
    step_ = L"ReadControl(" + folder + fileName_ + L")";
    return objVersionControl().ReadControl(folder + fileName_, objIniFile().User(), objIniFile().Password(), false);
  }

  void Write(const std::wstring& folder) {
    step_ = L"WriteControl()";
    if (objVersionControl().WriteControl(folder + fileName_) != 0) Message(kCannotWrite);
  }

  void ProductPass(bool makeCab) {
    const std::int32_t r = Read(productFolder_);
    // -1 (check value wrong or missing, or nothing listed) is refreshed and written back.
    if (r != 0 && r != -1) {
      Message(kCannotRead);
      return;
    }
    clsVersionControl& control = objVersionControl();
    for (std::int16_t i = 1; i <= control.UseVersionTable(); ++i) Refresh(i, Pass::Product, makeCab);
    ReadHistory();
    Write(productFolder_);
    if (makeCab) Write(cabinetFolder_);
  }

  std::int16_t InstallerPass() {
    const std::int32_t r = Read(installerFolder_);
    if (r != 0 && r != -1) {
      Message(kCannotRead);
      return 0;
    }
    clsVersionControl& control = objVersionControl();
    for (std::int16_t i = 1; i <= control.UseVersionTable(); ++i) Refresh(i, Pass::Installer, false);
    control.SetUseInfoTable(0);  // the installer's version control has no history
    Write(installerFolder_);
    return 0;
  }

  void Refresh(std::int16_t i, Pass pass, bool makeCab) {
    clsVersionControl& control = objVersionControl();
    const std::wstring name = control.ProgramName(i);
    // Names come from a version control file: they must not reach outside their folders.
    RequirePlainFileName(name);
    const std::wstring f = productFolder_ + name;
    // Both read before anything is compared; the installer's files are the product's.
    const FileStamp stamp = ReadFileStamp(f);

    const bool changed = stamp.versionText != control.VersionText(i);
    if (changed) {
      if (pass == Pass::Product && makeCab) {
        step_ = L"CabCompress(" + name + L"," + control.CabFileName(i) + L")";
        CabCompress(name, control.CabFileName(i), productFolder_, cabinetFolder_);
      }
      control.SetVersionText(i, stamp.versionText);
      control.SetCabFileSize(i, 0);
    }
    if (control.CabFileSize(i) < 1) {
      const std::wstring cabName = control.CabFileName(i);
      if (!cabName.empty()) RequirePlainFileName(cabName);
      const std::wstring c = cabinetFolder_ + (cabName.empty() ? name + L".cab" : cabName);
      control.SetCabFileSize(i, FileExist(c) ? ReadFileStamp(c).size : 1);
    }
    if (pass == Pass::Product || changed || control.MD5(i).empty()) {
      step_ = L"MD5(" + f + L", 1)";
      control.SetMD5(i, md5_->MD5(f, MD5Component::File));
    }
    control.SetFileSize(i, stamp.size);
  }

  void ReadHistory() {
    clsVersionControl& control = objVersionControl();
    objReleaseWorkspace = &dao::DBEngine().Workspaces(0);
    objReleaseDatabase = objReleaseWorkspace->OpenDatabase(kReleaseHistoryPath);
    step_ = std::wstring(L"OpenRecordset(") + kReleaseHistoryQuery + L")";
    objReleaseRecordset = objReleaseDatabase->OpenRecordset(kReleaseHistoryQuery);
    dao::Recordset& rs = *objReleaseRecordset;
    control.SetUseInfoTable(0);
    // Records past the 5000th are still converted; the history's setters drop them.
    while (!rs.Eof()) {
      const auto k = static_cast<std::int16_t>(control.UseInfoTable() + 1);
      control.SetInfoID(k, HistoryText(rs.Fields(L"ID").Value()));
      control.SetInfoType(k, HistoryType(rs.Fields(L"TYPE").Value()));
      control.SetInfoHiduke(k, HistoryText(rs.Fields(L"HIDUKE").Value()));
      control.SetInfoVersion(k, HistoryText(rs.Fields(L"VERSION").Value()));
      control.SetInfoVerGroup(k, HistoryText(rs.Fields(L"VER_GROUP").Value()));
      control.SetInfoTitle(k, HistoryText(rs.Fields(L"TITLE").Value()));
      control.SetUseInfoTable(static_cast<std::int16_t>(control.UseInfoTable() + 1));
      rs.MoveNext();
    }
    rs.Close();
    objReleaseRecordset.reset();
    objReleaseDatabase->Close();
    objReleaseDatabase.reset();
    objReleaseWorkspace->Close();
    objReleaseWorkspace = nullptr;
  }

  std::wstring& step_;
  std::wstring productFolder_, cabinetFolder_, installerFolder_, fileName_;
  std::unique_ptr<MD5Component> md5_;
};

}  // namespace

frmPassword& PasswordForm() {
  static frmPassword form;
  return g_passwordForm ? *g_passwordForm : form;
}

ScopedPasswordForm::ScopedPasswordForm(frmPassword& form) : previous_(g_passwordForm) { g_passwordForm = &form; }
ScopedPasswordForm::~ScopedPasswordForm() { g_passwordForm = previous_; }

std::wstring HistoryText(const VARIANT& value) {
  if (value.vt == VT_NULL) RaiseNull();
  UniqueVariant text;
  const HRESULT hr = VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0, VT_BSTR);
  if (FAILED(hr)) RaiseConversion(hr);
  return std::wstring(text.get()->bstrVal, SysStringLen(text.get()->bstrVal));
}

std::int16_t HistoryType(const VARIANT& value) {
  if (value.vt == VT_NULL) RaiseNull();
  UniqueVariant number;
  const HRESULT hr = VariantChangeTypeEx(number.get(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0, VT_I2);
  if (FAILED(hr)) RaiseConversion(hr);
  return number.get()->iVal;
}

FileStamp ReadFileStamp(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) RaiseLastWin32();
  FILETIME local{};
  SYSTEMTIME t{};
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &t)) RaiseLastWin32();
  wchar_t text[32];
  swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return {text, static_cast<std::int32_t>(data.nFileSizeLow)};
}

std::int16_t MakeVersionControl(bool makeCab) {
  if (!SwitchFound(L"/AUTO")) {
    frmPassword& form = PasswordForm();
    form.ShowModal();
    if (!form.PassOk()) return 0;
  }
  std::wstring step;
  try {
    return ReleaseBuild(step).Run(makeCab);
  } catch (const RuntimeError& e) {
    // The build's failure handling: nothing made or written so far is undone.
    Message(e.Description() + L"(" + HexUpper(e.Number()) + L")" + step);
    return -1;
  }
}

}  // namespace kv
