#include "dialogs/ListView.h"

#include <commctrl.h>

#include "base/RuntimeError.h"

namespace kv {

ListView::ListView(Form& form, std::wstring name, int id) : Control(form, std::move(name), id) {
  OnNotify = [this](NMHDR& header) { return Notify(header); };
}

std::vector<ListView::Row>& ListView::Rows() const {
  const HWND window = WindowIfLoaded();
  // A new window has no items, also when it happens to get the handle of the one before.
  const bool emptyWindow = window && SendMessageW(window, LVM_GETITEMCOUNT, 0, 0) == 0;
  if (window != rowsWindow_ || (emptyWindow && !rows_.empty())) {
    rows_.clear();
    rowsWindow_ = window;
  }
  return rows_;
}

ListView::Row& ListView::At(int row) const {
  auto& rows = Rows();
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) Raise(err::SubscriptOutOfRange);
  return rows[static_cast<std::size_t>(row)];
}

void ListView::AddColumn(const std::wstring& caption, int width) {
  const HWND list = Window();
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const auto columns = header ? SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) : 0;
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(caption.c_str());
  column.iSubItem = static_cast<int>(columns);
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(columns), reinterpret_cast<LPARAM>(&column));
}

void ListView::Clear() {
  SendMessageW(Window(), LVM_DELETEALLITEMS, 0, 0);
  Rows().clear();
}

int ListView::Add(const std::wstring& key, const std::wstring& text) {
  const HWND list = Window();
  auto& rows = Rows();
  if (!key.empty()) {
    for (const Row& r : rows) {
      if (r.key == key) throw RuntimeError(kListKeyNotUnique, L"キーが一意ではありません。");
    }
  }
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(rows.size());
  item.pszText = const_cast<wchar_t*>(text.c_str());
  const auto index = SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  if (index < 0) Raise(7);  // the control had no room for it
  rows.push_back({key, GetSysColor(COLOR_WINDOWTEXT)});
  return static_cast<int>(index);
}

void ListView::SetSubItem(int row, int column, const std::wstring& text) {
  At(row);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(Window(), LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int ListView::Count() const { return static_cast<int>(Rows().size()); }

std::wstring ListView::Key(int row) const { return At(row).key; }

std::wstring ListView::ItemText(int row, int column) const {
  At(row);
  wchar_t text[1024] = L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 1024;
  SendMessageW(Window(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

COLORREF ListView::ForeColor(int row) const { return At(row).color; }

void ListView::SetForeColor(int row, COLORREF color) {
  At(row).color = color;
  InvalidateRect(Window(), nullptr, FALSE);
}

LRESULT ListView::Notify(NMHDR& header) {
  if (header.code == NM_CUSTOMDRAW) {
    auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
      const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
      if (row < Rows().size()) draw.clrText = Rows()[row].color;
    }
    return CDRF_DODEFAULT;
  }
  if (header.code == NM_CLICK) {
    const int row = reinterpret_cast<NMITEMACTIVATE&>(header).iItem;
    if (row >= 0 && row < Count() && OnItemClick) OnItemClick(row);
  }
  return 0;
}

}  // namespace kv
