// The robot's handlers, on a GuardedServer: the station's upload (the form
// and the JSON API), the public list, the published results and reports,
// the organiser's log-in, pages and JSON API. Every answer that is not a
// success says why in a sentence.
#ifndef YODX_SERVE_ROUTES_H_
#define YODX_SERVE_ROUTES_H_

#include <atomic>
#include <mutex>
#include <string>

#include "tools/contest/cty.h"
#include "tools/yodx/lint/linter.h"
#include "tools/yodx/serve/admin.h"
#include "tools/yodx/serve/gate.h"
#include "tools/yodx/serve/http_guard.h"
#include "tools/yodx/serve/intake.h"
#include "tools/yodx/serve/pages.h"
#include "tools/yodx/serve/rate.h"
#include "tools/yodx/serve/store.h"

namespace yodx {
namespace serve {

struct RobotOptions {
  LintOptions lint;             // the contest period
  int uploads_per_minute = 10;  // per address; 0: no limit
  int logins_per_minute = 10;   // per address
  // Behind a reverse proxy on this machine: a client's address is the last
  // one of X-Forwarded-For, taken only from a loopback peer.
  bool behind_proxy = false;
  size_t body_limit = size_t{2} << 20;
  int check_threads = 2;  // the cross-check's
};

class Robot {
 public:
  // STORE, COUNTRIES and ORGANISER outlive the robot.
  Robot(Store* store, const CtyFile* countries, Organiser* organiser, const RobotOptions& options);

  // Puts every handler, the pre-routing checks and the error answers on SERVER.
  void Route(GuardedServer* server);

  // The deadline and late logs, as the organiser set them last.
  UploadWindow Window() const;
  // Sets the deadline (none when HAS_DEADLINE is false) and late logs: kept
  // in the store, then in force. False with *error when it cannot be kept.
  bool SetWindow(const UploadWindow& window, std::string* error);

 private:
  struct Answer;
  Answer Upload(const std::string& bytes, const std::string& address);
  // The public list as a page, JSON or CSV, made again only once a log
  // has come in since (or, for the page, the deadline's sentence changed).
  enum class ListKind { kPage, kJson, kCsv };
  // Into RES, compressed when the client takes gzip.
  void List(ListKind kind, const httplib::Request& req, httplib::Response& res);
  std::string ClientAddress(const httplib::Request& req) const;
  bool Authorised(const httplib::Request& req);
  RobotState State() const;
  long long PublishedRun() const;

  Store* store_;
  const CtyFile* countries_;
  Organiser* organiser_;
  const RobotOptions options_;
  RateLimit uploads_, logins_;
  mutable std::mutex state_mutex_;
  UploadWindow window_;
  long long published_run_ = 0;
  std::mutex heavy_;  // one cross-check or zip at a time: each holds every current log
  FifoGate checks_;   // as many checks at once as the cross-check has threads
  std::atomic<long long> logs_in_{0};  // logs kept since the start
  std::mutex list_mutex_;              // held while the list is made again
  struct CachedList {
    long long logs_in = -1;
    std::string sentence, text, gzip;  // gzip: made when first asked for
  } lists_[3];
};

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_ROUTES_H_
