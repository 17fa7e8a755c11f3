// cpp-httplib's server with the bounds a server on the internet needs and
// the library does not keep on its own: how many bytes and how much time a
// request's head and its body may take, how long one read or write may wait,
// how many requests a connection may make, and how many connections are
// served or wait at once.
//
// The library parses every request. Its server is extended where it is
// meant to be, by the virtual that serves one accepted socket (as its own
// TLS server does): ours reads and writes the socket through a stream that
// keeps the bounds, and hands each request of the connection to the
// library's process_request.
#ifndef YODX_SERVE_HTTP_GUARD_H_
#define YODX_SERVE_HTTP_GUARD_H_

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace yodx {
namespace serve {

struct Limits {
  using Duration = std::chrono::milliseconds;
  size_t head_bytes = size_t{64} * 1024;  // the request line and the headers
  Duration head_time{10000};              // from the request's start to its last header
  size_t body_bytes = size_t{2} << 20;
  Duration body_time{60000};       // from the last header to the body's end
  Duration idle{5000};             // any one read or write
  Duration response_time{120000};  // writing one response
  int requests_per_connection = 20;
  Duration keep_alive{5000};  // between two requests of a connection
  int threads = 32;           // connections served at once
  int waiting = 32;           // connections accepted and waiting; more are closed
  int per_address = 8;        // served at once for one address (IPv6: its /64), more closed; 0: any
};

class GuardedServer : public httplib::Server {
 public:
  explicit GuardedServer(const Limits& limits);

  // Binds HOST:PORT (PORT 0: a free port), with a backlog that takes a burst
  // of clients. The port, or -1.
  int Bind(const std::string& host, int port);
  // Serves until Shutdown; false when it could not.
  bool Serve();
  // Stops taking connections; those waiting are closed, each request being
  // served is finished and answered. Safe from any thread.
  void Shutdown();

  // From a handler: the connection closes once this response is written
  // (a request whose body was not read leaves the connection unusable).
  static void CloseAfterResponse();

  // Whether the client takes a body compressed with gzip. The library
  // compresses nothing: a handler does, where it is worth it.
  static bool AcceptsGzip(const httplib::Request& req);

 private:
  bool process_and_close_socket(socket_t sock) override;
  // Counts a connection of ADDRESS being served: false when it has its
  // share already.
  bool EnterPeer(const std::string& address);
  void LeavePeer(const std::string& address);

  const Limits limits_;
  std::atomic<bool> stopping_{false};
  std::mutex peers_mutex_;
  std::unordered_map<std::string, int> peers_;  // connections served now, by address
};

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_HTTP_GUARD_H_
