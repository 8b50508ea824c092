// Our archiver library: the command line it accepts, the cabinets it writes (read back by the
// setup functions' extraction) and what a failure leaves behind. cab_host_tools.sh reads its
// cabinets with the host's cabextract and gcab.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "base/Text.h"
#include "components/Cab32.h"
#include "settings/Common.h"
#include "support/TempDir.h"
#include "versioncontrol/subCabExtract.h"

namespace {

using kvtest::TempDir;

std::optional<kv::CabCommand> Parse(const std::wstring& commandLine) {
  return kv::ParseCabCommand(kv::ToAnsi(commandLine));
}

std::int32_t RunCab(const std::wstring& commandLine) {
  return kv::Cab(nullptr, kv::ToAnsi(commandLine).c_str(), nullptr, 0);
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

TEST(ParseCabCommand, AcceptedShapes) {
  struct Case {
    const wchar_t* line;
    const wchar_t* cabinet;
    const wchar_t* folder;
    std::vector<std::wstring> names;
  };
  const Case cases[] = {
      // The release build's own line: two blanks after -r, the folder's "\" inside its quotes.
      {L"-a -r  \"C:\\p\\update\\a.cab\" \"C:\\p\\src\\\" \"A.dll\"", L"C:\\p\\update\\a.cab", L"C:\\p\\src\\",
       {L"A.dll"}},
      {L"-r -a \"c.cab\" \"d\" \"x\" \"sub\\y z.txt\"", L"c.cab", L"d", {L"x", L"sub\\y z.txt"}},
      {L"\t-a\t-r \"c.cab\"\t\"d\\\"  \"x\"  ", L"c.cab", L"d\\", {L"x"}},
      // "ソ" ends in the byte of "\" in the ANSI code page; it is a letter, not a separator.
      {L"-a -r  \"C:\\出力\\ソ.cab\" \"C:\\ソ\\\" \"表示ソ.dll\"", L"C:\\出力\\ソ.cab", L"C:\\ソ\\", {L"表示ソ.dll"}},
  };
  for (const Case& c : cases) {
    const auto command = Parse(c.line);
    ASSERT_TRUE(command.has_value()) << kv::ToUtf8(c.line);
    EXPECT_EQ(command->cabinetPath, c.cabinet) << kv::ToUtf8(c.line);
    EXPECT_EQ(command->baseFolder, c.folder) << kv::ToUtf8(c.line);
    EXPECT_EQ(command->fileNames, c.names) << kv::ToUtf8(c.line);
  }
}

TEST(ParseCabCommand, RefusedShapes) {
  const wchar_t* lines[] = {
      L"",
      L"-a -r",
      L"-a \"c.cab\" \"d\\\" \"x\"",              // no -r
      L"-r \"c.cab\" \"d\\\" \"x\"",              // no -a
      L"-a -a -r \"c.cab\" \"d\\\" \"x\"",        // an option twice
      L"-a -r -x \"c.cab\" \"d\\\" \"x\"",        // an unknown option
      L"-A -R \"c.cab\" \"d\\\" \"x\"",           // options are lower case
      L"-a -r \"c.cab\" \"d\\\"",                 // no file
      L"-a -r \"c.cab\" \"d\\\" \"x",             // a field without its closing quote
      L"-a -r c.cab \"d\\\" \"x\"",               // an unquoted field
      L"-a -r \"c.cab\"\"d\\\" \"x\"",            // fields not separated
      L"-a -r \"c.cab\" \"d\\\" \"x\" -a",        // an option after the fields
      L"-a -r \"\" \"d\\\" \"x\"",                // empty cabinet path
      L"-a -r \"c.cab\" \"\" \"x\"",              // empty folder
      L"-a -r \"c.cab\" \"d\\\" \"\"",            // empty file name
      L"-a -r \"c.cab\" \"d\\\" \"C:\\x\"",       // a name that is not relative
      L"-a -r \"c.cab\" \"d\\\" \"\\x\"",
  };
  for (const wchar_t* line : lines) EXPECT_FALSE(Parse(line).has_value()) << kv::ToUtf8(line);
}

// Reads a little-endian number out of a cabinet's bytes.
std::uint32_t At(const std::string& bytes, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  return value;
}

std::string Contents(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t seed = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    // Half noise, half text, so that both kinds of MSZIP block occur.
    seed = seed * 1103515245u + 12345u;
    bytes[i] = (i / 20000) % 2 ? static_cast<char>(seed >> 24) : "0123456789abcdef\r\n"[i % 18];
  }
  return bytes;
}

TEST(Cab, CabinetsHoldTheFileUnderItsNameAndExtractToItsBytes) {
  struct Case {
    const wchar_t* name;
    std::size_t size;
  };
  const Case cases[] = {{L"zero.bin", 0}, {L"one.bin", 1}, {L"Blocks.BIN", 5 * 32768 + 123}, {L"表示ソ.dll", 4000}};
  for (const Case& c : cases) {
    TempDir dir;
    CreateDirectoryW((dir / L"src").c_str(), nullptr);
    const std::string contents = Contents(c.size);
    kvtest::WriteBytes(dir / L"src\\" + c.name, contents);
    const std::wstring cabinet = dir / L"out.cab";
    ASSERT_EQ(RunCab(L"-a -r  " + Quoted(cabinet) + L" " + Quoted(dir / L"src\\") + L" " + Quoted(c.name)), kv::kCabOk)
        << kv::ToUtf8(c.name);

    // One MSZIP folder with the one file, its name in the ANSI code page, not flagged as UTF-8.
    const std::string bytes = kvtest::ReadBytes(cabinet);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(0, 4), "MSCF");
    EXPECT_EQ(At(bytes, 26, 2), 1u);              // folders
    EXPECT_EQ(At(bytes, 28, 2), 1u);              // files
    EXPECT_EQ(At(bytes, 36 + 6, 2) & 0x0F, 1u);   // MSZIP
    const std::size_t file = At(bytes, 16, 4);
    EXPECT_EQ(At(bytes, file, 4), c.size);
    EXPECT_EQ(At(bytes, file + 14, 2) & 0x80, 0u);
    EXPECT_EQ(std::string(bytes.c_str() + file + 16), kv::ToAnsi(c.name)) << kv::ToUtf8(c.name);

    ASSERT_TRUE(kv::CabExtract(cabinet, dir / L"x")) << kv::ToUtf8(c.name);
    EXPECT_EQ(kvtest::ReadBytes(dir / L"x\\" + c.name), contents) << kv::ToUtf8(c.name);
  }
}

TEST(Cab, SeveralFilesInOneCabinet) {
  TempDir dir;
  CreateDirectoryW((dir / L"src").c_str(), nullptr);
  CreateDirectoryW((dir / L"src\\sub").c_str(), nullptr);
  kvtest::WriteBytes(dir / L"src\\a.txt", "alpha");
  kvtest::WriteBytes(dir / L"src\\sub\\b.txt", Contents(70000));
  ASSERT_EQ(RunCab(L"-a -r " + Quoted(dir / L"two.cab") + L" " + Quoted(dir / L"src") + L" \"a.txt\" \"sub\\b.txt\""),
            kv::kCabOk);
  ASSERT_TRUE(kv::CabExtract(dir / L"two.cab", dir / L"x"));
  EXPECT_EQ(kvtest::ReadBytes(dir / L"x\\a.txt"), "alpha");
  EXPECT_EQ(kvtest::ReadBytes(dir / L"x\\sub\\b.txt"), Contents(70000));
}

TEST(Cab, FailuresAnswerTheirCodeAndLeaveNoCabinet) {
  struct Case {
    const wchar_t* what;
    std::wstring cabinetName;  // below the test folder
    std::wstring folder;
    std::wstring name;
    std::int32_t code;
  };
  const Case cases[] = {
      {L"missing file", L"a.cab", L"src\\", L"missing.dll", kv::kCabErrorSourceMissing},
      {L"a folder, not a file", L"a.cab", L"", L"src", kv::kCabErrorSourceMissing},
      {L"missing cabinet folder", L"nowhere\\a.cab", L"src\\", L"a.dll", kv::kCabErrorCompress},
  };
  for (const Case& c : cases) {
    TempDir dir;
    CreateDirectoryW((dir / L"src").c_str(), nullptr);
    kvtest::WriteBytes(dir / L"src\\a.dll", "payload");
    const std::wstring cabinet = dir / c.cabinetName;
    kvtest::WriteBytes(dir / L"a.cab", "an old cabinet");
    EXPECT_EQ(RunCab(L"-a -r  " + Quoted(cabinet) + L" " + Quoted(dir / c.folder) + L" " + Quoted(c.name)), c.code)
        << kv::ToUtf8(c.what);
    EXPECT_FALSE(kv::FileExist(cabinet)) << kv::ToUtf8(c.what);
  }
  EXPECT_EQ(RunCab(L"-a \"x.cab\" \"d\" \"e\""), kv::kCabErrorCommandLine);
  EXPECT_EQ(kv::Cab(nullptr, nullptr, nullptr, 0), kv::kCabErrorCommandLine);
}

TEST(Cab, OutputBufferWithRoomReceivesAnEmptyText) {
  char output[8] = "garbage";
  EXPECT_EQ(kv::Cab(nullptr, "-a", output, sizeof(output)), kv::kCabErrorCommandLine);
  EXPECT_STREQ(output, "");
}

}  // namespace
