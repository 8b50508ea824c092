#include "database/clsDataBaseUpdate.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "base/Handles.h"
#include "base/Host.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "components/AdoRecordset.h"
#include "database/CreateDataBaseSql.h"
#include "database/DataBaseConst.h"
#include "database/TimeStamp.h"
#include "settings/Common.h"
#include "versioncontrol/ProgramFileInstall.h"

namespace kv {
namespace {

constexpr DWORD kRegistrationPause = 500;
constexpr std::int32_t kChunkSize = 32768;
constexpr wchar_t kDamagedText[] = L"ファイルが破損しています。データベースの初期化を行ってください。";
// Bound in place of the name: a name with an apostrophe is stored and found like any other.
constexpr wchar_t kSelectRow[] = L"SELECT * FROM VERSION WHERE VER_NAME=?";

std::wstring DefaultDatabase(std::int16_t intDriver) { return intDriver == 1 ? L"MOSURI_UPDATE" : L"MOSURI"; }

// The folder rule of the transfers: "\" appended when the text, trimmed, is not empty and does
// not end with one.
std::wstring WithSeparator(const std::wstring& folder) {
  if (!Trim(folder).empty() && !EndsWith(folder, L"\\")) return folder + L"\\";
  return folder;
}

// The text the row shows in its step texts and messages: the name between apostrophes.
std::wstring RowSql(const std::wstring& name) { return L"SELECT * FROM VERSION WHERE VER_NAME='" + name + L"'"; }

std::wstring TextOrEmpty(ado::Field& field) { return field.IsNull() ? std::wstring() : field.Text(); }

// A number column as the conversions of the row's reader take it; 13 when it is no number.
template <class T>
T NumberOf(ado::Field& field, T whenNull) {
  if (field.IsNull()) return whenNull;
  const std::wstring text = Trim(field.Text());
  wchar_t* end = nullptr;
  const double value = wcstod(text.c_str(), &end);
  if (text.empty() || end == nullptr || *end != L'\0') Raise(err::TypeMismatch);
  if (value < static_cast<double>(std::numeric_limits<T>::min()) - 0.5 ||
      value > static_cast<double>(std::numeric_limits<T>::max()) + 0.5) {
    Raise(err::Overflow);
  }
  return static_cast<T>(value < 0 ? value - 0.5 : value + 0.5);
}

std::wstring VersionTextOf(const SYSTEMTIME& t) {
  wchar_t text[32];
  swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return text;
}

// The system's date conversion in the user's locale; 13 when the text is no date.
DATE DateOf(const std::wstring& stamp) {
  DATE date = 0;
  if (FAILED(VarDateFromStr(const_cast<wchar_t*>(stamp.c_str()), LOCALE_USER_DEFAULT, 0, &date))) {
    Raise(err::TypeMismatch);
  }
  return date;
}

void Check(BOOL done) {
  if (!done) RaiseLastWin32();
}

// What a listing of the folder would tell (it finds "." at least), without reading the folder
// through; "" is the current folder.
bool FolderExists(const std::wstring& folder) {
  if (folder.empty()) return true;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint64_t FileLength(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  Check(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

UniqueFile OpenForReading(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) RaiseLastWin32();
  return file;
}

// Exactly size bytes. A file shorter than its length a moment ago is refused: an image padded to
// its size would not match its digest.
std::vector<unsigned char> ReadImage(HANDLE file, std::uint64_t size) {
  std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    Check(ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr));
    if (read == 0) Raise(err::PathFileAccess);
    done += read;
  }
  return bytes;
}

// The temporary file of a download, created open for writing: deleted unless it was put in place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::wstring& folder) {
    // A name longer than 8.3: a new 8.3 name is looked up under Wine against the short name of
    // every file in the folder, an install folder of hundreds of files at that.
    const DWORD process = GetCurrentProcessId(), start = GetTickCount();
    for (DWORD n = 0; n < 0x10000; ++n) {
      wchar_t name[32];
      swprintf(name, 32, L"kvd%08lx%04lx.tmp", static_cast<unsigned long>(process),
               static_cast<unsigned long>((start + n) & 0xFFFF));
      const std::wstring path = folder + name;
      file_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file_) {
        path_ = path;
        return;
      }
      if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    RaiseLastWin32();
  }
  ~TemporaryFile() {
    file_.reset();
    if (path_.empty()) return;
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::wstring& path() const noexcept { return path_; }
  HANDLE handle() const noexcept { return file_.get(); }
  void Close() noexcept { file_.reset(); }
  // Replaces target with the file; a target that refuses (read-only) has its attributes cleared
  // and is replaced then.
  void MoveOver(const std::wstring& target) {
    if (!MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      const DWORD refusal = GetLastError();
      if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) throw RuntimeError::FromWin32(refusal);
      SetNormalAttributes(target);
      Check(MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING));
    }
    path_.clear();
  }

 private:
  UniqueFile file_;
  std::wstring path_;
};

}  // namespace

clsDataBaseUpdate::clsDataBaseUpdate() : clsDataBaseUpdate(RealProcessStarter()) {}

clsDataBaseUpdate::clsDataBaseUpdate(const ProcessStarter& processes)
    : processes_(&processes), versionTable_(static_cast<std::size_t>(kMaxVersionTable) + 1) {}

clsDataBaseUpdate::~clsDataBaseUpdate() = default;

void clsDataBaseUpdate::SetUseVersionTable(std::int16_t Value) {
  if (Value <= kMaxVersionTable) useVersionTable_ = Value;
}

bool clsDataBaseUpdate::CheckVersionTable(const std::wstring& strProgramName, const std::wstring& strVersion) const {
  if (ignoreCheck_) return false;
  for (std::int16_t i = 1; i <= useVersionTable_; ++i) {
    if (ProgramName(i) == strProgramName) return VersionText(i) == strVersion;
  }
  return false;
}

bool clsDataBaseUpdate::CheckVersionDown(const std::wstring& strProgramName, const std::wstring& strVersion) const {
  for (std::int16_t i = 1; i <= useVersionTable_; ++i) {
    if (ProgramName(i) == strProgramName) return VersionText(i) > strVersion;
  }
  return false;
}

std::int32_t clsDataBaseUpdate::Fail(const RuntimeError& failure, const std::wstring& statement, bool withStatement) {
  lastErrorMessage_ = failure.Description() + L"(" + HexUpper(failure.Number()) + L")[" + strStep_ + L"]";
  if (withStatement) lastErrorMessage_ += L"\r\n" + statement;
  return failure.Number();
}

ado::Connection& clsDataBaseUpdate::Cn() {
  if (!cn_) throw RuntimeError(ado::kObjectClosed, ado::ObjectClosedText());
  return *cn_;
}

const MD5Component& clsDataBaseUpdate::Basp() {
  if (!basp_) basp_ = MD5Component::Create();
  return *basp_;
}

template <class Statement>
void clsDataBaseUpdate::WithRetry(Statement&& statement) {
  for (;;) {
    try {
      statement();
      return;
    } catch (const RuntimeError&) {
      ++intRetryCount_;
      if (intRetryCount_ > 1) throw;
    }
  }
}

std::int32_t clsDataBaseUpdate::OpenConnect(std::int16_t intDriver, const std::wstring& strUser,
                                            const std::wstring& strPassword, const std::wstring& strServer,
                                            const std::wstring& strInstance, const std::wstring& strPort,
                                            const std::wstring& strOption, const std::wstring& strDataBase,
                                            std::int16_t intConnectionTimeout) {
  std::wstring connectionString;
  try {
    last_ = {intDriver,   strUser, strPassword, strServer, strDataBase.empty() ? DefaultDatabase(intDriver) : strDataBase,
             strInstance, strPort, strOption,   intConnectionTimeout};
    connectionString = MakeConnectionString(last_.driver, last_.user, last_.password, last_.server, last_.database,
                                            L"", last_.instance, last_.port, last_.option);
    WithRetry([&] {
      // The previous connection goes without an explicit close.
      cn_ = std::make_unique<ado::Connection>();
      cn_->ConnectionTimeout = 10;
      cn_->CommandTimeout = intConnectionTimeout;
      cn_->ConnectionString = connectionString;
    });
    strStep_ = L"DB.OpenConnect:cn.open(" + connectionString + L")";
    WithRetry([&] { cn_->Open(); });
    flgOpened_ = true;
    intRetryCount_ = 0;
    return 0;
  } catch (const RuntimeError& failure) {
    return Fail(failure, connectionString);
  }
}

void clsDataBaseUpdate::CloseConnect() {
  if (!flgOpened_) return;
  SkipOnError([&] { Cn().Close(); });
  cn_.reset();
  flgOpened_ = false;
  intRetryCount_ = 0;
}

bool clsDataBaseUpdate::ReConnectDbOnError(const std::wstring& strErrorDescription) {
  if (strErrorDescription.find(L"接続できません") != std::wstring::npos) {
    if (intRetryCount_ >= 1) {
      intRetryCount_ = 0;
      return false;
    }
    CloseConnect();
    const Settings s = last_;
    bool answer = true;
    if (OpenConnect(s.driver, s.user, s.password, s.server, s.instance, s.port, s.option, s.database, s.timeout) == 0) {
      intRetryCount_ = 999;
      answer = false;
    }
    ++intRetryCount_;
    return answer;
  }
  if (intRetryCount_ >= 1) {
    intRetryCount_ = 0;
    return false;
  }
  ++intRetryCount_;
  return true;
}

std::int32_t clsDataBaseUpdate::ExistDatabase(std::int16_t intDriver, const std::wstring& strUser,
                                              const std::wstring& strPassword, const std::wstring& strServer,
                                              const std::wstring& strInstance, const std::wstring& strPort,
                                              const std::wstring& strOption, std::int16_t intConnectionTimeout) {
  strStep_ = L"DB.ExistDatabase:OpenConnect";
  const std::int32_t r = OpenConnect(intDriver, strUser, strPassword, strServer, strInstance, strPort, strOption,
                                     L"master", intConnectionTimeout);
  if (r != 0) return r;
  std::wstring sql;
  try {
    sql = L"SELECT name FROM sysdatabases WHERE name='MOSURI_UPDATE'";
    strStep_ = L"DB.ExistDatabase:rsMaster.Open(" + sql + L")";
    ado::Recordset rsMaster;
    rsMaster.Open(sql, Cn(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    const std::int32_t result = rsMaster.Eof() ? -1 : 0;
    strStep_ = L"DB.ExistDatabase:rsMaster.Close";
    rsMaster.Close();
    strStep_ = L"DB.ExistDatabase:CloseConnect";
    CloseConnect();
    return result;
  } catch (const RuntimeError& failure) {
    return Fail(failure, sql);
  }
}

std::int32_t clsDataBaseUpdate::ReadControl(std::int16_t intDriver, const std::wstring& strUser,
                                            const std::wstring& strPassword, const std::wstring& strServer,
                                            const std::wstring& strInstance, const std::wstring& strPort,
                                            const std::wstring& strOption, std::int16_t intConnectionTimeout) {
  useVersionTable_ = 0;
  strStep_ = L"DB.ReadControl:OpenConnect";
  const std::int32_t r = OpenConnect(intDriver, strUser, strPassword, strServer, strInstance, strPort, strOption, L"",
                                     intConnectionTimeout);
  if (r != 0) return r;
  std::wstring sql;
  try {
    sql = L"SELECT VER_NAME,VER_FOLDER,VER_UPDATE,VER_REGIST,VER_FILE_SIZE,VER_MD5 FROM VERSION ORDER BY VER_NAME";
    strStep_ = L"DB.ReadControl:rsVersion.Open(" + sql + L")";
    ado::Recordset rsVersion;
    rsVersion.Open(sql, Cn(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (;;) {
      strStep_ = L"DB.ReadControl:rsVersion.Get";
      if (rsVersion.Eof()) break;
      DataBaseVersionTableEntry& entry = versionTable_[static_cast<std::size_t>(useVersionTable_) + 1];
      entry.ProgramName = TextOrEmpty(rsVersion.Fields(L"VER_NAME"));
      entry.FolderName = TextOrEmpty(rsVersion.Fields(L"VER_FOLDER"));
      entry.VersionText = TextOrEmpty(rsVersion.Fields(L"VER_UPDATE"));
      entry.RegistType = NumberOf<std::int16_t>(rsVersion.Fields(L"VER_REGIST"), 1);
      entry.FileSize = NumberOf<std::int32_t>(rsVersion.Fields(L"VER_FILE_SIZE"), 0);
      entry.MD5 = TextOrEmpty(rsVersion.Fields(L"VER_MD5"));
      ++useVersionTable_;
      if (useVersionTable_ >= kMaxVersionTable) break;
      strStep_ = L"DB.ReadControl:rsVersion.MoveNext";
      rsVersion.MoveNext();
    }
    strStep_ = L"DB.ReadControl:rsVersion.Close";
    rsVersion.Close();
    strStep_ = L"DB.ReadControl:CloseConnect";
    CloseConnect();
    return 0;
  } catch (const RuntimeError& failure) {
    return Fail(failure, sql);
  }
}

std::int32_t clsDataBaseUpdate::UploadData(const std::wstring& strFileName, const std::wstring& strFolder,
                                           const std::wstring& strFileDateTime, std::int16_t intRegist,
                                           const std::wstring& strAppFolder) {
  std::wstring sql;
  try {
    std::wstring p = WithSeparator(strAppFolder);
    strStep_ = L"DB.UploadData:FileSystem.Dir(" + p + strFileName + L")";
    if (!NormalFileListingFinds(p + strFileName)) p = WithSeparator(p + strFolder);
    p += strFileName;
    strStep_ = L"DB.UploadData:FileSystem.Dir(" + p + L")";
    if (!NormalFileListingFinds(p)) return 0;

    strStep_ = L"DB.UploadData:FileSystem.FileLen(" + p + L")";
    const std::uint64_t size = FileLength(p);
    strStep_ = L"DB.UploadData:basp.MD5(" + p + L")";
    const std::wstring digest = Basp().MD5(p, MD5Component::File);
    // An empty file is stored as an empty image with the digest of no bytes.
    strStep_ = L"DB.UploadData:Open(" + p + L")";
    if (size > 0x7FFFFFFF) Raise(err::Overflow);
    UniqueFile file = OpenForReading(p);
    strStep_ = L"DB.UploadData:Get";
    std::vector<unsigned char> image = ReadImage(file.get(), size);
    strStep_ = L"DB.UploadData:Close";
    file.reset();

    sql = RowSql(strFileName);
    strStep_ = L"DB.UploadData:rsVersion.Open(" + sql + L")";
    ado::Recordset rsVersion;
    rsVersion.Open(kSelectRow, Cn(), ado::adOpenDynamic, ado::adLockOptimistic, {odbc::Parameter::Text(strFileName)});
    if (rsVersion.Eof()) {
      strStep_ = L"DB.UploadData:rsVersion.AddNew";
      rsVersion.AddNew();
    }
    strStep_ = L"DB.UploadData:rsVersion.Set";
    rsVersion.Fields(L"VER_NAME").SetValue(odbc::Parameter::Text(strFileName));
    rsVersion.Fields(L"VER_FOLDER").SetValue(odbc::Parameter::Text(strFolder));
    rsVersion.Fields(L"VER_UPDATE").SetValue(odbc::Parameter::Text(strFileDateTime));
    rsVersion.Fields(L"VER_FILE_SIZE").SetValue(odbc::Parameter::Int32(static_cast<std::int32_t>(size)));
    rsVersion.Fields(L"VER_REGIST").SetValue(odbc::Parameter::Int16(intRegist));
    rsVersion.Fields(L"VER_MD5").SetValue(odbc::Parameter::Text(digest));
    rsVersion.Fields(L"VER_IMAGE").SetValue(odbc::Parameter::Binary(std::move(image)));
    strStep_ = L"DB.UploadData:rsVersion.Update";
    rsVersion.Update();
    strStep_ = L"DB.UploadData:rsVersion.Close";
    rsVersion.Close();
    return 0;
  } catch (const RuntimeError& failure) {
    return Fail(failure, sql);
  }
}

std::int32_t clsDataBaseUpdate::DownloadData(const std::wstring& strFileName, const std::wstring& strFolder,
                                             std::int16_t intRegist, const std::wstring& strAppFolder) {
  std::wstring sql;
  // The file in place while it is unregistered and not replaced by the new one.
  std::wstring unregistered;
  try {
    std::int32_t r = 0;
    sql = RowSql(strFileName);
    strStep_ = L"DB.DownloadData:rsVersion.Open(" + sql + L")";
    ado::Recordset rsVersion;
    rsVersion.Open(kSelectRow, Cn(), ado::adOpenForwardOnly, ado::adLockReadOnly,
                   {odbc::Parameter::Text(strFileName)});
    if (!rsVersion.Eof()) {
      strStep_ = L"DB.DownloadData:rsVersion.Get";
      const std::wstring name = TextOrEmpty(rsVersion.Fields(L"VER_NAME"));
      const std::int32_t size = NumberOf<std::int32_t>(rsVersion.Fields(L"VER_FILE_SIZE"), 0);
      ado::Field& updated = rsVersion.Fields(L"VER_UPDATE");
      const std::wstring stamp = updated.IsNull() ? VersionTextOf(CurrentHost().LocalTime()) : updated.Text();
      const std::wstring storedDigest = TextOrEmpty(rsVersion.Fields(L"VER_MD5"));
      // Rows are confined as the version controls' entries are: nothing outside the install folder.
      RequirePlainFileName(name);
      RequireSubFolderName(strFolder, name);

      const std::wstring f = WithSeparator(WithSeparator(strAppFolder) + strFolder);
      const std::wstring target = f + name;
      strStep_ = L"DB.DownloadData:RegistFile(" + target + L",False)";
      RegistFile(target, intRegist, false);
      unregistered = target;

      bool damaged = false;
      if (!IsOwnExecutable(name)) {
        if (!FolderExists(f)) {
          strStep_ = L"DB.DownloadData:MkDir(" + f + L")";
          Check(CreateDirectoryW(f.c_str(), nullptr));
        }
        // The image goes into a file beside the installed one, which stays until the new one is
        // complete, stamped and checked.
        strStep_ = L"DB.DownloadData:Open(" + target + L")";
        TemporaryFile temporary(f);
        ado::Field& image = rsVersion.Fields(L"VER_IMAGE");
        std::int64_t received = 0;
        for (std::int32_t written = 0; written < size;) {
          strStep_ = L"DB.DownloadData:GetChunk";
          const std::vector<unsigned char> piece = image.GetChunk(kChunkSize);
          written += std::min(kChunkSize, size - written);
          strStep_ = L"DB.DownloadData:Put";
          DWORD put = 0;
          if (!piece.empty()) {
            Check(WriteFile(temporary.handle(), piece.data(), static_cast<DWORD>(piece.size()), &put, nullptr));
          }
          received += static_cast<std::int64_t>(piece.size());
        }
        // An image longer than its size is as damaged as a shorter one.
        strStep_ = L"DB.DownloadData:GetChunk";
        received += static_cast<std::int64_t>(image.GetChunk(kChunkSize).size());
        strStep_ = L"DB.DownloadData:Close";
        temporary.Close();
        strStep_ = L"DB.DownloadData:SetAttr(" + target + L")";
        SetNormalAttributes(temporary.path());
        strStep_ = L"DB.DownloadData:SetLastWriteTime(" + target + L")";
        SetLastWriteTime(temporary.path(), DateOf(stamp));
        strStep_ = L"DB.DownloadData:basp.MD5(" + target + L")";
        const std::wstring digest = Basp().MD5(temporary.path(), MD5Component::File);
        damaged = received != size || (!storedDigest.empty() && storedDigest != digest);
        if (!damaged) {
          strStep_ = L"DB.DownloadData:Kill(" + target + L")";
          temporary.MoveOver(target);
          unregistered.clear();
        }
      }
      if (damaged) {
        lastErrorMessage_ = kDamagedText + name;
        r = -1;
      } else {
        if (EndsWith(UCase(name), L".CAB")) {
          const std::wstring c = GetUserDataFolder() + L"\\" + name;
          strStep_ = L"DB.DownloadData:FileCopy(" + target + L"," + c + L")";
          Check(CopyFileW(target.c_str(), c.c_str(), FALSE));
          strStep_ = L"DB.DownloadData:SetAttr(" + c + L")";
          SetNormalAttributes(c);
          if (FileExist(c + L".up")) {
            strStep_ = L"DB.DownloadData:Kill(" + c + L".up)";
            DeleteListedFile(c + L".up");
          }
        }
      }
      // The file in place, new or kept, is registered again.
      strStep_ = L"DB.DownloadData:RegistFile(" + target + L",True)";
      const std::int32_t registered = RegistFile(target, intRegist, true);
      unregistered.clear();
      if (r == 0) r = registered;
    }
    strStep_ = L"DB.DownloadData:rsVersion.Close";
    rsVersion.Close();
    return r;
  } catch (const RuntimeError& failure) {
    const std::int32_t r = Fail(failure, sql);
    if (!unregistered.empty()) {
      // The installed file was kept: registered again, as it was before, and the caller is told
      // of the failure that stopped the download, not of this registration.
      const std::wstring message = lastErrorMessage_;
      strStep_ = L"DB.DownloadData:RegistFile(" + unregistered + L",True)";
      RegistFile(unregistered, intRegist, true);
      lastErrorMessage_ = message;
    }
    return r;
  }
}

std::int32_t clsDataBaseUpdate::RegistFile(const std::wstring& strProgName, std::int16_t intRegistType,
                                           bool flgRegist) {
  try {
    strStep_ = L"DB.RegistFile:GetSystemDirectory()";
    // The RegAsm type registers nothing here; for it and the types without registration neither
    // the system folder nor the file is looked at.
    const bool registers = intRegistType == 2 || intRegistType == 3;
    std::wstring s;
    if (registers) {
      s = Trim(CurrentHost().SystemFolder());
      if (!EndsWith(s, L"\\")) s += L"\\";
      // Without regsvr32 in the system folder it is started by name.
      if (!FileExist(s + L"regsvr32.exe")) s.clear();
    }

    strStep_ = L"DB.RegistFile:FileExist(" + strProgName + L")";
    if (!registers || !FileExist(strProgName)) return 0;
    const std::vector<std::wstring> commands = RegistrationCommands(intRegistType, flgRegist, s, strProgName);
    CurrentHost().Sleep(kRegistrationPause);
    strStep_ = L"DB.RegistFile:ExecWait(" + commands.front() + L")";
    ExecWait(commands.front());
    CurrentHost().Sleep(kRegistrationPause);
    return 0;
  } catch (const RuntimeError& failure) {
    return Fail(failure, L"", false);
  }
}

std::int16_t clsDataBaseUpdate::ExecWait(const std::wstring& commandLine) {
  const UniqueHandle process = processes_->Start(commandLine, StartWindow::MinimizedNoFocus);
  if (!process) return -1;
  WaitForSingleObject(process.get(), INFINITE);
  return 0;
}

std::int32_t clsDataBaseUpdate::CreateDataBase(const std::wstring& strFolderName, std::int16_t intDriver,
                                               const std::wstring& strUser, const std::wstring& strPassword,
                                               const std::wstring& strServer, const std::wstring& strInstance,
                                               const std::wstring& strPort, const std::wstring& strOption,
                                               std::int16_t intConnectionTimeout) {
  std::wstring sql;
  try {
    if (intDriver == 1 && strFolderName.find(L'\'') != std::wstring::npos) {
      // The file names stand inside the statement, where no parameter can: refused before anything runs.
      sql = CreateDatabaseSql(strFolderName);
      strStep_ = L"DB.CreateDataBase:cn.Execute(" + sql + L")";
      Raise(5);
    }
    cn_ = std::make_unique<ado::Connection>();
    cn_->CursorLocation = ado::adUseClient;
    cn_->CommandTimeout = intConnectionTimeout;
    if (intDriver == 1) {
      const std::wstring server = ServerConnectionString(strServer, strInstance, strPort, strOption);
      strStep_ = L"DB.CreateDataBase:cn.open(" + server + L")";
      cn_->ConnectionString = server;
      cn_->Open();
      sql = DropDatabaseSql();
      SkipOnError([&] { cn_->Execute(sql); });
      for (const std::wstring& path : {DatabaseDataFile(strFolderName), DatabaseLogFile(strFolderName)}) {
        strStep_ = L"DB.CreateDataBase:FileExist(" + path + L")";
        if (FileExist(path)) {
          strStep_ = L"DB.CreateDataBase:Kill(" + path + L")";
          DeleteListedFile(path);
        }
      }
      sql = CreateDatabaseSql(strFolderName);
      strStep_ = L"DB.CreateDataBase:cn.Execute(" + sql + L")";
      cn_->Execute(sql);
      strStep_ = L"DB.CreateDataBase:cn.Close";
      cn_->Close();
    }
    const std::wstring connectionString = MakeConnectionString(intDriver, strUser, strPassword, strServer,
                                                               DefaultDatabase(intDriver), L"", strInstance, strPort,
                                                               strOption);
    strStep_ = L"DB.CreateDataBase:cn.Open(" + connectionString + L")";
    cn_->ConnectionString = connectionString;
    cn_->Open();
    sql = CreateTableSql(intDriver);
    strStep_ = L"DB.CreateDataBase:cn.Execute(" + sql + L")";
    cn_->Execute(sql);
    sql = AddPrimaryKeySql();
    strStep_ = L"DB.CreateDataBase:cn.Execute(" + sql + L")";
    cn_->Execute(sql);
    strStep_ = L"DB.CreateDataBase:cn.Close";
    cn_->Close();
    return 0;
  } catch (const RuntimeError& failure) {
    return Fail(failure, sql);
  }
}

}  // namespace kv
