#include "base/RuntimeError.h"

#include "base/Handles.h"
#include "base/Text.h"

namespace kv {

RuntimeError::RuntimeError(std::int32_t number, std::wstring description)
    : std::runtime_error(ToUtf8(description)), number_(number), description_(std::move(description)) {}

RuntimeError::RuntimeError(std::int32_t number) : RuntimeError(number, ErrorText(number)) {}

std::wstring ErrorText(std::int32_t number) {
  switch (number) {
    case 5: return L"プロシージャの呼び出し、または引数が不正です。";
    case 6: return L"オーバーフローしました。";
    case 7: return L"メモリが不足しています。";
    case 9: return L"インデックスが有効範囲にありません。";
    case 11: return L"0 で除算しました。";
    case 13: return L"型が一致しません。";
    case 52: return L"ファイル名または番号が不正です。";
    case 53: return L"ファイルが見つかりません。";
    case 55: return L"ファイルは既に開かれています。";
    case 57: return L"デバイス I/O エラーです。";
    case 58: return L"既に同名のファイルが存在しています。";
    case 61: return L"ディスクの空き容量が不足しています。";
    case 62: return L"ファイルにこれ以上データがありません。";
    case 68: return L"デバイスが準備されていません。";
    case 70: return L"書き込みできません。";
    case 71: return L"ディスクが準備されていません。";
    case 75: return L"パス名が無効です。";
    case 76: return L"パスが見つかりません。";
    case 91: return L"オブジェクト変数または With ブロック変数が設定されていません。";
    case 380: return L"プロパティの値が不正です。";
    case 429: return L"ActiveX コンポーネントはオブジェクトを作成できません。";
    default: return L"アプリケーション定義またはオブジェクト定義のエラーです。";
  }
}

std::int32_t ErrorNumberFromWin32(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return err::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return err::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ALREADY_EXISTS: return err::PathFileAccess;
    case ERROR_FILE_EXISTS: return err::FileAlreadyExists;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE: return err::BadFileName;
    case ERROR_NOT_READY: return err::DiskNotReady;
    case ERROR_WRITE_PROTECT: return err::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return 61;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return 7;
    default: return err::PathFileAccess;
  }
}

RuntimeError RuntimeError::FromWin32(DWORD code) { return RuntimeError(ErrorNumberFromWin32(code)); }

RuntimeError RuntimeError::FromHresult(HRESULT hr, std::wstring description) {
  if (description.empty()) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const UniqueLocalMem owned(text);
    if (text) {
      description = text;
      while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r')) {
        description.pop_back();
      }
    }
    if (description.empty()) description = ErrorText(-1);
  }
  return RuntimeError(static_cast<std::int32_t>(hr), std::move(description));
}

void Raise(std::int32_t number) { throw RuntimeError(number); }

void RaiseLastWin32() { throw RuntimeError::FromWin32(GetLastError()); }

}  // namespace kv
