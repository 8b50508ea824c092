#include "database/DataBaseConst.h"

#include <array>

#include "base/Text.h"

namespace kv {
namespace {

constexpr std::array<const wchar_t*, 6> kProviders = {
    L"Microsoft.Jet.OLEDB.4.0",
    L"SQLOLEDB",
    L"MSDAORA",
    L"MSDASQL.1",
    L"MSDASQL;DRIVER=PostgreSQL ANSI",
    L"MSDASQL;DRIVER=MySQL ODBC 5.1 Driver",
};

std::wstring Authentication(const std::wstring& user, const std::wstring& password) {
  if (user.empty() && password.empty()) return L";Integrated Security=SSPI";
  return L";User ID=" + user + L";Password=" + password;
}

}  // namespace

std::wstring MakeConnectionString(std::int16_t intDriver, const std::wstring& strUser, const std::wstring& strPassword,
                                  const std::wstring& strServer, const std::wstring& strDataBase,
                                  const std::wstring& strPath, const std::wstring& strInstance,
                                  const std::wstring& strPort, const std::wstring& strOption) {
  if (intDriver < 0 || intDriver > 5) return L"";
  std::wstring s = std::wstring(L"Provider=") + kProviders[static_cast<std::size_t>(intDriver)];
  switch (intDriver) {
    case 0:
      s += L";Data Source=" + strPath;
      // A folder path must end with "\": the file name is appended directly.
      if (!EndsWith(UCase(strPath), L".MDB")) s += L"MOSURI.MDB";
      break;
    case 1:
      s += L";Data Source=" + strServer;
      if (strInstance != L"MSSQLSERVER" && !strInstance.empty() && strInstance != L"(既定のインスタンス)") {
        s += L"\\" + strInstance;
      }
      if (!strPort.empty() && strPort != L"(既定のポート)") s += L"," + strPort;
      s += L";Initial Catalog=" + strDataBase + Authentication(strUser, strPassword);
      break;
    case 2:
      s += L";Data Source=" + strServer + L";Initial Catalog=" + strDataBase + Authentication(strUser, strPassword);
      break;
    case 3:
      s += L";Data Source=" + strDataBase;
      break;
    default:
      s += L";DATABASE=" + strDataBase + L";SERVER=" + strServer + L";UID=" + strUser + L";PWD=" + strPassword;
      break;
  }
  if (!strOption.empty()) s += L";" + strOption;
  return s;
}

}  // namespace kv
