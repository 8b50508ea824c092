#pragma once
// The ODBC connection string that our ADO stand-in opens for an ADO connection string: keys are
// case-insensitive, no Provider means MSDASQL, each provider's keys become its driver's keys and
// any other key passes through unchanged.
#include <string>

namespace kv::ado {

// Raises 3706 for a provider it does not know.
std::wstring OdbcConnectionString(const std::wstring& adoConnectionString);

}  // namespace kv::ado
