#include "components/InternetTransferControl.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "base/Handles.h"
#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kv {
namespace {

// Network reads are this large when data is plentiful: 1024-byte reads cost a call each and
// reach about a tenth of a gigabit link under Wine.
constexpr DWORD kReadBufferSize = 256 * 1024;
// What WinINet says is waiting when its own buffer is full. Less than this is taken as a slow
// link: read just that, because a larger read blocks until it is filled.
constexpr DWORD kPlentiful = 8192;

// Texts of WinINet's codes are in wininet.dll; the socket codes it passes on are the system's.
std::wstring InternetErrorText(DWORD code) {
  wchar_t text[512];
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      GetModuleHandleW(L"wininet.dll"), code, 0, text, 512, nullptr);
  std::wstring result(text, length);
  while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r')) result.pop_back();
  return result;
}

RuntimeError InternetFailure(DWORD code) {
  return RuntimeError::FromHresult(HRESULT_FROM_WIN32(code), InternetErrorText(code));
}

struct Target {
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::string object;  // path and query, in the ANSI code page
};

// The path and query go out as the ANSI code page's bytes, not percent-encoded: the update host
// finds a cabinet by these bytes (a Windows host does by default) and reads the hospital's name
// in the query from them. The W entry points would leave the bytes to the system (the WinINet of
// Windows Vista and later sends a wide URL's path as UTF-8); the A ones send what they are given.
// A character that the code page cannot hold would go out as another one, or as a "?" that
// starts the query: such a URL is refused.
std::string AnsiObject(const std::wstring& object) {
  auto bytes = ToAnsiExact(object);
  if (!bytes) throw InternetFailure(ERROR_INTERNET_INVALID_URL);
  return *std::move(bytes);
}

Target CrackTarget(const std::wstring& url) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  // Lengths of 1 ask for pointers into url.
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) throw InternetFailure(GetLastError());
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    throw InternetFailure(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  }
  if (parts.dwHostNameLength == 0) throw InternetFailure(ERROR_INTERNET_INVALID_URL);
  Target target;
  target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  target.port = parts.nPort;
  std::wstring object;
  if (parts.lpszUrlPath) object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty() || object.front() != L'/') object.insert(0, L"/");
  target.object = AnsiObject(object);
  return target;
}

void SetTimeouts(HINTERNET handle, std::int32_t seconds) {
  DWORD milliseconds = INFINITE;
  if (seconds > 0) milliseconds = static_cast<DWORD>(std::min<std::int32_t>(seconds, 0x7FFFFFFF / 1000) * 1000);
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    if (!InternetSetOptionW(handle, option, &milliseconds, sizeof(milliseconds))) throw InternetFailure(GetLastError());
  }
}

std::optional<std::uint64_t> AnnouncedLength(HINTERNET request) {
  wchar_t text[32];
  DWORD size = sizeof(text);
  // With a transfer coding WinINet decodes the body, and a Content-Length beside it means nothing.
  if (HttpQueryInfoW(request, HTTP_QUERY_TRANSFER_ENCODING, text, &size, nullptr) ||
      GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    return std::nullopt;
  }
  size = sizeof(text);
  if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::nullopt;
  std::uint64_t length = 0;
  for (const wchar_t* c = text; *c; ++c) {
    if (*c < L'0' || *c > L'9') return std::nullopt;
    length = length * 10 + static_cast<std::uint64_t>(*c - L'0');
  }
  return length;
}

// Lets the caller's windows have their messages, as a DoEvents loop would, until `done` is
// signalled (true) or the time is up (false). A quit message is kept for the caller's own loop.
bool LetWindowsRunUntil(HANDLE done, std::int32_t timeoutSeconds) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000;
  std::optional<WPARAM> quit;
  bool signalled = false;
  for (;;) {
    DWORD wait = INFINITE;
    if (timeoutSeconds > 0) {
      const ULONGLONG now = GetTickCount64();
      wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    }
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &done, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken != WAIT_OBJECT_0 + 1) {
      signalled = woken == WAIT_OBJECT_0;
      break;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = message.wParam;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  return signalled;
}

// Shared with the sending thread, which may outlive a wait that gave up on it.
struct SendJob {
  std::shared_ptr<const void> keepAlive;  // the request's handles
  HINTERNET request = nullptr;
  UniqueHandle done;
  DWORD code = 0;
};

// Threads that send one request after another. Starting a thread costs some milliseconds under
// Wine, more than a small download takes; a new one is started only when none is waiting, that
// is while an earlier send that was given up still blocks its thread.
class SendThreads {
 public:
  void Start(std::shared_ptr<SendJob> job) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (waiting_ > jobs_.size()) {
        jobs_.push_back(std::move(job));
        wake_.notify_one();
        return;
      }
    }
    std::thread([this, first = std::move(job)]() mutable { Serve(std::move(first)); }).detach();
  }

 private:
  void Serve(std::shared_ptr<SendJob> job) {
    for (;;) {
      if (!HttpSendRequestW(job->request, nullptr, 0, nullptr, 0)) job->code = GetLastError();
      SetEvent(job->done.get());
      // The last hold on a request that was given up closes its handles here.
      job.reset();
      std::unique_lock<std::mutex> lock(mutex_);
      ++waiting_;
      wake_.wait(lock, [this] { return !jobs_.empty(); });
      --waiting_;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<SendJob>> jobs_;
  std::size_t waiting_ = 0;  // threads waiting for a job
};

// Lives as long as the process: its threads wait on it to the end.
SendThreads& Senders() {
  static SendThreads* const threads = new SendThreads;
  return *threads;
}

// The blocking send runs on a thread of its own while the window system runs. 0 when the
// response head has arrived within the time-out, else the failure's code.
DWORD SendRequest(HINTERNET request, std::shared_ptr<const void> keepAlive, std::int32_t timeoutSeconds) {
  auto job = std::make_shared<SendJob>();
  job->keepAlive = std::move(keepAlive);
  job->request = request;
  job->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!job->done) RaiseLastWin32();
  Senders().Start(job);
  // WinINet's own time-outs do not cover everything: under Wine a server that hangs up during
  // the TLS handshake keeps the send waiting for good. The thread is then left to end alone.
  if (!LetWindowsRunUntil(job->done.get(), timeoutSeconds)) return ERROR_INTERNET_TIMEOUT;
  if (job->code != 0) return job->code;
  // Wine reports a connection closed without any answer as a response with status 0.
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
      status == 0) {
    return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  }
  return 0;
}

}  // namespace

struct InternetTransferControl::Response {
  UniqueInternet session;
  UniqueInternet connection;
  UniqueInternet request;
  std::optional<std::uint64_t> announcedLength;
  std::uint64_t received = 0;
  bool ended = false;
  std::vector<std::uint8_t> buffer;
  std::size_t next = 0;   // first byte in buffer not yet handed out
  std::size_t filled = 0;

  // False at the end of the body.
  bool Refill() {
    if (ended) return false;
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request.get(), &available, 0, 0)) throw InternetFailure(GetLastError());
    const DWORD wanted = available == 0 || available >= kPlentiful ? kReadBufferSize : available;
    DWORD read = 0;
    if (!InternetReadFile(request.get(), buffer.data(), std::min(wanted, kReadBufferSize), &read)) {
      throw InternetFailure(GetLastError());
    }
    next = 0;
    filled = read;
    received += read;
    if (read > 0) return true;
    ended = true;
    // WinINet ends a body quietly when the server closes early; the announced length tells.
    if (announcedLength && received < *announcedLength) throw InternetFailure(ERROR_INTERNET_CONNECTION_RESET);
    return false;
  }
};

InternetTransferControl::InternetTransferControl() = default;
InternetTransferControl::~InternetTransferControl() = default;

void InternetTransferControl::SetRequestTimeout(std::int32_t seconds) {
  if (seconds < 0) Raise(5);
  requestTimeout_ = seconds;
}

void InternetTransferControl::Execute(const std::wstring& URL, const std::wstring& Operation) {
  if (executing_) throw InternetFailure(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  if (UCase(Operation) != L"GET") Raise(5);
  Cancel();
  const Target target = CrackTarget(URL);

  const bool named = accessType_ == InetAccessType::NamedProxy;
  // Wine would quietly go direct.
  if (named && proxy_.empty()) Raise(5);

  auto response = std::make_shared<Response>();
  response->session.reset(InternetOpenW(CurrentHost().ProgramName().c_str(),
                                        named ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                        named ? proxy_.c_str() : nullptr, nullptr, 0));
  if (!response->session) throw InternetFailure(GetLastError());
  SetTimeouts(response->session.get(), requestTimeout_);
  const bool withUser = !userName_.empty();
  response->connection.reset(InternetConnectW(response->session.get(), target.host.c_str(), target.port,
                                              withUser ? userName_.c_str() : nullptr,
                                              withUser ? password_.c_str() : nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!response->connection) throw InternetFailure(GetLastError());
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI;
  if (target.secure) flags |= INTERNET_FLAG_SECURE;
  response->request.reset(HttpOpenRequestA(response->connection.get(), "GET", target.object.c_str(), nullptr,
                                           nullptr, nullptr, flags, 0));
  if (!response->request) throw InternetFailure(GetLastError());
  // Wine applies the time-outs to a request only when they are set on the request itself.
  SetTimeouts(response->request.get(), requestTimeout_);

  executing_ = true;
  cancelled_ = false;
  DWORD failure = 0;
  try {
    failure = SendRequest(response->request.get(), response, requestTimeout_);
  } catch (...) {
    executing_ = false;
    throw;
  }
  executing_ = false;
  if (cancelled_) return;

  if (failure != 0) {
    response.reset();
    if (stateChanged_) stateChanged_(InetState::Error);
    return;
  }
  response->announcedLength = AnnouncedLength(response->request.get());
  response->buffer.resize(kReadBufferSize);
  response_ = std::move(response);
  if (stateChanged_) stateChanged_(InetState::ResponseReceived);
}

std::vector<std::uint8_t> InternetTransferControl::GetChunk(std::int32_t Size) {
  if (Size < 1) Raise(5);
  if (!response_) throw InternetFailure(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  Response& r = *response_;
  std::vector<std::uint8_t> piece;
  piece.reserve(std::min<std::size_t>(static_cast<std::size_t>(Size), kReadBufferSize));
  while (piece.size() < static_cast<std::size_t>(Size)) {
    if (r.next == r.filled && !r.Refill()) break;
    const std::size_t take = std::min(static_cast<std::size_t>(Size) - piece.size(), r.filled - r.next);
    piece.insert(piece.end(), r.buffer.begin() + static_cast<std::ptrdiff_t>(r.next),
                 r.buffer.begin() + static_cast<std::ptrdiff_t>(r.next + take));
    r.next += take;
  }
  return piece;
}

void InternetTransferControl::Cancel() {
  if (executing_) cancelled_ = true;
  response_.reset();
}

}  // namespace kv
