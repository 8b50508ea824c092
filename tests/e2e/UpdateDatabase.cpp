#include "UpdateDatabase.h"

#include <windows.h>

#include <sstream>
#include <thread>

#include "base/Text.h"
#include "settings/clsParamUpdate.h"
#include "support/HostProcessPaths.h"
#include "support/OdbcProbe.h"
#include "support/TempDir.h"

namespace kvtest {

EmptyUpdateDatabase::EmptyUpdateDatabase() {
  for (const char* database : {"MOSURI_UPDATE", "MOSURI"}) OdbcExecute(PostgresOdbc(database), "DELETE FROM VERSION");
}

std::wstring TestPortOption() { return L"Port=" + TestPostgres().port; }

std::vector<std::wstring> Psql(const std::string& database, const std::string& sql) {
  const PostgresSettings pg = TestPostgres();
  TempDir scratch;
  const auto out = UnixPath(scratch / L"out.txt");
  const auto done = UnixPath(scratch / L"done");
  if (!out || !done) return {};
  const std::string script = "PGPASSWORD=" + ShellQuoted(kv::ToUtf8(pg.password)) +
                             " PGCLIENTENCODING=UTF8 psql -X -At -h 127.0.0.1 -p " + kv::ToUtf8(pg.port) + " -U " +
                             ShellQuoted(kv::ToUtf8(pg.user)) + " -d " + ShellQuoted(database) + " -c " +
                             ShellQuoted(sql) + " >" + ShellQuoted(*out) + " 2>&1; touch " + ShellQuoted(*done);
  if (!StartHostShell(script)) return {};
  for (int i = 0; i < 300 && GetFileAttributesW((scratch / L"done").c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::vector<std::wstring> lines;
  std::wistringstream in(kv::FromUtf8(ReadBytes(scratch / L"out.txt")));
  for (std::wstring line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void SaveServerSettings(std::int16_t driver, const std::wstring& server) {
  const PostgresSettings pg = TestPostgres();
  kv::clsParamUpdate params;
  params.SetDBDriver(driver);
  params.SetDBUser(pg.user);
  params.SetDBPassword(pg.password);
  params.SetDBServer(server);
  params.SetDBOption(TestPortOption());
  params.SetValue();
}

}  // namespace kvtest
