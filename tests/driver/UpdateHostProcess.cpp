#include "UpdateHostProcess.h"

#include <winsock2.h>
#include <windows.h>

#include <optional>
#include <sstream>

#include "base/Handles.h"
#include "base/Text.h"
#include "support/HostProcessPaths.h"
#include "support/OperationLogCapture.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

// One plain GET on a socket of our own, so stopping the host needs nothing of the code under test.
void Get(unsigned short port, const char* path) {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
      const std::string request = std::string("GET ") + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
      send(s, request.data(), static_cast<int>(request.size()), 0);
      char buffer[256];
      while (recv(s, buffer, sizeof(buffer), 0) > 0) {
      }
    }
    closesocket(s);
  }
  WSACleanup();
}

std::string ReadBytesIfAny(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : ReadBytes(path);
}

std::wstring ReleaseFolder(const std::wstring& release) {
  return UpdateHostProcess::FixtureFolder() + (release.empty() ? L"" : L"\\" + release);
}

}  // namespace

std::wstring UpdateHostProcess::FixtureFolder() { return KV_FIXTURE_DIR; }

UpdateHostProcess::UpdateHostProcess(const std::wstring& release) {
  const auto published = UnixPath(ReleaseFolder(release));
  if (published) Start(*published + "/release", *published + "/bad");
}

UpdateHostProcess::UpdateHostProcess(const Published& release) {
  const auto published = UnixPath(release.folder);
  if (published) Start(*published, {}, release.cp932Paths);
}

void UpdateHostProcess::Start(const std::string& release, const std::string& bad, bool cp932Paths) {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  folder_ = std::wstring(temp) + L"kvhost" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount());
  CreateDirectoryW(folder_.c_str(), nullptr);
  const auto fixtures = UnixPath(FixtureFolder());
  const auto scratch = UnixPath(folder_);
  if (!fixtures || !scratch) return;

  const std::string script = "python3 " + ShellQuoted(*fixtures + "/update_host.py") + " --release " +
                             ShellQuoted(release) + (bad.empty() ? "" : " --bad " + ShellQuoted(bad)) +
                             " --port-file " + ShellQuoted(*scratch + "/port") + " --log " +
                             ShellQuoted(*scratch + "/requests.log") + (cp932Paths ? " --path-encoding cp932" : "") +
                             " --idle 120 </dev/null >/dev/null 2>&1 &";
  if (!StartHostShell(script)) return;
  // A host process cannot be waited for under Wine: wait for the port it writes.
  for (int i = 0; i < 200 && port_ == 0; ++i) {
    std::istringstream in(ReadBytesIfAny(folder_ + L"\\port"));
    unsigned port = 0;
    if (in >> port) port_ = static_cast<unsigned short>(port);
    else Sleep(50);
  }
}

UpdateHostProcess::~UpdateHostProcess() {
  if (port_) Get(port_, "/__stop");
  if (!folder_.empty()) RemoveTree(folder_);
}

std::wstring UpdateHostProcess::Url(const std::wstring& path) const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
}

std::vector<std::wstring> UpdateHostProcess::Requests() const {
  std::vector<std::wstring> lines;
  if (GetFileAttributesW((folder_ + L"\\requests.log").c_str()) == INVALID_FILE_ATTRIBUTES) return lines;
  lines = ReadAnsiLines(folder_ + L"\\requests.log");
  std::erase(lines, std::wstring(L"GET /__stop"));
  return lines;
}

std::vector<UpdateHostProcess::File> UpdateHostProcess::Release(const std::wstring& release) {
  std::vector<File> files;
  std::wistringstream in(kv::FromUtf8(ReadBytes(ReleaseFolder(release) + L"\\manifest.txt")));
  std::wstring line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::wistringstream fields(line);
    File f;
    std::wstring size;
    std::getline(fields, f.name, L'\t');
    std::getline(fields, f.folder, L'\t');
    std::getline(fields, f.cabinet, L'\t');
    std::getline(fields, size, L'\t');
    std::getline(fields, f.md5, L'\t');
    f.size = std::stol(size);
    files.push_back(f);
  }
  return files;
}

}  // namespace kvtest
