#pragma once
// A report-style list view of a form, filled row by row by the form's caller. A row has a key
// (the empty text: none), a text, sub-item texts and its own text colour. A key that an earlier
// row already uses is refused; any other text, digits only included, is a valid key.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/Form.h"

namespace kv {

// The failure number of a refused key.
inline constexpr std::int32_t kListKeyNotUnique = 35602;

class ListView : public Control {
 public:
  ListView(Form& form, std::wstring name, int id);

  // The form adds its columns when it loads; full-row selection, one row at a time.
  void AddColumn(const std::wstring& caption, int width);

  void Clear();
  // Appends a row and answers its index (from 0); raises kListKeyNotUnique for a used key.
  int Add(const std::wstring& key, const std::wstring& text);
  // Sub-items count from 1; a row outside the list raises the index failure.
  void SetSubItem(int row, int column, const std::wstring& text);

  int Count() const;
  std::wstring Key(int row) const;
  std::wstring ItemText(int row, int column = 0) const;
  COLORREF ForeColor(int row) const;
  void SetForeColor(int row, COLORREF color);

  // A mouse click on a row, also on the row that is already selected.
  std::function<void(int row)> OnItemClick;

 private:
  struct Row {
    std::wstring key;
    COLORREF color;
  };
  // The rows of the window in place: a reloaded form starts with none.
  std::vector<Row>& Rows() const;
  Row& At(int row) const;
  LRESULT Notify(NMHDR& header);

  mutable std::vector<Row> rows_;
  mutable HWND rowsWindow_ = nullptr;
};

}  // namespace kv
