// Serves a large body from 127.0.0.1 and downloads it with the transfer control, read in pieces
// of 1024 as the splash window reads it. Prints "url URL", then "component BYTES HEAD BODY"
// (seconds to the response head and for the body, best of three), then keeps serving until its
// input ends, so that run.sh can fetch the same body with curl: bench_inet_download [MiB]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "components/InternetTransferControl.h"
#include "LoopbackBody.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

struct Run {
  std::size_t bytes = 0;
  double head = 0;  // Execute to the response head
  double body = 0;  // response head to the last piece
};

Run Download(kv::InternetTransferControl& inet, const std::wstring& url) {
  Run run;
  const auto start = Clock::now();
  inet.SetStateChangedHandler([&](std::int16_t state) {
    if (state != kv::InetState::ResponseReceived) return;
    const auto head = Clock::now();
    run.head = Seconds(start, head);
    for (;;) {
      const auto piece = inet.GetChunk(1024);
      run.bytes += piece.size();
      if (piece.size() < 1024) break;
    }
    run.body = Seconds(head, Clock::now());
  });
  inet.Execute(url, L"GET");
  inet.Cancel();
  return run;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::size_t mib = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 200;
  const LoopbackBody served(mib);
  const std::string& body = served.body();
  const std::wstring& url = served.url();

  kv::InternetTransferControl inet;
  inet.SetRequestTimeout(300);
  Run best;
  for (int i = 0; i < 3; ++i) {
    const Run run = Download(inet, url);
    if (run.bytes != body.size()) {
      std::fprintf(stderr, "component: %zu of %zu bytes\n", run.bytes, body.size());
      return 1;
    }
    if (best.bytes == 0 || run.body < best.body) best = run;
  }
  std::printf("component %zu %.4f %.4f\n", best.bytes, best.head, best.body);
  std::fflush(stdout);

  // Keep serving for curl until run.sh closes our input.
  served.ServeUntilInputEnds();
  return 0;
}
