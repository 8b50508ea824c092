#pragma once
// The body of the download benchmarks, served from 127.0.0.1. Prints "url URL" for run.sh, which
// fetches the same body with curl while ServeUntilInputEnds keeps the server up.
#include <string>

#include "support/LocalHttpServer.h"

class LoopbackBody {
 public:
  explicit LoopbackBody(std::size_t mib);

  const std::string& body() const { return body_; }
  const std::wstring& url() const { return url_; }
  // Returns when run.sh closes our input.
  void ServeUntilInputEnds() const;

 private:
  std::string body_;
  kvtest::LocalHttpServer server_;
  std::wstring url_;
};
