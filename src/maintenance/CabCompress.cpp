#include "maintenance/CabCompress.h"

#include <windows.h>

#include "base/ProcessExit.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/Cab32.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "versioncontrol/ProgramFileInstall.h"

namespace kv {
namespace {

const wchar_t kNoSourceFile[] = L"圧縮するファイルがありません。";
const wchar_t kCompressFailed[] = L"圧縮に失敗しました。Error Code:0x";

}  // namespace

std::wstring CabinetPath(const std::wstring& fileName, const std::wstring& cabName, const std::wstring& dstFolder) {
  return dstFolder + (cabName.empty() ? LCase(fileName) + L".cab" : LCase(cabName));
}

std::wstring CabCommandLine(const std::wstring& cabPath, const std::wstring& srcFolder, const std::wstring& fileName) {
  return L"-a -r  \"" + cabPath + L"\" \"" + srcFolder + L"\" \"" + fileName + L"\"";
}

void CabCompress(const std::wstring& fileName, const std::wstring& cabName, const std::wstring& srcFolder,
                 const std::wstring& dstFolder) {
  // Names come from a version control file: they must not reach outside their folders.
  RequirePlainFileName(fileName);
  if (!cabName.empty()) RequirePlainFileName(cabName);

  if (!NormalFileListingFinds(srcFolder + fileName)) {
    ShowMsgBox(kNoSourceFile + srcFolder + fileName, MB_ICONHAND | MB_OK, L"エラー");
    EndProcess();
  }
  const std::wstring cabPath = CabinetPath(fileName, cabName, dstFolder);
  ExecCabCommand(CabCommandLine(cabPath, srcFolder, fileName), cabPath);
}

void ExecCabCommand(const std::wstring& commandLine, const std::wstring& cabPath) {
  if (FileExist(cabPath) && !DeleteFileW(cabPath.c_str())) RaiseLastWin32();

  frmSplash& splash = Splash();
  if (!splash.Loaded()) splash.Load();  // the archiver's owner window; not shown for it
  std::string output;
  const std::int32_t result = Cab(splash.hwnd(), ToAnsi(commandLine).c_str(), output.data(), 0);
  if (result != 0) {
    LogMessageBox(kCompressFailed + HexUpper(result), MB_ICONHAND | MB_OK, L"Failed");
    EndProcess();
  }
}

}  // namespace kv
