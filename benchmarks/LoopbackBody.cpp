#include "LoopbackBody.h"

#include <cstdio>
#include <iostream>

#include "base/Text.h"

namespace {

std::string Pattern(std::size_t mib) {
  std::string body(mib << 20, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 131) >> 3);
  return body;
}

}  // namespace

LoopbackBody::LoopbackBody(std::size_t mib)
    : body_(Pattern(mib)),
      server_([this](const kvtest::HttpRequest&) {
        kvtest::HttpResponse response;
        response.body = body_;
        return response;
      }),
      url_(server_.Url(L"/body.cab")) {
  std::printf("url %s\n", kv::ToUtf8(url_).c_str());
  std::fflush(stdout);
}

void LoopbackBody::ServeUntilInputEnds() const {
  std::string line;
  while (std::getline(std::cin, line)) {
  }
}
