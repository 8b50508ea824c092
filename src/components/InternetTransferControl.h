#pragma once
// Our Internet transfer control on WinINet: one HTTP or HTTPS GET at a time, with user and
// password, the system's proxy settings or a named proxy, and a request time-out. The control
// tells the caller through its StateChanged handler that the response has arrived or that the
// request failed; the caller then takes the body with GetChunk.
//
// Synchronous, with the window system kept running. Execute returns only after it has raised
// StateChanged and the handler has returned. Meanwhile (connecting, sending, waiting for the
// response head) it lets the caller's windows have their messages, as a DoEvents loop would: the
// blocking WinINet send runs on a thread of its own and Execute waits for it with window messages
// let through. The handler is then called from Execute's own frame on the caller's thread, never
// from a window procedure, so a handler that throws (the tests' end-of-process seam does) unwinds
// out of Execute through ordinary frames; it could not unwind through DispatchMessage. A caller
// written for a control that raises the event later from its message loop works unchanged: its
// wait loop finds the download already done. The body is read on the caller's thread.
//
// Exactly one event per Execute: ResponseReceived (whatever the HTTP status: a 404 page is a body
// like any other) or Error (the server cannot be reached, gives no answer within the time-out, or
// closes without one). A failure while the body is read comes from GetChunk as a RuntimeError:
// by then the caller is inside its handler for ResponseReceived, whose guard against nested
// events would swallow a second one.
//
// The URL's path and query go out as the ANSI code page's bytes (CP932 on the product's PCs),
// not percent-encoded, whichever system runs the control; a URL with a character that the code
// page cannot hold is refused.
//
// Nothing comes from or goes into the WinINet cache, and caches on the way are asked not to
// answer either: a stale cabinet must never be installed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kv {

enum class InetAccessType : std::int16_t {
  UseDefault = 0,  // the system's Internet settings
  NamedProxy = 2,  // the server in Proxy ("host:port")
};

namespace InetState {
inline constexpr std::int16_t ResponseReceived = 8;
inline constexpr std::int16_t Error = 11;
}  // namespace InetState

class InternetTransferControl {
 public:
  using StateChangedHandler = std::function<void(std::int16_t State)>;

  InternetTransferControl();
  ~InternetTransferControl();
  InternetTransferControl(const InternetTransferControl&) = delete;
  InternetTransferControl& operator=(const InternetTransferControl&) = delete;

  // Taken by the next Execute.
  InetAccessType AccessType() const { return accessType_; }
  void SetAccessType(InetAccessType value) { accessType_ = value; }
  const std::wstring& Proxy() const { return proxy_; }
  void SetProxy(const std::wstring& value) { proxy_ = value; }
  // Offered to the server when it asks (401); with an empty UserName none are offered.
  const std::wstring& UserName() const { return userName_; }
  void SetUserName(const std::wstring& value) { userName_ = value; }
  const std::wstring& Password() const { return password_; }
  void SetPassword(const std::wstring& value) { password_ = value; }
  // Seconds the response head may take to arrive after Execute, and each wait for more of the
  // body; 0 waits without limit. A negative value raises 5. Default 60.
  std::int32_t RequestTimeout() const { return requestTimeout_; }
  void SetRequestTimeout(std::int32_t seconds);

  // True while Execute waits for the response; already False when StateChanged is raised.
  bool StillExecuting() const { return executing_; }

  void SetStateChangedHandler(StateChangedHandler handler) { stateChanged_ = std::move(handler); }

  // Operation "GET" (any letter case) on an "http:" or "https:" URL. Drops the body of an earlier
  // request. Raises, without an event, when the request cannot be started: a URL that is not
  // HTTP(S) or not of the ANSI code page, another operation, a named proxy without a proxy, a
  // call from inside a running Execute. Otherwise raises StateChanged once (see above) and
  // returns when the handler has.
  void Execute(const std::wstring& URL, const std::wstring& Operation);

  // The next Size bytes of the body; fewer only for the last piece, and an empty piece once the
  // body is over. Waits for the network as needed (a short read in between does not end the
  // piece). Raises when the connection breaks, the time-out passes, or the body ends before the
  // length the server announced; raises when there is no received response to read.
  std::vector<std::uint8_t> GetChunk(std::int32_t Size);

  // Closes the current request; the body that was not read is gone. Nothing is raised. From
  // inside Execute (a window message handled meanwhile) the request is dropped once it returns.
  void Cancel();

 private:
  struct Response;  // one request and its body as far as read

  InetAccessType accessType_ = InetAccessType::UseDefault;
  std::wstring proxy_;
  std::wstring userName_;
  std::wstring password_;
  std::int32_t requestTimeout_ = 60;
  StateChangedHandler stateChanged_;

  bool executing_ = false;
  bool cancelled_ = false;
  std::shared_ptr<Response> response_;  // the request whose body GetChunk reads
};

}  // namespace kv
