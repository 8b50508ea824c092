#pragma once
// Our MD5 component: the digest of a text (mode 0, its bytes in the ANSI code page) or of a file's
// contents (mode 1), always as 32 lower-case hexadecimal characters.
#include <memory>
#include <string>

#include "base/Handles.h"

namespace kv {

class MD5Component {
 public:
  enum Mode { Text = 0, File = 1 };

  // Raises 429 when the component cannot be created.
  static std::unique_ptr<MD5Component> Create();

  // Mode 1: a file that cannot be opened raises 53, 75 or 76; a read failure raises 75.
  std::wstring MD5(const std::wstring& text, int mode) const;

 private:
  explicit MD5Component(UniqueCryptProv provider) : provider_(std::move(provider)) {}
  UniqueCryptProv provider_;
};

}  // namespace kv
