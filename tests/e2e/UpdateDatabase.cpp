#include "UpdateDatabase.h"

#include "settings/clsParamUpdate.h"
#include "support/OdbcProbe.h"

namespace kvtest {

EmptyUpdateDatabase::EmptyUpdateDatabase() {
  for (const char* database : {"MOSURI_UPDATE", "MOSURI"}) OdbcExecute(PostgresOdbc(database), "DELETE FROM VERSION");
}

std::wstring TestPortOption() { return L"Port=" + TestPostgres().port; }

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
