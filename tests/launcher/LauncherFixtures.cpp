#include "launcher/LauncherFixtures.h"

namespace kvtest {
namespace {

struct BoxLook {
  HICON hand = LoadIconW(nullptr, IDI_HAND);
  bool criticalIcon = false;
  int buttons = 0;
};

BOOL CALLBACK LookAtChild(HWND child, LPARAM param) {
  auto& look = *reinterpret_cast<BoxLook*>(param);
  wchar_t className[32] = L"";
  GetClassNameW(child, className, 32);
  if (_wcsicmp(className, L"Button") == 0) ++look.buttons;
  if (_wcsicmp(className, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
      reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == look.hand) {
    look.criticalIcon = true;
  }
  return TRUE;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::wstring caption)
    : caption_(std::move(caption)), thread_([this] { Run(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() { Stop(); }

std::vector<AnsweredBox> MessageBoxAnswerer::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  return answered_;
}

void MessageBoxAnswerer::Run() {
  while (!stop_) {
    HWND box = FindWindowW(L"#32770", caption_.c_str());
    DWORD process = 0;
    if (box) GetWindowThreadProcessId(box, &process);
    if (!box || process != GetCurrentProcessId() || !IsWindowVisible(box)) {
      Sleep(20);
      continue;
    }
    AnsweredBox seen;
    seen.text = TextOf(GetDlgItem(box, 0xFFFF));  // the message text's static
    BoxLook look;
    EnumChildWindows(box, LookAtChild, reinterpret_cast<LPARAM>(&look));
    seen.criticalIcon = look.criticalIcon;
    seen.onlyOk = look.buttons == 1 && GetDlgItem(box, IDOK) != nullptr;
    seen.owned = GetWindow(box, GW_OWNER) != nullptr;
    {
      std::lock_guard lock(mutex_);
      answered_.push_back(seen);
    }
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
  }
}

}  // namespace kvtest
