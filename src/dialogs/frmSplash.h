#pragma once
// The progress window of the whole update run: the driver writes the step into lblVersion, the
// file into lblHospital and the overall progress into ProgressBar. It also downloads one URL into
// one file (GetHTTP) with its transfer control Inet1, and posts window messages to the running
// main program (SendWindowMessage).
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/Handles.h"
#include "components/InternetTransferControl.h"
#include "dialogs/DownloadFile.h"
#include "dialogs/Form.h"
#include "dialogs/ProgressBarControl.h"

namespace kv {

// The "Meiryo UI" font is installed; set by the driver at start-up, read when the splash loads
// (without the font the copyright line is shown at 9 points).
extern bool flgMeiryoFont;

// A window of the running main program: its caption, in full-width characters, begins with the
// product word and its class begins with "ThunderRT6".
bool IsMainProgramWindow(const std::wstring& caption, const std::wstring& windowClass);

class frmSplash : public Form {
 public:
  frmSplash();

  // Expected size of the next download, for the progress text only.
  std::int32_t FileSize() const { return lngFileSize; }
  void SetFileSize(std::int32_t value) { lngFileSize = value; }

  // Downloads strURL into strSaveFile (replaced when it exists), showing the kilobytes received
  // in lblHospital and advancing ProgressBar by 1024 for each full piece while its Max allows.
  // A blank strUser leaves Inet1's user and password as they were. 0 when the response was
  // saved, whatever its HTTP status; the failure's number when the file cannot be replaced or
  // the request cannot be started. A failed request or a failure while the body is saved shows
  // the logged download message and ends the process.
  std::int32_t GetHTTP(const std::wstring& strURL, const std::wstring& strSaveFile, const std::wstring& strUser,
                       const std::wstring& strPassword, std::int16_t intTimeOut = 300);

  // Posts (never sends) message lngMsg with lngCommand and lngParam to every other top-level
  // window whose caption, in full-width characters, begins with the product word and whose class
  // begins with "ThunderRT6", and message 1024 to every untitled "ThunderRT6FormDC" window.
  void SendWindowMessage(std::int32_t lngCommand, std::int32_t lngParam, std::int32_t lngMsg = 1024);

  // A whole repaint costs several milliseconds under X: when texts change file by file, the
  // window is repainted at most every 100 ms; meanwhile only what has changed is painted.
  void RefreshOnClock();

  Control Picture1;
  Control Image1;
  Control lblVersion;
  Control lblHospital;
  Control lblCopyright;
  ProgressBarControl ProgressBar;
  // The driver sets its access type and proxy before the first download.
  InternetTransferControl Inet1;

 protected:
  void Form_Load() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void Inet1_StateChanged(std::int16_t State);
  void ReadBody();
  [[noreturn]] void DownloadFailed();
  void ShowProgress(bool always = true);
  void DropCaptionBar();
  void SetCopyrightFont();
  void DrawPicture(const DRAWITEMSTRUCT& item) const;
  HBITMAP ScaledPicture(HDC dc, int width, int height) const;

  std::int32_t lngFileSize = 0;
  bool flgBusy = false;
  DownloadFile intFileNo;  // the open target file
  std::int32_t lngReceived = 0;
  std::wstring strSaveCaption;
  std::int64_t dtLastRefresh = 0;  // whole seconds of the local time
  std::int32_t lngError = 0;
  bool flgInEvent = false;
  static constexpr ULONGLONG kRefreshEveryMs = 100;
  ULONGLONG refreshedTick_ = 0;  // of the last RefreshOnClock that repainted

  UniqueBitmap picture_;
  mutable UniqueBitmap scaled_;  // picture_ at the size it was last drawn
  mutable int scaledWidth_ = 0;
  mutable int scaledHeight_ = 0;
  UniqueFont copyrightFont_;
};

}  // namespace kv
