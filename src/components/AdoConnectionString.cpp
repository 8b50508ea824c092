#include "components/AdoConnectionString.h"

#include <optional>
#include <utility>
#include <vector>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kv::ado {
namespace {

struct Key {
  std::wstring name;   // as written
  std::wstring upper;  // for comparisons
  std::wstring value;
};

std::vector<Key> SplitKeys(const std::wstring& text) {
  std::vector<Key> keys;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L';', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring part = text.substr(start, end - start);
    start = end + 1;
    if (Trim(part).empty()) continue;
    const std::size_t equals = part.find(L'=');
    const std::wstring name = Trim(part.substr(0, equals));
    const std::wstring value = equals == std::wstring::npos ? std::wstring() : part.substr(equals + 1);
    keys.push_back({name, UCase(name), value});
  }
  return keys;
}

enum class Provider { Sql, Oracle, Jet, Odbc };

Provider ProviderOf(const std::wstring& value) {
  const std::wstring name = UCase(Trim(value));
  if (name == L"SQLOLEDB" || name == L"SQLOLEDB.1") return Provider::Sql;
  if (name == L"MSDAORA" || name == L"MSDAORA.1") return Provider::Oracle;
  if (StartsWith(name, L"MICROSOFT.JET.OLEDB.")) return Provider::Jet;
  if (name == L"MSDASQL" || name == L"MSDASQL.1") return Provider::Odbc;
  throw RuntimeError(3706, L"プロバイダーが見つかりません。正しくインストールされていない可能性があります。(" + value + L")");
}

std::wstring Braced(const std::wstring& value) {
  return StartsWith(value, L"{") ? value : L"{" + value + L"}";
}

// The driver's key for an ADO key of the provider; empty optional when the key is dropped, the
// key unchanged when the provider does not know it.
std::optional<std::wstring> OdbcKey(Provider provider, const Key& key) {
  const std::wstring& k = key.upper;
  if (k == L"USER ID") return std::wstring(L"UID");
  if (k == L"PASSWORD") return std::wstring(L"PWD");
  switch (provider) {
    case Provider::Sql:
      if (k == L"DATA SOURCE") return std::wstring(L"SERVER");
      if (k == L"INITIAL CATALOG") return std::wstring(L"DATABASE");
      break;
    case Provider::Oracle:
      if (k == L"DATA SOURCE") return std::wstring(L"SERVER");
      if (k == L"INITIAL CATALOG" || k == L"INTEGRATED SECURITY") return std::nullopt;
      break;
    case Provider::Jet:
      if (k == L"DATA SOURCE") return std::wstring(L"DBQ");
      break;
    case Provider::Odbc:
      if (k == L"DATA SOURCE") return std::wstring(L"DSN");
      if (k == L"INITIAL CATALOG") return std::wstring(L"DATABASE");
      break;
  }
  return key.name;
}

}  // namespace

std::wstring OdbcConnectionString(const std::wstring& adoConnectionString) {
  std::vector<Key> keys = SplitKeys(adoConnectionString);
  Provider provider = Provider::Odbc;
  for (const Key& key : keys) {
    if (key.upper == L"PROVIDER") provider = ProviderOf(key.value);
  }

  std::wstring driver;
  switch (provider) {
    case Provider::Sql: driver = L"DRIVER={SQL Server}"; break;
    case Provider::Oracle: driver = L"DRIVER={Microsoft ODBC for Oracle}"; break;
    case Provider::Jet: driver = L"DRIVER={Microsoft Access Driver (*.mdb)}"; break;
    case Provider::Odbc: break;
  }

  std::wstring rest;
  for (const Key& key : keys) {
    if (key.upper == L"PROVIDER") continue;
    if (provider == Provider::Odbc && key.upper == L"DRIVER") {
      driver = L"DRIVER=" + Braced(key.value);
      continue;
    }
    if (provider == Provider::Sql && key.upper == L"INTEGRATED SECURITY") {
      if (UCase(Trim(key.value)) == L"SSPI") rest += L";Trusted_Connection=Yes";
      continue;
    }
    const std::optional<std::wstring> name = OdbcKey(provider, key);
    if (!name) continue;
    rest += L";" + *name + L"=" + key.value;
  }
  if (driver.empty()) return rest.empty() ? rest : rest.substr(1);
  return driver + rest;
}

}  // namespace kv::ado
