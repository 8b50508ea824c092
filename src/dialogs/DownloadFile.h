#pragma once
// The target file of a download, written in large blocks however small the pieces that arrive.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/Handles.h"

namespace kv {

class DownloadFile {
 public:
  DownloadFile() = default;
  ~DownloadFile() { Close(); }
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  // Creates the file, or empties it when it exists. Raises the file failure.
  void Open(const std::wstring& path);
  bool IsOpen() const { return static_cast<bool>(file_); }
  // Raises the file failure when a block cannot be written.
  void Write(std::span<const std::uint8_t> bytes);
  // Writes what is held back; raises the file failure.
  void Flush();
  // Writes what it can of what is held back, then closes; never raises.
  void Close() noexcept;

 private:
  UniqueFile file_;
  std::vector<std::uint8_t> pending_;
};

}  // namespace kv
