#include "support/ShellDialogFolder.h"

#include <windows.h>
#include <commctrl.h>

#include <stdexcept>

#include "base/Handles.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

void List(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  kv::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  while (find && FindNextFileW(find.get(), &data)) {
  }
}

}  // namespace

ShellDialogFolder::ShellDialogFolder() : path_(L"C:\\kvtest-browse-" + std::to_wstring(GetCurrentProcessId())) {
  RemoveTree(path_);  // left by a process of the same id that crashed
  if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create the folder dialog's folder");
  List(path_);
}

ShellDialogFolder::~ShellDialogFolder() { RemoveTree(path_); }

std::wstring ShellDialogFolder::Add(const std::wstring& name) const {
  const std::wstring folder = path_ + L"\\" + name;
  if (!CreateDirectoryW(folder.c_str(), nullptr)) throw std::runtime_error("cannot create the folder dialog's folder");
  List(path_);
  List(folder);
  return folder;
}

std::wstring SelectedFolderName(HWND dialog) {
  const HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
  const auto item = tree ? reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
  if (!item) return {};
  wchar_t text[MAX_PATH] = L"";
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return text;
}

}  // namespace kvtest
