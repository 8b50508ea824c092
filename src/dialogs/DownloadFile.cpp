#include "dialogs/DownloadFile.h"

#include <windows.h>

#include <algorithm>

#include "base/RuntimeError.h"

namespace kv {
namespace {

// One WriteFile per block instead of one per 1024-byte piece.
constexpr std::size_t kBlock = 256 * 1024;

void WriteAll(HANDLE file, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, data, part, &written, nullptr)) RaiseLastWin32();
    if (written == 0) throw RuntimeError::FromWin32(ERROR_DISK_FULL);
    data += written;
    size -= written;
  }
}

}  // namespace

void DownloadFile::Open(const std::wstring& path) {
  Close();
  // CREATE_ALWAYS also empties a file that could not be deleted first: no old bytes stay behind
  // a shorter body.
  file_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) RaiseLastWin32();
  pending_.reserve(kBlock);
}

void DownloadFile::Write(std::span<const std::uint8_t> bytes) {
  if (!file_) throw RuntimeError(err::BadFileName);
  if (pending_.size() + bytes.size() > kBlock) Flush();
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

void DownloadFile::Flush() {
  if (!file_ || pending_.empty()) return;
  // Written or failed, these bytes are not offered a second time.
  struct Emptied {
    std::vector<std::uint8_t>& bytes;
    ~Emptied() { bytes.clear(); }
  } emptied{pending_};
  WriteAll(file_.get(), pending_.data(), pending_.size());
}

void DownloadFile::Close() noexcept {
  if (!file_) return;
  try {
    Flush();
  } catch (const RuntimeError&) {
    // The file keeps what could be written.
  }
  pending_.clear();
  file_.reset();
}

}  // namespace kv
