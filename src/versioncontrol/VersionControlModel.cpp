#include "versioncontrol/VersionControlModel.h"

#include <windows.h>

#include <utility>
#include <variant>

#include "base/Handles.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "versioncontrol/MsXml.h"
#include "versioncontrol/ProgramFileInstall.h"
#include "versioncontrol/VersionControlFile.h"

namespace kv {
namespace {

// The top-level nodes of the file at a path, or none when the document cannot load it.
ComPtr<IXMLDOMNodeList> LoadPath(const std::wstring& path) {
  const auto document = msxml::CreateDomDocument();
  msxml::Check(document->put_async(VARIANT_FALSE));
  {
    // Wine's MSXML 3 answers E_FAIL here although it loads paths and URLs alike: not checked.
    const UniqueBstr name(L"ServerHTTPRequest");
    VARIANT on;
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    document->setProperty(name.get(), on);
  }
  msxml::Check(document->put_validateOnParse(VARIANT_FALSE));
  UniqueVariant source;
  msxml::AssignText(source.get(), path);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  msxml::Check(document->load(*source.get(), &loaded));
  if (loaded == VARIANT_FALSE) return nullptr;
  return msxml::ChildNodes(document.get());
}

// The top-level nodes of the answer to a GET, or none when the status is not 200.
ComPtr<IXMLDOMNodeList> Download(const std::wstring& url, const std::wstring& strUser, const std::wstring& strPassword) {
  const auto request = msxml::CreateServerXmlHttp();
  const UniqueBstr method(L"GET");
  const UniqueBstr address(url.c_str());
  VARIANT synchronous;
  synchronous.vt = VT_BOOL;
  synchronous.boolVal = VARIANT_FALSE;
  UniqueVariant user;
  UniqueVariant password;
  if (!Trim(strUser).empty()) {
    msxml::AssignText(user.get(), strUser);
    msxml::AssignText(password.get(), strPassword);
  } else {
    for (VARIANT* missing : {user.get(), password.get()}) {
      missing->vt = VT_ERROR;
      missing->scode = DISP_E_PARAMNOTFOUND;
    }
  }
  msxml::Check(request->open(method.get(), address.get(), synchronous, *user.get(), *password.get()));
  UniqueVariant noBody;
  msxml::Check(request->send(*noBody.get()));
  long status = 0;
  msxml::Check(request->get_status(&status));
  if (status != 200) return nullptr;
  ComPtr<IDispatch> response;
  msxml::Check(request->get_responseXML(response.put()));
  const auto document = response.As<IXMLDOMDocument>(msxml::kIidXmlDomDocument);
  if (!document) return nullptr;
  return msxml::ChildNodes(document.get());
}

void AppendElement(IXMLDOMDocument* document, IXMLDOMNode* parent, const wchar_t* name, const Attributes& attributes) {
  const auto element = msxml::CreateElement(document, name);
  for (const auto& attribute : attributes) {
    std::visit([&](const auto& value) { msxml::SetAttribute(element.get(), attribute.name, value); }, attribute.value);
  }
  msxml::AppendChild(parent, element.get());
  msxml::AppendText(document, parent, L"\r\n");
}

bool NameLess(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_LESS_THAN;
}

std::int32_t AddLong(std::int32_t a, std::int32_t b) {
  const long long sum = static_cast<long long>(a) + b;
  if (sum > INT32_MAX || sum < INT32_MIN) Raise(err::Overflow);
  return static_cast<std::int32_t>(sum);
}

}  // namespace

template <class Entry>
struct VersionControlModel<Entry>::ReadState {
  bool flgRemovePPK = false;
  std::wstring checkText = kCheckKey;
  std::wstring storedDigest;
};

template <class Entry>
VersionControlModel<Entry>::VersionControlModel()
    : VersionTable(kMaxVersionTable + 1), InfoTable(kMaxInfoTable + 1) {}

template <class Entry>
std::int32_t VersionControlModel<Entry>::ReadVersionControl(const std::wstring& strVersionControlFileName,
                                                            const std::wstring& strUser,
                                                            const std::wstring& strPassword, bool flgRemovePPK,
                                                            const Refusals& refusals) {
  useVersionTable_ = 0;
  totalFileSize_ = 0;
  ReadState state;
  state.flgRemovePPK = flgRemovePPK;
  try {
    const ComApartment com;
    // Only a lower-case scheme goes to the request object; "HTTP:" is the document's own load.
    const bool download = strVersionControlFileName.starts_with(L"http");
    const auto nodes =
        download ? Download(strVersionControlFileName, strUser, strPassword) : LoadPath(strVersionControlFileName);
    if (!nodes) Raise(err::ObjectNotSet);
    lastErrorDescription_ = download ? kTextCannotDownload : kTextCannotLoad;

    const long count = msxml::Length(nodes.get());
    if (count == 0) return Refuse(refusals.noNodes, nullptr);
    for (long i = 0; i < count; ++i) {
      const auto node = msxml::Item(nodes.get(), i);
      if (msxml::NodeName(node.get()) == L"DATA" && msxml::HasChildNodes(node.get())) ReadData(node.get(), state);
    }

    if (state.storedDigest.empty()) return Refuse(refusals.noCheck, kTextNoCheck);
    if (Basp().MD5(state.checkText, MD5Component::Text) != state.storedDigest) {
      return Refuse(refusals.damaged, kTextDamaged);
    }
    return 0;
  } catch (const RuntimeError& failure) {
    return RecordFailure(failure);
  }
}

template <class Entry>
void VersionControlModel<Entry>::ReadData(IXMLDOMNode* data, ReadState& state) {
  const auto children = msxml::ChildNodes(data);
  const long count = msxml::Length(children.get());
  for (long i = 0; i < count; ++i) {
    const auto child = msxml::Item(children.get(), i);
    const std::wstring name = msxml::NodeName(child.get());
    if (name == L"File") {
      ReadFileElement(child.get(), state);
    } else if (name == L"Info") {
      ReadInfoElement(child.get());
    } else if (name == L"Check") {
      msxml::ForEachAttribute(child.get(), [&state](const std::wstring& attribute, const std::wstring& text) {
        if (attribute == L"MD5") state.storedDigest = text;
      });
    }
  }
  if (useInfoTable_ >= 0 && useInfoTable_ <= kMaxInfoTable) {
    const InfoTableEntry& last = InfoTable[useInfoTable_];
    InfoTableEntry& summary = InfoTable[0];
    summary.InfoID = last.InfoID;
    summary.InfoHiduke = last.InfoHiduke;
    summary.InfoVersion = last.InfoVersion;
    summary.InfoVerGroup = last.InfoVerGroup;
  }
}

template <class Entry>
void VersionControlModel<Entry>::ReadFileElement(IXMLDOMNode* element, ReadState& state) {
  Entry& entry = FileEntry(useVersionTable_ + 1);
  ResetForRead(entry);
  msxml::ForEachAttribute(element, [&entry](const std::wstring& name, const std::wstring& text) {
    ReadAttribute(entry, name, text);
  });
  AppendCheckText(entry, state.checkText);

  std::wstring& greatest = VersionTable[0].VersionText;
  if (greatest < entry.VersionText) greatest = entry.VersionText;
  if (entry.CabFileSize < 1) {
    totalFileSize_ = -1;
  } else if (totalFileSize_ >= 0) {
    totalFileSize_ = AddLong(totalFileSize_, entry.CabFileSize);
  }
  ++useVersionTable_;
  // The dropped entry still counted in the check text, the greatest version and the total.
  if (state.flgRemovePPK && LCase(entry.ProgramName) == L"kanvolo.ppk") --useVersionTable_;
}

template <class Entry>
void VersionControlModel<Entry>::ReadInfoElement(IXMLDOMNode* element) {
  const std::int32_t index = useInfoTable_ + 1;
  if (index < 0 || index > kMaxInfoTable) Raise(err::SubscriptOutOfRange);
  InfoTableEntry& entry = InfoTable[index];
  ResetForRead(entry);
  msxml::ForEachAttribute(element, [&entry](const std::wstring& name, const std::wstring& text) {
    ReadAttribute(entry, name, text);
  });
  ++useInfoTable_;
}

template <class Entry>
std::int32_t VersionControlModel<Entry>::WriteVersionControl(const std::wstring& strVersionControlFileName) {
  try {
    const ComApartment com;
    std::wstring checkText = kCheckKey;
    SortVersionTable(VersionTable, 1, useVersionTable_);

    const auto document = msxml::CreateDomDocument();
    {
      // With empty data the component saves "<?xml?>", which its own parser then refuses.
      const UniqueBstr target(L"xml");
      const UniqueBstr data(L"version=\"1.0\"");
      ComPtr<IXMLDOMProcessingInstruction> declaration;
      msxml::Check(document->createProcessingInstruction(target.get(), data.get(), declaration.put()));
      msxml::AppendChild(document.get(), declaration.get());
    }
    const auto root = msxml::CreateElement(document.get(), L"DATA");
    msxml::AppendChild(document.get(), root.get());
    msxml::AppendText(document.get(), root.get(), L"\r\n");

    for (std::int32_t i = 1; i <= useVersionTable_; ++i) {
      const Entry& entry = FileEntry(i);
      AppendElement(document.get(), root.get(), L"File", WrittenAttributes(entry));
      AppendCheckText(entry, checkText);
    }
    for (std::int32_t i = 1; i <= useInfoTable_; ++i) {
      AppendElement(document.get(), root.get(), L"Info", WrittenAttributes(InfoTable[i]));
    }
    AppendElement(document.get(), root.get(), L"Check", {{L"MD5", Basp().MD5(checkText, MD5Component::Text)}});

    UniqueVariant destination;
    msxml::AssignText(destination.get(), strVersionControlFileName);
    msxml::Check(document->save(*destination.get()));
    return 0;
  } catch (const RuntimeError& failure) {
    return RecordFailure(failure);
  }
}

template <class Entry>
void VersionControlModel<Entry>::SortVersionTable(std::vector<Entry>& table, std::int32_t lo, std::int32_t hi) {
  if (lo >= hi) return;
  // A range past the table fails before anything moves, so no entry is lost on the way.
  if (lo < 0 || static_cast<std::size_t>(hi) >= table.size()) Raise(err::SubscriptOutOfRange);
  const std::int32_t mid = (lo + hi) / 2;
  Entry pivot = table[mid];
  table[mid] = table[lo];
  std::int32_t last = lo;
  for (std::int32_t i = lo + 1; i <= hi; ++i) {
    if (NameLess(table[i].ProgramName, pivot.ProgramName)) {
      ++last;
      std::swap(table[last], table[i]);
    }
  }
  if (last != lo) table[lo] = std::move(table[last]);
  table[last] = std::move(pivot);
  SortVersionTable(table, lo, last - 1);
  SortVersionTable(table, last + 1, hi);
}

template <class Entry>
bool VersionControlModel<Entry>::CheckVersionDown(const std::wstring& strProgramName, const std::wstring& strVersion,
                                                  const std::wstring& /*strCabFileName*/) const {
  const Entry* entry = FindFirstEntry(strProgramName);
  return entry && entry->VersionText > strVersion;
}

template <class Entry>
std::int32_t VersionControlModel<Entry>::CopyControl(const std::wstring& strVersionControlFileName,
                                                     const std::wstring& strDestFolder) {
  if (CopyFileW(strVersionControlFileName.c_str(), strDestFolder.c_str(), FALSE)) return 0;
  return RecordFailure(RuntimeError::FromWin32(GetLastError()));
}

template <class Entry>
std::int32_t VersionControlModel<Entry>::CheckFileMD5(std::int16_t intIndex, const std::wstring& strSouceFolder) {
  return OnProgramFile(intIndex, 0, [&](const Entry& entry) {
    RequirePlainFileName(entry.ProgramName);
    const std::wstring path = strSouceFolder + entry.ProgramName;
    // A listed file that is not there is a damaged source, digest or not: it must not pass as
    // checked and then be counted as installed.
    if (!FileExist(path)) return RefuseWithText(entry.ProgramName + L" missing");
    if (entry.MD5.empty()) return 0;
    const std::wstring digest = Basp().MD5(path, MD5Component::File);
    if (digest == entry.MD5) return 0;
    return RefuseWithText(entry.ProgramName + L" " + digest);
  });
}

template <class Entry>
const Entry* VersionControlModel<Entry>::FindFirstEntry(const std::wstring& strProgramName) const {
  for (std::int32_t i = 1; i <= useVersionTable_ && i <= kMaxVersionTable; ++i) {
    if (VersionTable[i].ProgramName == strProgramName) return &VersionTable[i];
  }
  return nullptr;
}

template <class Entry>
Entry& VersionControlModel<Entry>::FileEntry(std::int32_t index) {
  if (index < 0 || index > kMaxVersionTable) Raise(err::SubscriptOutOfRange);
  return VersionTable[index];
}

template <class Entry>
const Entry* VersionControlModel<Entry>::GuardedEntry(std::int16_t index) const {
  return index >= 0 && index <= kMaxVersionTable ? &VersionTable[index] : nullptr;
}

template <class Entry>
Entry* VersionControlModel<Entry>::GuardedEntry(std::int16_t index) {
  return index >= 0 && index <= kMaxVersionTable ? &VersionTable[index] : nullptr;
}

template <class Entry>
std::int32_t VersionControlModel<Entry>::RecordFailure(const RuntimeError& failure) {
  lastErrorNumber_ = failure.Number();
  lastErrorDescription_ = failure.Description();
  return failure.Number();
}

template <class Entry>
std::int32_t VersionControlModel<Entry>::Refuse(std::int32_t code, const wchar_t* description) {
  lastErrorNumber_ = code;
  if (description) lastErrorDescription_ = description;
  return code;
}

template <class Entry>
const MD5Component& VersionControlModel<Entry>::Basp() {
  if (!basp_) basp_ = MD5Component::Create();
  return *basp_;
}

template class VersionControlModel<VersionTableEntry>;
template class VersionControlModel<WebVersionTableEntry>;

}  // namespace kv
