#include "dialogs/OperationLogLine.h"

#include "base/Text.h"

namespace kv {
namespace {

std::wstring Prefix(const std::wstring& name) { return LCase(name.substr(0, 3)); }

bool OneOf(const std::wstring& prefix, std::initializer_list<const wchar_t*> prefixes) {
  for (const wchar_t* p : prefixes) {
    if (prefix == p) return true;
  }
  return false;
}

std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
  for (auto at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Line breaks stay on the line as the two characters "\n".
std::wstring OneLine(const std::wstring& text) { return ReplaceAll(text, L"\r\n", L"\\n"); }

bool InRange(std::int32_t index, std::size_t count) { return index >= 0 && static_cast<std::size_t>(index) < count; }

std::wstring ActionWord(const OperationLogSubject& c, const std::wstring& prefix, std::int32_t action,
                        std::int16_t itemNo) {
  switch (action) {
    case 0:
      if (prefix == L"chk") {
        switch (c.value) {
          case 0: return L"チェック(オフ)";
          case 1: return L"チェック(オン)";
          case 2: return L"チェック(無効)";
          default: return L"チェック";
        }
      }
      if (OneOf(prefix, {L"lst", L"cbo", L"lsv", L"mnu", L"tab", L"opt"})) return L"選択";
      return L"クリック";
    case 1: return L"ダブルクリック";
    case 2: return L"右クリック";
    case 3: return L"変更";
    case 5: return L"開く";
    case 6: return L"閉じる";
    case 7:
      if (prefix == L"lst" && c.listCheckBoxes && InRange(itemNo, c.entries.size())) {
        const auto i = static_cast<std::size_t>(itemNo);
        return i < c.entrySelected.size() && c.entrySelected[i] ? L"チェック(オン)" : L"チェック(オフ)";
      }
      return L"チェック";
    case 8: return L"移動";
    case 9: return L"印刷";
    case 10: return L"選択";
    case 11: return L"キー入力";
    case 12: return L"キーアップ";
    case 13: return L"起動";
    case 14: return L"その他";
    default: return {};  // 4 and unknown codes
  }
}

std::optional<std::wstring> ValueText(const OperationLogSubject& c, const std::wstring& prefix,
                                      const std::wstring& altCaption) {
  if (!altCaption.empty()) return Trim(altCaption);
  if (prefix == L"txt") {
    if (!c.text.empty()) return c.text;
    return std::nullopt;
  }
  if (OneOf(prefix, {L"cmd", L"chk", L"opt", L"lbl", L"frm", L"mnu"})) {
    if (!c.text.empty()) return Trim(c.text);
    return std::nullopt;
  }
  if (OneOf(prefix, {L"lst", L"cbo"})) {
    if (InRange(c.listIndex, c.entries.size())) return Trim(c.entries[static_cast<std::size_t>(c.listIndex)]);
    return std::nullopt;
  }
  if (prefix == L"dtp") {
    if (!c.date) return std::nullopt;
    wchar_t text[16];
    swprintf(text, 16, L"%04u/%02u/%02u", c.date->wYear, c.date->wMonth, c.date->wDay);
    return std::wstring(text);
  }
  if (prefix == L"tab") {
    if (InRange(c.listIndex, c.entries.size())) return Trim(c.entries[static_cast<std::size_t>(c.listIndex)]);
    return std::nullopt;
  }
  if (prefix == L"spr") return std::to_wstring(c.listIndex) + L"行目";
  if (prefix == L"trv") {
    const std::wstring node = Trim(c.selectedNodeText);
    if (!node.empty()) return node;
  }
  return std::nullopt;
}

std::wstring FormText(const OperationLogSubject& form) {
  if (!form.tag.empty() && form.tag != L"1") return form.tag;
  if (!form.text.empty()) return form.text;
  return L"フォーム";
}

std::wstring IndexText(const OperationLogSubject& c, const std::wstring& prefix) {
  if (prefix == L"tab") return L"(" + std::to_wstring(c.listIndex) + L")";
  if (c.index) return L"(" + std::to_wstring(*c.index) + L")";
  return {};
}

std::wstring Description(const OperationLogSubject& c, const std::wstring& prefix, const std::wstring& altLabel) {
  if (!altLabel.empty()) return ReplaceAll(ReplaceAll(altLabel, L"：", L""), L":", L"");
  if (!c.tag.empty() && c.tag != L"1") return c.tag;
  static const struct {
    const wchar_t* prefix;
    const wchar_t* word;
  } words[] = {{L"txt", L"テキスト"}, {L"lst", L"リスト"},     {L"cbo", L"ドロップダウン"}, {L"spr", L"一覧表"},
               {L"cmd", L"ボタン"},   {L"chk", L"チェック"},   {L"opt", L"オプション"},     {L"mnu", L"メニュー"},
               {L"dtp", L"日付選択"}, {L"tab", L"タブ"},       {L"trv", L"ツリー"}};
  for (const auto& w : words) {
    if (prefix == w.prefix) return w.word;
  }
  return {};
}

}  // namespace

std::wstring FormatOperationLogLine(const std::wstring& time, const OperationLogSubject& form,
                                    const OperationLogSubject& control, const OperationLogRequest& request) {
  const std::wstring prefix = Prefix(control.name);
  const std::wstring word = ActionWord(control, prefix, request.action, request.itemNo);
  const auto value = ValueText(control, prefix, request.altCaption);

  std::wstring controlName;
  std::wstring description;
  if (control.name != form.name) {
    controlName = control.name + IndexText(control, prefix);
    description = Description(control, prefix, request.altLabel);
  }
  const std::wstring memo = OneLine(request.memo);

  std::wstring line = time + L"," + form.name + L"," + FormText(form) + L"," + controlName + L"," + description + L",";
  if (value) line += L"[" + OneLine(*value) + L"]";
  if (!word.empty() || !memo.empty()) line += L"," + word;
  if (!memo.empty()) line += L"," + memo;
  return line;
}

}  // namespace kv
