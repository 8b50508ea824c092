#pragma once
// The local update host (tests/tools/update_host.py) serving the suite's fixture release, started
// as a host process through /bin/sh for one test and stopped afterwards.
#include <string>
#include <vector>

namespace kvtest {

class UpdateHostProcess {
 public:
  // release: a sub-folder of FixtureFolder() holding another release in the same layout; empty:
  // the fixture folder's own.
  explicit UpdateHostProcess(const std::wstring& release = {});
  // Serves a release folder of the test's own (Windows path) as it is, without the "digest"
  // fault's cabinets: e.g. the cabinet folder of a release build.
  struct Published {
    std::wstring folder;
    // Request paths read as raw CP932 bytes, as a Windows host reads them; else as UTF-8.
    bool cp932Paths = false;
  };
  explicit UpdateHostProcess(const Published& release);
  ~UpdateHostProcess();
  UpdateHostProcess(const UpdateHostProcess&) = delete;
  UpdateHostProcess& operator=(const UpdateHostProcess&) = delete;

  bool Running() const { return port_ != 0; }
  unsigned short Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by path.
  std::wstring Url(const std::wstring& path) const;
  // The request lines as received, one each ("GET <target>", " [auth]" with credentials), CP932.
  std::vector<std::wstring> Requests() const;

  // The release's files as published: name, sub-folder, saved cabinet name, size, digest.
  struct File {
    std::wstring name, folder, cabinet;
    long size;
    std::wstring md5;
  };
  static std::vector<File> Release(const std::wstring& release = {});
  // Folder of the fixture release (Windows path, no trailing "\").
  static std::wstring FixtureFolder();

 private:
  // Starts the host on host paths; bad may be empty.
  void Start(const std::string& release, const std::string& bad, bool cp932Paths = false);

  std::wstring folder_;  // scratch folder of the port file and the request log
  unsigned short port_ = 0;
};

}  // namespace kvtest
