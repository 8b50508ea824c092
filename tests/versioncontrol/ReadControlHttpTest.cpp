#include <gtest/gtest.h>

#include <string>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "support/LocalHttpServer.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"
#include "VersionFixtures.h"

namespace {

using kv::clsVersionControl;
using kvtest::HttpRequest;
using kvtest::HttpResponse;
using kvtest::LocalHttpServer;

std::string ValidFile() { return kvtest::ReadBytes(kvtest::VersionFixture(L"valid.xml")); }

HttpResponse Answer(int status, std::string body) {
  HttpResponse response;
  response.status = status;
  response.reason = status == 200 ? "OK" : "Not Found";
  response.body = std::move(body);
  response.headers.push_back({"Content-Type", "text/xml"});
  return response;
}

TEST(ReadControlHttp, AnswersOfTheServer) {
  struct Case {
    const char* name;
    int status;
    std::string body;
    std::int32_t result;
    std::wstring description;
  } cases[] = {
      {"valid", 200, ValidFile(), 0, kvtest::kCannotDownload},
      {"not found", 404, ValidFile(), 91, kv::ErrorText(91)},
      {"not xml", 200, "<html><body>maintenance", -1, kvtest::kCannotDownload},
      {"empty", 200, "", -1, kvtest::kCannotDownload},
      {"damaged", 200, kvtest::ReadBytes(kvtest::VersionFixture(L"edited_file.xml")), -1, kvtest::kDamaged},
  };
  for (const auto& c : cases) {
    LocalHttpServer server([&](const HttpRequest&) { return Answer(c.status, c.body); });
    clsVersionControl vc;
    EXPECT_EQ(vc.ReadControl(server.Url(L"/update/Version.xml?ID=123&NAME=abc"), L"", L""), c.result) << c.name;
    EXPECT_EQ(vc.LastErrorNumber(), c.result) << c.name;
    EXPECT_EQ(vc.LastErrorDescription(), c.description) << c.name;
    ASSERT_EQ(server.requests().size(), 1u) << c.name;
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_EQ(server.requests()[0].target, "/update/Version.xml?ID=123&NAME=abc");
    if (c.result == 0) {
      EXPECT_EQ(vc.ProgramName(2), L"帳票出力.dll");
    }
  }
}

// The server asks for credentials until it gets the right ones.
HttpResponse Guarded(const HttpRequest& request) {
  return kvtest::BasicGuard(request, "user1", "secret1", Answer(200, ValidFile()));
}

TEST(ReadControlHttp, UserAndPasswordOnlyWhenTheTrimmedUserIsNotEmpty) {
  struct Case {
    const wchar_t* user;
    std::int32_t result;
    bool sent;
  } cases[] = {{L"user1", 0, true}, {L"   ", 91, false}, {L"", 91, false}};
  for (const auto& c : cases) {
    LocalHttpServer server(Guarded);
    clsVersionControl vc;
    EXPECT_EQ(vc.ReadControl(server.Url(L"/Version.xml"), c.user, L"secret1"), c.result) << kv::ToUtf8(c.user);
    EXPECT_EQ(server.SawAuthorization(), c.sent) << kv::ToUtf8(c.user);
  }
}

TEST(ReadControlHttp, AUrlInCapitalsIsLoadedByTheDocumentWithoutCredentials) {
  LocalHttpServer server([](const HttpRequest&) { return Answer(200, ValidFile()); });
  std::wstring url = server.Url(L"/Version.xml");
  url.replace(0, 4, L"HTTP");
  clsVersionControl vc;
  EXPECT_EQ(vc.ReadControl(url, L"user1", L"secret1"), 0);
  // The text of a path's load, not of a download.
  EXPECT_EQ(vc.LastErrorDescription(), kvtest::kCannotLoad);
  EXPECT_EQ(vc.UseVersionTable(), 3);
  ASSERT_FALSE(server.requests().empty());
  EXPECT_FALSE(server.SawAuthorization());
}

TEST(ReadControlHttp, ARefusedConnectionKeepsTheComponentsNumber) {
  const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(LocalHttpServer::UnusedPort()) + L"/Version.xml";
  clsVersionControl vc;
  const std::int32_t result = vc.ReadControl(url, L"", L"");
  EXPECT_NE(result, 0);
  EXPECT_NE(result, -1);
  EXPECT_NE(result, 91);
  EXPECT_EQ(vc.LastErrorNumber(), result);
  EXPECT_NE(vc.LastErrorDescription(), L"");
  EXPECT_EQ(vc.UseVersionTable(), 0);
}

}  // namespace
