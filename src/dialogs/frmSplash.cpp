#include "dialogs/frmSplash.h"

#include <commctrl.h>

#include <limits>
#include <optional>

#include "base/Host.h"
#include "base/ProcessExit.h"
#include "base/RuntimeError.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.rh"
#include "settings/Common.h"
#include "settings/Win32API.h"

namespace kv {

bool flgMeiryoFont = false;

namespace {

constexpr std::int32_t kPiece = 1024;
constexpr wchar_t kProductWord[] = L"バロネル";
constexpr wchar_t kDownloadFailed[] = L"ダウンロードに失敗しました。";
constexpr wchar_t kAntivirusHint[] = L"ウイルス対策ソフトの保護機能を一時停止してから再度実行してください。";
// The copyright line is smaller than the rest; without "Meiryo UI" the stand-in font would be too
// small at that size.
constexpr int kCopyrightPoints = 8;
constexpr int kCopyrightPointsWithoutMeiryo = 9;

std::int64_t WholeSeconds(const SYSTEMTIME& time) {
  FILETIME file{};
  if (!SystemTimeToFileTime(&time, &file)) return 0;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime) /
                                   10000000);
}

std::int64_t Now() { return WholeSeconds(CurrentHost().LocalTime()); }

// The first line of the file in the ANSI code page, up to a carriage return or line feed.
// Raises when the file cannot be read; an empty file has an empty first line.
std::wstring FirstLine(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseLastWin32();
  std::string line;
  char block[4096];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), block, sizeof(block), &read, nullptr)) RaiseLastWin32();
    if (read == 0) break;
    const std::string_view bytes(block, read);
    const auto end = bytes.find_first_of("\r\n");
    line.append(bytes.substr(0, end));
    if (end != std::string_view::npos) break;
  }
  return FromAnsi(line);
}

// Lets pending window messages through while the body is read. Under Wine one look at the
// message queue costs about 40 microseconds, more than a piece takes to arrive over a fast link,
// so the queue is looked at once every 10 ms rather than once a piece.
class MessagePump {
 public:
  void LetThrough() {
    const ULONGLONG now = GetTickCount64();
    if (looked_ && now - lastTick_ < kEveryMs) return;
    looked_ = true;
    lastTick_ = now;
    DoEvents();
  }

 private:
  static constexpr ULONGLONG kEveryMs = 10;
  bool looked_ = false;
  ULONGLONG lastTick_ = 0;
};

// The bar grows by 1024 for each full piece while its Max allows. Under Wine every position the
// bar is given is painted at once, about a millisecond each, so the grown value is handed to the
// bar at most ten times a second and once at the end.
class BarAdvance {
 public:
  explicit BarAdvance(ProgressBarControl& bar) : bar_(bar), value_(bar.Value()) {}

  void FullPiece() {
    if (static_cast<std::int64_t>(bar_.Max()) < static_cast<std::int64_t>(value_) + kPiece) return;
    value_ += kPiece;
    if (GetTickCount64() - shownTick_ >= kShowEveryMs) Show();
  }
  void Show() {
    shownTick_ = GetTickCount64();
    if (value_ != bar_.Value() && value_ <= bar_.Max()) bar_.SetValue(value_);
  }

 private:
  static constexpr ULONGLONG kShowEveryMs = 100;
  ProgressBarControl& bar_;
  std::int32_t value_;
  ULONGLONG shownTick_ = GetTickCount64();
};

std::int32_t AddReceived(std::int32_t received, std::size_t bytes) {
  if (static_cast<std::int64_t>(received) + static_cast<std::int64_t>(bytes) > std::numeric_limits<std::int32_t>::max()) {
    Raise(err::Overflow);
  }
  return received + static_cast<std::int32_t>(bytes);
}

}  // namespace

frmSplash::frmSplash()
    : Form(L"frmSplash", L"FRMSPLASH"),
      Picture1{*this, L"Picture1", IDC_SPLASH_PICTURE1},
      Image1{*this, L"Image1", IDC_SPLASH_IMAGE1},
      lblVersion{*this, L"lblVersion", IDC_SPLASH_LBLVERSION},
      lblHospital{*this, L"lblHospital", IDC_SPLASH_LBLHOSPITAL},
      lblCopyright{*this, L"lblCopyright", IDC_SPLASH_LBLCOPYRIGHT},
      ProgressBar{*this, L"ProgressBar", IDC_SPLASH_PROGRESSBAR} {
  Inet1.SetStateChangedHandler([this](std::int16_t State) { Inet1_StateChanged(State); });
}

// ---- Loading

void frmSplash::Form_Load() {
  DropCaptionBar();
  SetCopyrightFont();

  RECT client{};
  GetClientRect(hwnd(), &client);
  Picture1.SetBounds(client);
  RECT inner{};
  GetClientRect(Picture1.Window(), &inner);
  MapWindowPoints(Picture1.Window(), hwnd(), reinterpret_cast<POINT*>(&inner), 2);
  Image1.SetBounds(inner);
  if (!picture_) {
    picture_.reset(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), L"FRMSPLASH_PICTURE", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }

  ProgressBar.Reset();
  ProgressBar.SetValue(0);
  lblCopyright.SetText(CurrentHost().LegalCopyright());

  const std::wstring file = CurrentHost().ProgramFolder() + L"\\Copyright.txt";
  std::wstring line;
  if (SkipOnError([&] { line = FileExist(file) ? FirstLine(file) : std::wstring(); })) return;
  if (!line.empty()) lblCopyright.SetText(line);
}

void frmSplash::DropCaptionBar() {
  // A CAPTION statement in the template adds the caption bar; the window keeps only its text,
  // and the client area keeps the template's size.
  const LONG style = GetWindowLongW(hwnd(), GWL_STYLE);
  const LONG borderless = style & ~(WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | DS_MODALFRAME);
  if (borderless == style) return;
  RECT window{};
  GetWindowRect(hwnd(), &window);
  RECT client{};
  GetClientRect(hwnd(), &client);
  SetWindowLongW(hwnd(), GWL_STYLE, borderless);
  SetWindowLongW(hwnd(), GWL_EXSTYLE, GetWindowLongW(hwnd(), GWL_EXSTYLE) & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const int left = (window.left + window.right - width) / 2;
  const int top = (window.top + window.bottom - height) / 2;
  SetWindowPos(hwnd(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void frmSplash::SetCopyrightFont() {
  LOGFONTW font{};
  const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  if (!dialogFont || !GetObjectW(dialogFont, sizeof(font), &font)) return;
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  font.lfHeight = -MulDiv(flgMeiryoFont ? kCopyrightPoints : kCopyrightPointsWithoutMeiryo, dpi, 72);
  font.lfWidth = 0;
  UniqueFont created(CreateFontIndirectW(&font));
  if (!created) return;
  SendMessageW(lblCopyright.Window(), WM_SETFONT, reinterpret_cast<WPARAM>(created.get()), TRUE);
  // The label no longer uses the font of an earlier load.
  copyrightFont_ = std::move(created);
}

// ---- Painting

bool frmSplash::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      // The labels sit on the picture's white band.
      const auto control = reinterpret_cast<HWND>(lParam);
      if (control != lblVersion.WindowIfLoaded() && control != lblHospital.WindowIfLoaded() &&
          control != lblCopyright.WindowIfLoaded()) {
        return false;
      }
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(0x33, 0x33, 0x33));
      SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
      result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      return true;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (static_cast<int>(item.CtlID) != IDC_SPLASH_IMAGE1) return false;
      DrawPicture(item);
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

void frmSplash::DrawPicture(const DRAWITEMSTRUCT& item) const {
  const RECT& r = item.rcItem;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const HBITMAP scaled = ScaledPicture(item.hDC, width, height);
  UniqueMemoryDc source(CreateCompatibleDC(item.hDC));
  if (!scaled || !source) {
    FillRect(item.hDC, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return;
  }
  const HGDIOBJ previous = SelectObject(source.get(), scaled);
  BitBlt(item.hDC, r.left, r.top, width, height, source.get(), 0, 0, SRCCOPY);
  SelectObject(source.get(), previous);
}

// A halftone stretch takes about 10 ms under Wine: the picture is stretched once per size and
// every repaint copies the result.
HBITMAP frmSplash::ScaledPicture(HDC dc, int width, int height) const {
  if (scaled_ && scaledWidth_ == width && scaledHeight_ == height) return scaled_.get();
  BITMAP info{};
  if (!picture_ || width <= 0 || height <= 0 || !GetObjectW(picture_.get(), sizeof(info), &info)) return nullptr;
  UniqueBitmap scaled(CreateCompatibleBitmap(dc, width, height));
  UniqueMemoryDc from(CreateCompatibleDC(dc));
  UniqueMemoryDc to(CreateCompatibleDC(dc));
  if (!scaled || !from || !to) return nullptr;
  const HGDIOBJ previousFrom = SelectObject(from.get(), picture_.get());
  const HGDIOBJ previousTo = SelectObject(to.get(), scaled.get());
  SetStretchBltMode(to.get(), HALFTONE);
  SetBrushOrgEx(to.get(), 0, 0, nullptr);
  const BOOL done =
      StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(from.get(), previousFrom);
  SelectObject(to.get(), previousTo);
  if (!done) return nullptr;
  scaled_ = std::move(scaled);
  scaledWidth_ = width;
  scaledHeight_ = height;
  return scaled_.get();
}

// ---- Download

std::int32_t frmSplash::GetHTTP(const std::wstring& strURL, const std::wstring& strSaveFile, const std::wstring& strUser,
                                const std::wstring& strPassword, std::int16_t intTimeOut) {
  try {
    intFileNo.Close();
    lngError = 0;
    lngReceived = 0;
    strSaveCaption = lblHospital.Text();
    dtLastRefresh = Now();

    if (!Trim(strUser).empty()) {
      Inet1.SetUserName(strUser);
      Inet1.SetPassword(strPassword);
    }

    if (FileExist(strSaveFile) && !DeleteFileW(strSaveFile.c_str())) RaiseLastWin32();
    intFileNo.Open(strSaveFile);

    Inet1.SetRequestTimeout(intTimeOut);

    flgBusy = true;
    Inet1.Execute(strURL, L"GET");
    // The event has come before Execute returns; a control that raised it later would be waited
    // for here.
    while (flgBusy) {
      DoEvents();
      CurrentHost().Sleep(1);
    }

    Inet1.Cancel();
    intFileNo.Close();
    return lngError;
  } catch (const RuntimeError& e) {
    flgBusy = false;
    intFileNo.Close();
    return e.Number();
  }
}

void frmSplash::Inet1_StateChanged(std::int16_t State) {
  // Messages let through by a running handler may bring a further event.
  if (flgInEvent) return;
  flgInEvent = true;
  struct Leave {
    bool& inEvent;
    ~Leave() { inEvent = false; }
  } leave{flgInEvent};

  try {
    if (State == InetState::Error) {
      flgBusy = false;
      lngError = -1;
      throw RuntimeError(-1, kDownloadFailed);
    }
    if (State == InetState::ResponseReceived) ReadBody();
  } catch (const RuntimeError&) {
    DownloadFailed();
  }
}

void frmSplash::ReadBody() {
  while (Inet1.StillExecuting()) DoEvents();
  MessagePump messages;
  BarAdvance bar(ProgressBar);
  for (;;) {
    messages.LetThrough();
    const std::vector<std::uint8_t> piece = Inet1.GetChunk(kPiece);
    if (piece.empty()) break;
    intFileNo.Write(piece);
    lngReceived = AddReceived(lngReceived, piece.size());

    if (Now() - dtLastRefresh >= 1) ShowProgress();
    if (piece.size() < static_cast<std::size_t>(kPiece)) {
      // The last piece: the final count whatever the time; the bar stays. The label is painted
      // now, the whole window on the clock, as file after file arrives.
      ShowProgress(false);
      break;
    }
    bar.FullPiece();
  }
  bar.Show();
  // A write that fails here is a failure of the download, not of GetHTTP's own steps.
  intFileNo.Flush();
  Inet1.Cancel();
  flgBusy = false;
}

void frmSplash::ShowProgress(bool always) {
  dtLastRefresh = Now();
  lblHospital.SetText(strSaveCaption + L" " + std::to_wstring(lngReceived / 1024) + L"k / " +
                      std::to_wstring(lngFileSize / 1024) + L"k");
  if (always) {
    Refresh();
  } else {
    RefreshOnClock();
  }
}

void frmSplash::RefreshOnClock() {
  const ULONGLONG now = GetTickCount64();
  if (refreshedTick_ != 0 && now - refreshedTick_ < kRefreshEveryMs) {
    // What has changed is painted now (nothing to do where the labels painted themselves).
    if (hwnd()) RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return;
  }
  refreshedTick_ = now;
  Refresh();
}

void frmSplash::DownloadFailed() {
  // What has arrived stays on disk.
  intFileNo.Close();
  LogMessageBox(std::wstring(kDownloadFailed) + L"\r\n" + kAntivirusHint, MB_ICONHAND | MB_OK, CurrentHost().ProductName());
  EndProcess();
}

// ---- Window messages to the main program

bool IsMainProgramWindow(const std::wstring& caption, const std::wstring& windowClass) {
  return StartsWith(ToFullWidth(caption), kProductWord) && StartsWith(windowClass, L"ThunderRT6");
}

void frmSplash::SendWindowMessage(std::int32_t lngCommand, std::int32_t lngParam, std::int32_t lngMsg) {
  const HWND self = hwnd();
  for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
    if (window == self) continue;
    const std::wstring caption = GetWindowCaption(window);
    const std::wstring windowClass = GetWindowClass(window);
    std::optional<std::int32_t> message;
    if (!caption.empty()) {
      if (IsMainProgramWindow(caption, windowClass)) message = lngMsg;
    } else if (StartsWith(windowClass, L"ThunderRT6FormDC")) {
      message = WM_USER;
    }
    if (message) {
      PostMessageA(window, static_cast<UINT>(*message), static_cast<WPARAM>(static_cast<std::uint32_t>(lngCommand)),
                   static_cast<LPARAM>(lngParam));
    }
  }
}

}  // namespace kv
