// The port object's device for a serial line on the network: a TCP client of an RFC
// 2217 server. All socket traffic runs on the user-interface thread, as the serial
// devices' reads and writes do; the waiting thread only waits on the socket and hands
// over what it saw.

#include "com_port_network.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "com_error.h"
#include "net_socket.h"
#include "network_ports.h"
#include "rfc2217_codec.h"
#include "waiting_thread.h"

namespace {

using Clock = std::chrono::steady_clock;

// Received data is taken from the socket up to this much unread; the rest waits in
// the socket, and TCP holds the server back, as a full input queue would.
constexpr std::size_t kReceiveLimit = 64 * 1024;
constexpr std::size_t kReceiveChunk = 4096;

[[noreturn]] void Fail(int errorNumber, int platformCode) { throw EComPort(errorNumber, platformCode); }

std::chrono::milliseconds Left(Clock::time_point deadline) {
  return std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
}

// One slice of an opening's wait, then the caller's turn.
std::chrono::milliseconds Slice(Clock::time_point deadline) { return std::min(kConnectSlice, Left(deadline)); }

void Turn(const NetworkConnect& connect) {
  if (connect.whileWaiting) connect.whileWaiting();
}

// Looking a name up can take the resolver's own time-outs, seconds for each server it
// asks; so it runs on a thread of its own, which the opening gives up on at its
// deadline (the thread ends by itself later). An address is read at once.
std::vector<SocketAddress> Resolve(const NetworkAddress& address, Clock::time_point deadline,
                                   const NetworkConnect& connect) {
  std::vector<SocketAddress> addresses;
  if (ResolveAddresses(address.host, address.port, true, addresses) == 0) return addresses;
  struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int error = 0;
    std::vector<SocketAddress> addresses;
  };
  const auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host = address.host, port = address.port] {
      std::vector<SocketAddress> found;
      const int error = ResolveAddresses(host, port, false, found);
      const std::lock_guard<std::mutex> lock(lookup->mutex);
      lookup->error = error;
      lookup->addresses = std::move(found);
      lookup->finished = true;
      lookup->done.notify_all();
    }).detach();
  } catch (const std::system_error& e) {
    Fail(CE_ResolveFailed, e.code().value());
  }
  std::unique_lock<std::mutex> lock(lookup->mutex);
  while (!lookup->finished) {
    if (Left(deadline).count() == 0) Fail(CE_ResolveFailed, kTimedOutCode);
    lookup->done.wait_for(lock, Slice(deadline));
    lock.unlock();
    Turn(connect);
    lock.lock();
  }
  if (lookup->error != 0) Fail(CE_ResolveFailed, lookup->error);
  if (lookup->addresses.empty()) Fail(CE_ResolveFailed, kInvalidAddressCode);
  return std::move(lookup->addresses);
}

// The first of the host's addresses that takes the connection.
SocketHandle Connect(const std::vector<SocketAddress>& addresses, Clock::time_point deadline,
                     const NetworkConnect& connect) {
  int error = kInvalidAddressCode;
  for (const SocketAddress& address : addresses) {
    const SocketHandle socket = StartConnect(address, error);
    if (socket == kNoSocket) continue;
    for (;;) {
      if (FinishConnect(socket, Slice(deadline), error)) break;
      if (Left(deadline).count() == 0) {
        CloseSocket(socket);
        Fail(CE_ConnectFailed, kTimedOutCode);
      }
      Turn(connect);
    }
    if (error == 0) return socket;
    CloseSocket(socket);
  }
  Fail(CE_ConnectFailed, error);
}

class NetworkComDevice : public ComDevice {
 public:
  explicit NetworkComDevice(SocketHandle socket) : socket_(socket) {}

  ~NetworkComDevice() override {
    waiter_.reset();
    CloseSocket(socket_);
  }

  // Agrees the options with the server within the deadline, then has it purge its
  // buffers and drops what came before.
  void Negotiate(Clock::time_point deadline, const NetworkConnect& connect) {
    SendAll(stream_.Open(), deadline, CE_ConnectFailed);
    while (!(stream_.Settled() && stream_.ComPortAgreed())) {
      if (stream_.Settled()) Fail(CE_NoRfc2217, -1);
      if (ended_) Fail(CE_ConnectFailed, endCode_);
      if (Left(deadline).count() == 0) Fail(CE_NoRfc2217, kTimedOutCode);
      if (WaitSocket(socket_, false, Slice(deadline))) {
        // Data before the purge is never read; dropping it as it comes keeps the receive
        // limit from stopping the reading of the answers.
        Drain();
        Purge();
      } else {
        Turn(connect);
      }
    }
    SendAll(ComPortSubnegotiation(ComPortCommand::PurgeData, kPurgeBothBuffers), deadline, CE_ConnectFailed);
    Purge();
  }

  // The socket's own buffers serve.
  void SetQueueSizes(const TComBuffer&) override {}

  void SetLineSettings(const TComLineSettings& settings) override {
    SendAll(ComPortLineSettings(settings), Clock::now() + kNetworkConnectTimeout, CE_SetStateFailed);
  }

  // Reads never wait; Write counts its own time-out.
  void SetTimeouts(const TComTimeouts&) override {}

  // Sent without delay since connecting (TCP_NODELAY).
  bool RequestLowLatency() override { return true; }

  void StartThread(ThreadSync& sync, TComEvents mask, Dispatch dispatch) override {
    if ((mask & evRxChar) == 0) return;
    waiter_ = std::make_unique<SocketWaiter>(socket_);
    try {
      waiting_.Start([this, &sync, dispatch = std::move(dispatch)] { Wait(sync, dispatch); });
    } catch (const std::system_error& e) {
      Fail(CE_OpenFailed, e.code().value());
    }
  }

  void StopThread(ThreadSync& sync) override {
    waiting_.Stop(sync, [this] { waiter_->Stop(); });
  }

  bool ThreadRunning() const override { return waiting_.Running(); }

  // The server's line and modem states are not asked for; there is nothing to read.
  void ReadModemStatus() override {}

  void ClearErrors() override { Drain(); }

  int Write(const std::string& text, const TComTimeouts& timeouts) override {
    const auto n = static_cast<long long>(text.size());
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(timeouts.writeTotalMultiplier * n + timeouts.writeTotalConstant);
    // The server asked us to hold back: wait for it to go on, reading meanwhile.
    while (stream_.Suspended() && !ended_) {
      // Nobody reads while we write: with the receive limit reached, the server's resume
      // cannot be read before the deadline either.
      if (Left(deadline).count() == 0 || Unread() >= kReceiveLimit) return 0;
      if (WaitSocket(socket_, false, Left(deadline))) Drain();
    }
    if (ended_) Fail(CE_WriteFailed, endCode_);
    if (!Flush(deadline, CE_WriteFailed)) return 0;
    const std::string encoded = stream_.Encode(text);
    int error = 0;
    const std::size_t sent = Send(encoded, deadline, error);
    if (error != 0) Fail(CE_WriteFailed, error);
    const std::size_t whole = stream_.DataBytesIn(text, sent);
    // A byte whose encoding (IAC IAC, CR NUL) went only in part sends its rest first
    // next time, or the stream would not be Telnet any more.
    const std::size_t wholeEncoded = stream_.Encode(std::string_view(text).substr(0, whole)).size();
    if (sent > wholeEncoded) {
      const std::size_t partEncoded = stream_.Encode(std::string_view(text).substr(whole, 1)).size();
      pending_ = encoded.substr(sent, partEncoded - (sent - wholeEncoded));
    }
    return static_cast<int>(whole);
  }

  int Read(std::uint8_t* buffer, int count) override {
    if (count < 1) return 0;
    if (Unread() == 0) Drain();
    const std::size_t n = std::min(static_cast<std::size_t>(count), Unread());
    std::copy_n(received_.begin() + static_cast<std::ptrdiff_t>(readAt_), n, buffer);
    readAt_ += n;
    return static_cast<int>(n);
  }

  int BytesWaiting() override {
    Drain();
    return static_cast<int>(Unread());
  }

  // Bytes received but not read are gone; nothing is sent.
  void Purge() override {
    received_.clear();
    readAt_ = 0;
  }

 private:
  std::size_t Unread() const { return received_.size() - readAt_; }

  // Everything the socket holds now, up to the receive limit, through the Telnet
  // stream; its answers go out as far as the socket takes them now. A connection that
  // ended is noted, not raised: the waiting thread reports it as a lost line.
  void Drain() {
    if (readAt_ > 0 && readAt_ * 2 >= received_.size()) {
      received_.erase(0, readAt_);
      readAt_ = 0;
    }
    char chunk[kReceiveChunk];
    while (!ended_ && Unread() < kReceiveLimit) {
      const SocketIo io = ReceiveSome(socket_, chunk, sizeof chunk);
      if (io.count > 0) {
        stream_.Receive(std::string_view(chunk, io.count), received_, pending_);
        continue;
      }
      if (io.ended || io.error != 0) {
        ended_ = true;
        endCode_ = io.error != 0 ? io.error : kConnectionEndedCode;
      }
      break;
    }
    if (ended_) return;
    int error = 0;
    pending_.erase(0, Send(pending_, Clock::now(), error));
    if (error != 0) {
      ended_ = true;
      endCode_ = error;
    }
  }

  // Sends what is pending (answers to the server, the rest of a cut byte) until the
  // deadline; true when nothing is left.
  bool Flush(Clock::time_point deadline, int errorNumber) {
    int error = 0;
    pending_.erase(0, Send(pending_, deadline, error));
    if (error != 0) Fail(errorNumber, error);
    return pending_.empty();
  }

  void SendAll(const std::string& bytes, Clock::time_point deadline, int errorNumber) {
    int error = 0;
    if (!Flush(deadline, errorNumber) || Send(bytes, deadline, error) < bytes.size()) {
      Fail(errorNumber, error != 0 ? error : kTimedOutCode);
    }
  }

  // Sends bytes until they are all gone, the deadline passes or the socket fails (its
  // code in error); the count sent.
  std::size_t Send(const std::string& bytes, Clock::time_point deadline, int& error) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const SocketIo io = SendSome(socket_, bytes.data() + sent, bytes.size() - sent);
      error = io.error;
      if (error != 0) break;
      sent += io.count;
      if (io.count == 0 && (Left(deadline).count() == 0 || !WaitSocket(socket_, true, Left(deadline)))) break;
    }
    return sent;
  }

  // The waiting thread: touches only the waiter and its own flags.
  void Wait(ThreadSync& sync, const Dispatch& dispatch) {
    for (;;) {
      const SocketWaiter::Wake wake = waiter_->Wait();
      if (wake == SocketWaiter::Wake::Stopped) break;
      // The request holds its own copy of dispatch: closing from inside the
      // notification may end this thread while the dispatch still runs. The end of
      // the connection is the last thing handed over, after the bytes before it.
      if (wake == SocketWaiter::Wake::Ended) {
        sync.Send([dispatch] { dispatch(evRxChar | kLineLostEvent); }, waiting_.Stopping());
        break;
      }
      if (sync.Send([dispatch] { dispatch(evRxChar); }, waiting_.Stopping())) break;
    }
    waiting_.Ended(sync);
  }

  SocketHandle socket_;
  TelnetStream stream_;
  std::string received_;  // data not yet read: received_[readAt_, end)
  std::size_t readAt_ = 0;
  std::string pending_;  // bytes for the server that the socket has not taken yet
  bool ended_ = false;
  int endCode_ = 0;
  std::unique_ptr<SocketWaiter> waiter_;
  WaitingThread waiting_;
};

}  // namespace

std::unique_ptr<ComDevice> OpenNetworkDevice(const NetworkAddress& address, const NetworkConnect& connect) {
  const auto deadline = Clock::now() + connect.timeout;
  if (const int error = StartSockets(); error != 0) Fail(CE_ConnectFailed, error);
  auto device = std::make_unique<NetworkComDevice>(Connect(Resolve(address, deadline, connect), deadline, connect));
  device->Negotiate(deadline, connect);
  return device;
}

std::unique_ptr<ComDevice> OpenPortDevice(const std::string& port, const std::function<void()>& whileWaiting) {
  const std::optional<std::string> name = NetworkAddressOf(port);
  if (!name) return ComDevice::Open(port);
  NetworkAddress address;
  try {
    address = ParseNetworkName(*name);
  } catch (const EPortName&) {
    Fail(CE_ConnectFailed, kInvalidAddressCode);
  }
  return OpenNetworkDevice(address, {kNetworkConnectTimeout, whileWaiting});
}
