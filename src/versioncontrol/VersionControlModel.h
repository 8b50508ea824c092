#pragma once
// What the two version control classes share: the file and history tables with their indexed
// properties, the error fields, the reader and writer of the XML file, the sort and the checks
// that do not depend on the kind of file entry.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/RuntimeError.h"
#include "components/MD5Component.h"
#include "versioncontrol/VersionTableEntry.h"

struct IXMLDOMNode;

namespace kv {

template <class Entry>
class VersionControlModel {
 public:
  static constexpr std::int16_t kMaxVersionTable = 3000;
  static constexpr std::int16_t kMaxInfoTable = 5000;

  std::int16_t UseVersionTable() const { return useVersionTable_; }
  std::int16_t MaxVersionTable() const { return kMaxVersionTable; }
  std::int16_t UseInfoTable() const { return useInfoTable_; }
  // Ignored above 5000.
  void SetUseInfoTable(std::int16_t Value) {
    if (Value <= kMaxInfoTable) useInfoTable_ = Value;
  }
  std::int16_t MaxInfoTable() const { return kMaxInfoTable; }
  const std::wstring& LastErrorDescription() const { return lastErrorDescription_; }
  std::int32_t LastErrorNumber() const { return lastErrorNumber_; }

  // Indexed properties: an index outside the table reads as empty (0) and is not set.
  std::wstring ProgramName(std::int16_t Index) const { return Get(Index, &Entry::ProgramName); }
  void SetProgramName(std::int16_t Index, const std::wstring& strVal) { Set(Index, &Entry::ProgramName, strVal); }
  std::wstring VersionText(std::int16_t Index) const { return Get(Index, &Entry::VersionText); }
  void SetVersionText(std::int16_t Index, const std::wstring& strVal) { Set(Index, &Entry::VersionText, strVal); }
  std::int32_t FileSize(std::int16_t Index) const { return Get(Index, &Entry::FileSize); }
  void SetFileSize(std::int16_t Index, std::int32_t lngVal) { Set(Index, &Entry::FileSize, lngVal); }
  std::wstring FolderName(std::int16_t Index) const { return Get(Index, &Entry::FolderName); }
  void SetFolderName(std::int16_t Index, const std::wstring& strVal) { Set(Index, &Entry::FolderName, strVal); }
  std::wstring CabFileName(std::int16_t Index) const { return Get(Index, &Entry::CabFileName); }
  void SetCabFileName(std::int16_t Index, const std::wstring& strVal) { Set(Index, &Entry::CabFileName, strVal); }
  std::int32_t CabFileSize(std::int16_t Index) const { return Get(Index, &Entry::CabFileSize); }
  void SetCabFileSize(std::int16_t Index, std::int32_t lngVal) { Set(Index, &Entry::CabFileSize, lngVal); }
  std::wstring MD5(std::int16_t Index) const { return Get(Index, &Entry::MD5); }
  void SetMD5(std::int16_t Index, const std::wstring& strVal) { Set(Index, &Entry::MD5, strVal); }

  std::wstring InfoID(std::int16_t Index) const { return GetInfo(Index, &InfoTableEntry::InfoID); }
  void SetInfoID(std::int16_t Index, const std::wstring& strVal) { SetInfo(Index, &InfoTableEntry::InfoID, strVal); }
  std::int16_t InfoType(std::int16_t Index) const { return GetInfo(Index, &InfoTableEntry::InfoType); }
  void SetInfoType(std::int16_t Index, std::int16_t intValue) { SetInfo(Index, &InfoTableEntry::InfoType, intValue); }
  std::wstring InfoHiduke(std::int16_t Index) const { return GetInfo(Index, &InfoTableEntry::InfoHiduke); }
  void SetInfoHiduke(std::int16_t Index, const std::wstring& strValue) {
    SetInfo(Index, &InfoTableEntry::InfoHiduke, strValue);
  }
  std::wstring InfoVersion(std::int16_t Index) const { return GetInfo(Index, &InfoTableEntry::InfoVersion); }
  void SetInfoVersion(std::int16_t Index, const std::wstring& strVal) {
    SetInfo(Index, &InfoTableEntry::InfoVersion, strVal);
  }
  std::wstring InfoVerGroup(std::int16_t Index) const { return GetInfo(Index, &InfoTableEntry::InfoVerGroup); }
  void SetInfoVerGroup(std::int16_t Index, const std::wstring& strVal) {
    SetInfo(Index, &InfoTableEntry::InfoVerGroup, strVal);
  }
  std::wstring InfoTitle(std::int16_t Index) const { return GetInfo(Index, &InfoTableEntry::InfoTitle); }
  void SetInfoTitle(std::int16_t Index, const std::wstring& strVal) { SetInfo(Index, &InfoTableEntry::InfoTitle, strVal); }

  bool IgnoreCheck() const { return ignoreCheck_; }
  void SetIgnoreCheck(bool Value) { ignoreCheck_ = Value; }
  // Total cabinet size of the last read; -1 when a listed cabinet has no size.
  std::int32_t TotalFileSize() const { return totalFileSize_; }

  // True when the first entry named strProgramName (exactly) lists a greater version text.
  bool CheckVersionDown(const std::wstring& strProgramName, const std::wstring& strVersion,
                        const std::wstring& strCabFileName) const;
  // Copies the file to the full path strDestFolder, replacing it.
  std::int32_t CopyControl(const std::wstring& strVersionControlFileName, const std::wstring& strDestFolder);
  // 0 when the entry lists no digest or its file in strSouceFolder has that digest (exactly);
  // -1 with the name, a blank and the computed digest, or "missing" when the file is not there,
  // in LastErrorDescription. 0 for an index outside 1 to 3000.
  std::int32_t CheckFileMD5(std::int16_t intIndex, const std::wstring& strSouceFolder);

 protected:
  // The codes a read answers for its own refusals (also put into LastErrorNumber).
  struct Refusals {
    std::int32_t noNodes;
    std::int32_t damaged;
    std::int32_t noCheck;
  };

  VersionControlModel();

  std::int32_t ReadVersionControl(const std::wstring& strVersionControlFileName, const std::wstring& strUser,
                                  const std::wstring& strPassword, bool flgRemovePPK, const Refusals& refusals);
  std::int32_t WriteVersionControl(const std::wstring& strVersionControlFileName);
  // Quicksort by ProgramName, case-insensitive in the system locale; whole entries move.
  static void SortVersionTable(std::vector<Entry>& table, std::int32_t lo, std::int32_t hi);

  // The first of entries 1 to UseVersionTable named exactly so; none when the search runs past
  // the table (a count above it), where the yes/no checks answer False.
  const Entry* FindFirstEntry(const std::wstring& strProgramName) const;
  // An entry an operation works on; 9 outside the table.
  Entry& FileEntry(std::int32_t index);
  const Entry* GuardedEntry(std::int16_t index) const;
  Entry* GuardedEntry(std::int16_t index);

  // The failure into the result and the error fields.
  std::int32_t RecordFailure(const RuntimeError& failure);
  // A refusal (-1) that explains itself in the text; the number stays as it was.
  std::int32_t RefuseWithText(std::wstring description) {
    lastErrorDescription_ = std::move(description);
    return -1;
  }
  // An operation on one listed program file: the refusal for an index outside 1 to 3000, else the
  // operation's result, a failure turned into the result and the error fields.
  template <class Operation>
  std::int32_t OnProgramFile(std::int16_t intIndex, std::int32_t refusal, Operation&& operation) {
    if (intIndex < 1 || intIndex > kMaxVersionTable) return refusal;
    try {
      return operation(VersionTable[intIndex]);
    } catch (const RuntimeError& failure) {
      return RecordFailure(failure);
    }
  }
  // The MD5 component, created on first use and kept.
  const MD5Component& Basp();

  template <class T>
  T Get(std::int16_t index, T Entry::*field) const {
    const Entry* entry = GuardedEntry(index);
    return entry ? entry->*field : T{};
  }
  template <class T>
  void Set(std::int16_t index, T Entry::*field, T value) {
    if (Entry* entry = GuardedEntry(index)) entry->*field = std::move(value);
  }

  std::vector<Entry> VersionTable;
  std::vector<InfoTableEntry> InfoTable;
  std::int16_t useVersionTable_ = 0;
  std::int16_t useInfoTable_ = 0;
  std::wstring lastErrorDescription_;
  std::int32_t lastErrorNumber_ = 0;
  bool ignoreCheck_ = false;
  std::int32_t totalFileSize_ = 0;
  std::unique_ptr<MD5Component> basp_;

 private:
  struct ReadState;
  void ReadData(IXMLDOMNode* data, ReadState& state);
  void ReadFileElement(IXMLDOMNode* element, ReadState& state);
  void ReadInfoElement(IXMLDOMNode* element);
  std::int32_t Refuse(std::int32_t code, const wchar_t* description);

  template <class T>
  T GetInfo(std::int16_t index, T InfoTableEntry::*field) const {
    return index >= 0 && index <= kMaxInfoTable ? InfoTable[index].*field : T{};
  }
  template <class T>
  void SetInfo(std::int16_t index, T InfoTableEntry::*field, T value) {
    if (index >= 0 && index <= kMaxInfoTable) InfoTable[index].*field = std::move(value);
  }
};

extern template class VersionControlModel<VersionTableEntry>;
extern template class VersionControlModel<WebVersionTableEntry>;

}  // namespace kv
