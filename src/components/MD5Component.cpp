#include "components/MD5Component.h"

#include <vector>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kv {
namespace {

std::wstring HexOf(const BYTE* bytes, DWORD count) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring out;
  out.reserve(count * 2);
  for (DWORD i = 0; i < count; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 0x0F];
  }
  return out;
}

std::wstring Finish(HCRYPTHASH hash) {
  BYTE value[16];
  DWORD size = sizeof(value);
  if (!CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0)) RaiseLastWin32();
  return HexOf(value, size);
}

void Feed(HCRYPTHASH hash, const void* data, DWORD size) {
  if (size != 0 && !CryptHashData(hash, static_cast<const BYTE*>(data), size, 0)) RaiseLastWin32();
}

}  // namespace

std::unique_ptr<MD5Component> MD5Component::Create() {
  UniqueCryptProv provider;
  if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    Raise(err::CannotCreateObject);
  }
  return std::unique_ptr<MD5Component>(new MD5Component(std::move(provider)));
}

std::wstring MD5Component::MD5(const std::wstring& text, int mode) const {
  if (mode != Text && mode != File) Raise(5);
  UniqueCryptHash hash;
  if (!CryptCreateHash(provider_.get(), CALG_MD5, 0, 0, hash.put())) RaiseLastWin32();

  if (mode == Text) {
    const std::string bytes = ToAnsi(text);
    Feed(hash.get(), bytes.data(), static_cast<DWORD>(bytes.size()));
    return Finish(hash.get());
  }

  UniqueFile file(CreateFileW(text.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    // An empty path is a missing file to the callers.
    const DWORD code = GetLastError();
    if (text.empty()) Raise(err::FileNotFound);
    throw RuntimeError::FromWin32(code);
  }
  std::vector<BYTE> buffer(1 << 16);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      Raise(err::PathFileAccess);
    }
    if (read == 0) break;
    Feed(hash.get(), buffer.data(), read);
  }
  return Finish(hash.get());
}

}  // namespace kv
