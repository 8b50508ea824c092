// The voice data copy from the medium into the install folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver/CdRoad.h"

namespace {

using kvtest::Lines;

class VoiceDataCopyTest : public kvtest::CdRoad {
 protected:
  VoiceDataCopyTest() {
    run.flgCdUpdate = true;
    SetFileAttributesW((medium + L"readonly.wav").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((medium + L"hidden.wav").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((medium + L"system.wav").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((medium + L"VoiceUpdate.xml").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  }
  ~VoiceDataCopyTest() override {
    for (const wchar_t* name : {L"readonly.wav", L"hidden.wav", L"system.wav", L"VoiceUpdate.xml"}) {
      SetFileAttributesW((medium + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      SetFileAttributesW((install + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }

  bool Installed(const std::wstring& name) const {
    return GetFileAttributesW((install + name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // An installed copy without read-only, hidden and system attributes.
  bool Normal(const std::wstring& name) const {
    const DWORD attributes = GetFileAttributesW((install + name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
  }
  // The boot log in name order ("Copy Voice Control" before "Copy Voice File"); the listing's own
  // order is the file system's.
  Lines SortedBootLines() const {
    Lines lines = BootLines();
    std::sort(lines.begin(), lines.end());
    return lines;
  }
  std::wstring FileLine(const wchar_t* name) const { return L"Copy Voice File " + install + name; }
};

TEST_F(VoiceDataCopyTest, CopiesControlAndOrdinaryVoiceFilesWithNormalAttributes) {
  kvtest::WriteBytes(install + L"b.wav", "installed, newer\r\n");
  kv::VoiceDataCopy();
  EXPECT_EQ(SortedBootLines(), (Lines{L"Copy Voice Control " + medium + L"VoiceUpdate.xml", FileLine(L"a.wav"),
                                      FileLine(L"b.wav"), FileLine(L"readonly.wav")}));
  for (const wchar_t* name : {L"VoiceUpdate.xml", L"a.wav", L"b.wav", L"readonly.wav"}) {
    EXPECT_TRUE(Normal(name)) << kv::ToUtf8(name);
  }
  // Replaced whatever its age.
  EXPECT_EQ(kvtest::ReadBytes(install + L"b.wav"), "voice b.wav\r\n");
  // Hidden and system files and a folder are not listed.
  for (const wchar_t* name : {L"hidden.wav", L"system.wav", L"x.wav"}) EXPECT_FALSE(Installed(name)) << kv::ToUtf8(name);
  // Nothing of it goes into the update log.
  EXPECT_EQ(UpdateLines(), Lines{});
}

TEST_F(VoiceDataCopyTest, AFileThatCannotBeReplacedIsSkippedSilently) {
  kvtest::WriteBytes(install + L"a.wav", "held open\r\n");
  {
    kv::UniqueFile held(CreateFileW((install + L"a.wav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    kv::VoiceDataCopy();
  }
  EXPECT_EQ(kvtest::ReadBytes(install + L"a.wav"), "held open\r\n");
  EXPECT_EQ(kvtest::ReadBytes(install + L"b.wav"), "voice b.wav\r\n");
  EXPECT_TRUE(Normal(L"readonly.wav"));
  // The failed copy still had its line.
  EXPECT_EQ(SortedBootLines().size(), 4u);
}

TEST_F(VoiceDataCopyTest, WithoutControlFileOnlyTheVoiceFilesAreCopied) {
  SetFileAttributesW((medium + L"VoiceUpdate.xml").c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW((medium + L"VoiceUpdate.xml").c_str());
  kvtest::WriteBytes(install + L"VoiceUpdate.xml", "installed\r\n");
  kv::VoiceDataCopy();
  EXPECT_EQ(kvtest::ReadBytes(install + L"VoiceUpdate.xml"), "installed\r\n");
  EXPECT_EQ(SortedBootLines(), (Lines{FileLine(L"a.wav"), FileLine(L"b.wav"), FileLine(L"readonly.wav")}));
}

TEST_F(VoiceDataCopyTest, NothingWithoutTheCdFlag) {
  run.flgCdUpdate = false;
  kv::VoiceDataCopy();
  EXPECT_EQ(BootLines(), Lines{});
  EXPECT_FALSE(Installed(L"a.wav"));
  EXPECT_FALSE(Installed(L"VoiceUpdate.xml"));
}

}  // namespace
