#pragma once
// Script lines of the answering program for the update program's dialogs (control ids from
// src/dialogs/*.rh).
#include <string>

namespace kvtest::dialogs {

// The start confirmation (frmStartUpdate).
inline const std::wstring kConfirmation = L"dialog #32770 バロネル アップデート";
inline const std::wstring kConfirmOk = L"click 404";
inline const std::wstring kConfirmCancel = L"click 405";
// The update contents (frmDispUpdate).
inline const std::wstring kContents = L"dialog #32770 バロネル アップデート - 更新内容";
inline const std::wstring kContentsOk = L"click 507";
// The program's message box.
inline const std::wstring kMessage = L"dialog #32770 バロネル アップデート2";
inline const std::wstring kMessageOk = L"press OK";

}  // namespace kvtest::dialogs
