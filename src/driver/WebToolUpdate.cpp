#include <array>

#include "base/ProcessExit.h"
#include "base/SkipOnError.h"
#include "dialogs/UpdateLogs.h"
#include "driver/InternetSteps.h"
#include "driver/ThreeUrlRead.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "settings/clsIniFileWeb.h"
#include "versioncontrol/clsVersionControlWeb.h"

namespace kv {

std::int16_t CountWebToolUpdates(const clsIniFileWeb& web) {
  clsVersionControlWeb published;
  const std::array<std::wstring, 3> bases{web.UpdateURL(), web.UpdateURL2(), web.UpdateURL3()};
  if (ReadFromThreeUrls(published, bases, web.VersionFileName(), GetHospitalQuery, web.User(), web.Password(),
                        kWebXmlLabels) == 0) {
    EndProcess(0);
  }
  SkipOnError([&] { WriteBootLog(L"Read Web XML " + web.DownloadFolder() + web.VersionFileName()); });
  clsVersionControlWeb installed;
  SkipOnError([&] { installed.ReadControl(web.DownloadFolder() + web.VersionFileName(), web.User(), web.Password(), false); });

  std::int16_t count = 0;
  for (std::int16_t i = 1; i <= published.UseVersionTable(); ++i) {
    if (!installed.CheckVersionTable(published.ProgramName(i), published.VersionText(i), published.Tools(i))) ++count;
  }
  return count;
}

void WebToolUpdate() {
  UpdateRun& run = CurrentRun();
  if (!run.flgInetUpdate) return;
  clsIniFileWeb web;
  bool exists = false;
  SkipOnError([&] { exists = web.IniFileExist(); });
  if (!exists) return;
  SkipOnError([&] { web.ReadBuffer(); });

  const std::int16_t count = CountWebToolUpdates(web);
  if (count <= 0 || run.declined) return;
  SkipOnError([] { WriteBootLog(L"Web Update"); });
  SkipOnError([] { LogMessageBox(L"続けてルカネスのインターネットアップデートを行います。", 64, ProductTitle()); });
  // The path usually lies below a folder with a blank: quoted. The run waits for the tool's end.
  SkipOnError([] { ShellAndWait(L"\"" + objIniFile().WebUpdate() + L"\" /UPDATE"); });
}

}  // namespace kv
