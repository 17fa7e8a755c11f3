#include "tools/yodx/serve/http_guard.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/yodx/serve/rate.h"

namespace yodx {
namespace serve {

namespace {

using Clock = std::chrono::steady_clock;

// Waits for FD to be ready for EVENTS until DEADLINE, and at most IDLE:
// false when it is not (or has failed).
bool WaitFor(int fd, short events, Clock::time_point deadline, Limits::Duration idle) {
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return false;
    const auto left = std::chrono::duration_cast<Limits::Duration>(deadline - now);
    const int wait = static_cast<int>(std::max<long long>(1, std::min(left, idle).count()));
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, wait);
    if (ready > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
    if (ready == 0) return false;  // idle too long
    if (errno != EINTR) return false;
  }
}

std::string NumericHost(const sockaddr_storage& address, socklen_t length, int* port) {
  char host[NI_MAXHOST] = "", service[NI_MAXSERV] = "";
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service,
                  sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    *port = -1;
    return std::string();
  }
  *port = std::atoi(service);
  return host;
}

// The socket of one connection, as the library reads and writes it: each
// read bounded by the bytes and the time left to the request's part being
// read (the head, then the body), each write by the time left to the
// response, and every wait by the idle limit.
class GuardedStream : public httplib::Stream {
 public:
  GuardedStream(int fd, const Limits& limits) : fd_(fd), limits_(limits) {}

  // A new request, begun at START: its head's bounds start then.
  void BeginRequest(Clock::time_point start) {
    budget_ = limits_.head_bytes;
    deadline_ = start + limits_.head_time;
    writing_ = false;
  }
  // The head is read: the body's bounds start now (called by the library
  // once the headers are parsed, before anything reads the body).
  void BeginBody() {
    budget_ = limits_.body_bytes + kBodySlack;
    deadline_ = Clock::now() + limits_.body_time;
  }
  // Whether a request's first byte comes by UNTIL; gives up at once when
  // STOPPING is set, so that a stop waits for no idle connection.
  bool WaitForRequest(const std::atomic<bool>& stopping, Clock::time_point until) {
    if (begin_ < end_) return true;
    while (!stopping) {
      const Clock::time_point slice =
          std::min(until, Clock::now() + std::chrono::milliseconds(100));
      if (WaitFor(fd_, POLLIN, slice, limits_.keep_alive)) return true;
      if (Clock::now() >= until) return false;
    }
    return false;
  }
  bool close_after_response = false;
  // A read ran out of bytes or time: whatever the library answers, the
  // connection ends after it.
  bool bound_hit = false;

  bool is_readable() const override {
    return begin_ < end_ || WaitFor(fd_, POLLIN, deadline_, limits_.idle);
  }
  bool is_writable() const override {
    return WaitFor(fd_, POLLOUT, writing_ ? response_deadline_ : Clock::now() + limits_.idle,
                   limits_.idle);
  }

  ssize_t read(char* ptr, size_t size) override {
    if (budget_ == 0) {  // the part being read is over its bytes
      bound_hit = true;
      return -1;
    }
    if (begin_ == end_) {
      if (!WaitFor(fd_, POLLIN, deadline_, limits_.idle)) {
        bound_hit = true;
        return -1;
      }
      ssize_t got;
      do {
        got = ::recv(fd_, buffer_, sizeof buffer_, 0);
      } while (got < 0 && errno == EINTR);
      if (got <= 0) return got;
      begin_ = 0;
      end_ = static_cast<size_t>(got);
    }
    const size_t n = std::min({size, end_ - begin_, budget_});
    std::copy(buffer_ + begin_, buffer_ + begin_ + n, ptr);
    begin_ += n;
    budget_ -= n;
    writing_ = false;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!writing_) {
      writing_ = true;
      response_deadline_ = Clock::now() + limits_.response_time;
    }
    if (!WaitFor(fd_, POLLOUT, response_deadline_, limits_.idle)) return -1;
    ssize_t sent;
    do {
      sent = ::send(fd_, ptr, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    Describe(getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    Describe(getsockname, ip, port);
  }
  socket_t socket() const override { return fd_; }

 private:
  // The peer's or our own end of the socket, as getpeername or getsockname
  // tells it; port -1 when it cannot.
  void Describe(int (*query)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    port = -1;
    if (query(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      ip = NumericHost(address, length, &port);
    }
  }

  // A chunked body's framing, beside its bytes.
  static constexpr size_t kBodySlack = size_t{64} * 1024;

  const int fd_;
  const Limits& limits_;
  size_t budget_ = 0;
  Clock::time_point deadline_{};
  bool writing_ = false;
  Clock::time_point response_deadline_{};
  char buffer_[4096] = {};
  size_t begin_ = 0, end_ = 0;
};

thread_local GuardedStream* t_stream = nullptr;
// Set while a connection beyond the waiting room is handed to the server:
// it is closed unserved.
thread_local bool t_refused = false;

// The server's threads: THREADS serve connections, and at most WAITING wait
// for one of them; a connection beyond that is closed at once.
class BoundedPool : public httplib::TaskQueue {
 public:
  BoundedPool(int threads, int waiting) : waiting_(static_cast<size_t>(waiting)) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
  }
  void enqueue(std::function<void()> fn) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (jobs_.size() < waiting_) {
        jobs_.push_back(std::move(fn));
        ready_.notify_one();
        return;
      }
    }
    t_refused = true;
    fn();
    t_refused = false;
  }
  void shutdown() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      try {
        job();
      } catch (...) {
        // The job closes its socket whatever happens; nothing else to undo.
      }
    }
  }

  const size_t waiting_;
  std::vector<std::thread> threads_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::mutex mutex_;
  std::condition_variable ready_;
};

void CloseSocket(int fd) {
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

// Closes a connection whose client may still be sending (a body too large,
// or one refused before it was read): our side is shut first, and what
// still comes is read and dropped for a while, so that the client reads the
// answer instead of a reset.
void LingeringClose(int fd) {
  ::shutdown(fd, SHUT_WR);
  const Clock::time_point until = Clock::now() + std::chrono::seconds(2);
  size_t dropped = 0;
  char buffer[16384];
  while (dropped < (size_t{8} << 20) && WaitFor(fd, POLLIN, until, std::chrono::seconds(2))) {
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0 && !(got < 0 && errno == EINTR)) break;
    dropped += got > 0 ? static_cast<size_t>(got) : 0;
  }
  ::close(fd);
}

constexpr const char* kAcceptsGzip = "X-Yodx-Accepts-Gzip";

// The library compresses every answer a client asks it to, with brotli at
// its highest quality (a second of processor time for a large page) or
// gzip, afresh each time. It is not asked: whether the client takes gzip
// is noted for the handlers, which compress what is worth it once.
void TakeCompression(httplib::Request* req) {
  bool gzip = false;
  const auto range = req->headers.equal_range("Accept-Encoding");
  for (auto it = range.first; it != range.second; ++it) {
    gzip = gzip || it->second.find("gzip") != std::string::npos;
  }
  req->headers.erase("Accept-Encoding");
  req->headers.erase(kAcceptsGzip);
  if (gzip) req->headers.emplace(kAcceptsGzip, "1");
}

// The library answers a Range of many parts with every part copied into one
// body: a few kilobytes of "0-,0-,..." would make it build a page thousands
// of times over. Nothing here needs a part of an answer: each is sent whole.
void TakeRanges(httplib::Request* req) {
  req->headers.erase("Range");
  req->ranges.clear();
}

// Whether REQ says it has a body that the library will not read (it reads
// one only for these methods): left on the connection, the body would be
// read as the next request, a request that a proxy in front never saw.
bool BodyLeftUnread(const httplib::Request& req) {
  for (const char* reads : {"POST", "PUT", "PATCH", "DELETE", "PRI"}) {
    if (req.method == reads) return false;
  }
  const std::string length = req.get_header_value("Content-Length");
  return req.has_header("Transfer-Encoding") || (!length.empty() && length != "0");
}

}  // namespace

GuardedServer::GuardedServer(const Limits& limits) : limits_(limits) {
  set_payload_max_length(limits_.body_bytes);
  // What the answers' Keep-Alive header says; the connection loop keeps it.
  set_keep_alive_max_count(static_cast<size_t>(limits_.requests_per_connection));
  set_keep_alive_timeout(
      std::chrono::duration_cast<std::chrono::seconds>(limits_.keep_alive).count());
  // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, with which a
  // second server could bind the same port and take half the connections.
  set_socket_options([](socket_t sock) {
    const int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  new_task_queue = [this] { return new BoundedPool(limits_.threads, limits_.waiting); };
  // A client that asks before it sends its body hears at once that it is too
  // large, and sends none of it.
  set_expect_100_continue_handler([this](const httplib::Request& req, httplib::Response& res) {
    const std::string length = req.get_header_value("Content-Length");
    if (length.size() > 15 || std::strtoull(length.c_str(), nullptr, 10) > limits_.body_bytes) {
      res.status = 413;
      CloseAfterResponse();
      return 413;
    }
    return 100;
  });
}

int GuardedServer::Bind(const std::string& host, int port) {
  int bound = port;
  if (port == 0) {
    bound = bind_to_any_port(host);
  } else if (!bind_to_port(host, port)) {
    bound = -1;
  }
  // The library listens with a backlog of 5, which a burst of clients
  // overflows (each one left over waits a second for its SYN to be sent
  // again); listening again only sets the backlog.
  if (bound > 0) ::listen(svr_sock_, 512);
  return bound;
}

bool GuardedServer::Serve() {
  return stopping_ || listen_after_bind();
}

void GuardedServer::Shutdown() {
  stopping_ = true;
  stop();
}

bool GuardedServer::AcceptsGzip(const httplib::Request& req) {
  return req.has_header(kAcceptsGzip);
}

void GuardedServer::CloseAfterResponse() {
  if (t_stream != nullptr) t_stream->close_after_response = true;
}

bool GuardedServer::EnterPeer(const std::string& address) {
  if (limits_.per_address <= 0) return true;
  std::lock_guard<std::mutex> lock(peers_mutex_);
  int& open = peers_[address];
  if (open >= limits_.per_address) return false;
  ++open;
  return true;
}

void GuardedServer::LeavePeer(const std::string& address) {
  if (limits_.per_address <= 0) return;
  std::lock_guard<std::mutex> lock(peers_mutex_);
  const auto found = peers_.find(address);
  if (found != peers_.end() && --found->second <= 0) peers_.erase(found);
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
  GuardedStream stream(sock, limits_);
  std::string address;
  int port = 0;
  stream.get_remote_ip_and_port(address, port);
  const std::string peer = LimitKey(address);  // an IPv6 address: its /64
  if (t_refused || stopping_ || !EnterPeer(peer)) {
    CloseSocket(sock);
    return true;
  }
  t_stream = &stream;
  // Nothing may leave a thread of the pool: the library catches what a
  // handler throws, not what its own reading does (memory refused, say).
  try {
    const Clock::time_point accepted = Clock::now();
    for (int n = 1; n <= limits_.requests_per_connection; ++n) {
      // The first request's head is timed from the connection's start, each
      // later one's from its first byte.
      if (!stream.WaitForRequest(stopping_, n == 1 ? accepted + limits_.head_time
                                                   : Clock::now() + limits_.keep_alive)) {
        break;
      }
      stream.BeginRequest(n == 1 ? accepted : Clock::now());
      const bool last = n == limits_.requests_per_connection || stopping_;
      bool closed = false;
      const bool answered = process_request(stream, last, closed, [&](httplib::Request& req) {
        stream.BeginBody();
        TakeCompression(&req);
        TakeRanges(&req);
        if (BodyLeftUnread(req)) {
          // Answered, and the connection ends (saying so), its body dropped.
          stream.close_after_response = true;
          req.headers.erase("Connection");
          req.headers.emplace("Connection", "close");
        }
      });
      if (!answered || closed || stream.close_after_response || stream.bound_hit || stopping_) {
        break;
      }
    }
  } catch (...) {
    stream.close_after_response = false;
  }
  t_stream = nullptr;
  LeavePeer(peer);
  if (stream.close_after_response) {
    LingeringClose(sock);
  } else {
    CloseSocket(sock);
  }
  return true;
}

}  // namespace serve
}  // namespace yodx
