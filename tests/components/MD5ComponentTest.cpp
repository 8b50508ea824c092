#include <gtest/gtest.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/MD5Component.h"
#include "support/TempDir.h"

namespace {

using kv::MD5Component;

TEST(MD5Component, TextDigests) {
  const auto md5 = MD5Component::Create();
  struct Case {
    std::wstring text;
    const wchar_t* digest;
  } cases[] = {
      // RFC 1321 test suite
      {L"", L"d41d8cd98f00b204e9800998ecf8427e"},
      {L"a", L"0cc175b9c0f1b6a831c399e269772661"},
      {L"abc", L"900150983cd24fb0d6963f7d28e17f72"},
      {L"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
      {L"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
      {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", L"d174ab98d277d9f5a5611c2c9f419d9f"},
      {L"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       L"57edf4a22be3c955ac49da2e2107b67a"},
      // CP932 bytes; digests taken with Python's hashlib.md5(text.encode("cp932"))
      {L"バロネル", L"7f54b8fe41a6750ddfcf34c1b6a10016"},
      {L"ﾊﾞﾛﾈﾙ", L"597d3d1b4e66fe4f3444c24f6977c9cc"},
      {L"コントロールファイル\\表", L"a17f0ddf6b78f8c05cdac14b166f5015"},
  };
  for (const auto& c : cases) EXPECT_EQ(md5->MD5(c.text, MD5Component::Text), c.digest) << kv::ToUtf8(c.text);
}

TEST(MD5Component, FileDigestReadsTheWholeContents) {
  kvtest::TempDir dir;
  std::string bytes;
  for (int i = 0; i < 40; ++i)
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  kvtest::WriteBytes(dir / L"ファイル.bin", bytes);
  kvtest::WriteBytes(dir / L"empty.bin", "");

  const auto md5 = MD5Component::Create();
  // hashlib.md5(bytes(range(256)) * 40)
  EXPECT_EQ(md5->MD5(dir / L"ファイル.bin", MD5Component::File), L"c3cd26e07e555c0116db237fbc06d99c");
  EXPECT_EQ(md5->MD5(dir / L"empty.bin", MD5Component::File), L"d41d8cd98f00b204e9800998ecf8427e");
}

TEST(MD5Component, UnreadableFilesRaiseFileFailures) {
  kvtest::TempDir dir;
  const auto md5 = MD5Component::Create();
  struct Case {
    std::wstring path;
    std::int32_t number;
  } cases[] = {{dir / L"missing.bin", 53}, {dir / L"no\\such\\folder.bin", 76}, {L"", 53}};
  for (const auto& c : cases) {
    try {
      md5->MD5(c.path, MD5Component::File);
      ADD_FAILURE() << "no failure for " << kv::ToUtf8(c.path);
    } catch (const kv::RuntimeError& e) {
      EXPECT_EQ(e.Number(), c.number) << kv::ToUtf8(c.path);
    }
  }
}

}  // namespace
