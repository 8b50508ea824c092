#include "UpdateDatabase.h"

#include "FaultChecks.h"

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
  SaveServerSettings(driver, server, pg.user, pg.password, pg.port);
}

void SaveServerSettings(std::int16_t driver, const std::wstring& server, const std::wstring& user,
                        const std::wstring& password, const std::wstring& port) {
  kv::clsParamUpdate params;
  params.SetDBDriver(driver);
  params.SetDBUser(user);
  params.SetDBPassword(password);
  params.SetDBServer(server);
  params.SetDBOption(L"Port=" + port);
  params.SetValue();
}

namespace {

// Text for a quoted SQL literal (CP932 bytes, as the test connection's client encoding).
std::string SqlText(const std::wstring& text) {
  std::string out;
  for (char c : kv::ToAnsi(text)) out += c == '\'' ? std::string("''") : std::string(1, c);
  return "'" + out + "'";
}

}  // namespace

void StoreRow(const std::wstring& name, const std::wstring& folder, const std::wstring& version, int regist,
              const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  DeleteRow(name);
  OdbcExecute(PostgresOdbc("MOSURI_UPDATE"),
              "INSERT INTO VERSION (VER_NAME,VER_FOLDER,VER_UPDATE,VER_FILE_SIZE,VER_REGIST,VER_MD5,VER_IMAGE) "
              "SELECT " + SqlText(name) + "," + SqlText(folder) + "," + SqlText(version) + "," +
                  std::to_string(bytes.size()) + "," + std::to_string(regist) + ",md5(i),i FROM (SELECT decode('" +
                  hex + "','hex') AS i) AS f");
}

void DeleteRow(const std::wstring& name) {
  OdbcExecute(PostgresOdbc("MOSURI_UPDATE"), "DELETE FROM VERSION WHERE VER_NAME=" + SqlText(name));
}

namespace {

// pg_ctl of the test cluster as its owner (scripts/db-env.sh exports where it lies); true when it
// succeeded.
bool PgCtl(const std::string& arguments) {
  TempDir scratch;
  const auto done = UnixPath(scratch / L"succeeded");
  if (!done) return false;
  RunHostScript("[ -n \"$KV_PG_DIR\" ] && runuser -u postgres -- \"$KV_PG_BIN/pg_ctl\" -D \"$KV_PG_DIR/data\" " +
                    arguments + " && touch " + ShellQuoted(*done),
                std::chrono::seconds(60));
  return GetFileAttributesW((scratch / L"succeeded").c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool StopTestClusterImmediately() { return PgCtl("-m immediate stop"); }

// Started again with the options of its last start (postmaster.opts).
bool RestartTestCluster() { return PgCtl("-l \"$KV_PG_DIR/server.log\" -w restart"); }

}  // namespace kvtest
