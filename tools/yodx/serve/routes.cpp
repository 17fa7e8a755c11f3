#include "tools/yodx/serve/routes.h"

#include <cstdio>
#include <exception>

#include "tools/contest/text.h"
#include "tools/yodx/crosscheck/reports.h"
#include "tools/yodx/serve/contest_run.h"
#include "tools/yodx/serve/crypto.h"
#include "tools/yodx/serve/pages.h"
#include "tools/yodx/serve/zip.h"

namespace yodx {
namespace serve {

namespace {

using httplib::Request;
using httplib::Response;

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json";
constexpr const char* kText = "text/plain; charset=utf-8";
constexpr const char* kCookie = "yodx_session";

bool IsApi(const Request& req) {
  return req.path.compare(0, 5, "/api/") == 0;
}

// A sentence as the client reads it: a page for a browser, JSON for the API.
void Say(const Request& req, Response& res, int status, const std::string& title,
         const std::string& sentence) {
  res.status = status;
  if (IsApi(req)) {
    res.set_content(MessageJson(sentence), kJson);
  } else {
    res.set_content(MessagePage(title, sentence), kHtml);
  }
}

void SeeOther(Response& res, const std::string& path) {
  res.status = 303;
  res.set_header("Location", path);
}

// One line on standard error for the organiser: what came and what was
// answered. Everything in it a client chose is printable and bounded.
void Note(const std::string& line) {
  std::fprintf(stderr, "yodx serve: %s %s\n", IsoText(Now()).c_str(), Printable(line, 300).c_str());
}

// The value of the cookie NAME in a Cookie header, "" when it has none.
std::string CookieValue(const std::string& header, const std::string& name) {
  size_t at = 0;
  while (at < header.size()) {
    size_t end = header.find(';', at);
    if (end == std::string::npos) end = header.size();
    const std::string_view pair = Trim(std::string_view(header).substr(at, end - at));
    if (pair.size() > name.size() && pair.compare(0, name.size(), name) == 0 &&
        pair[name.size()] == '=') {
      return std::string(pair.substr(name.size() + 1));
    }
    at = end + 1;
  }
  return std::string();
}

// Letters, digits and the characters of addresses: an address a proxy says.
bool LooksLikeAddress(std::string_view text) {
  if (text.empty() || text.size() > 45) return false;
  for (const char c : text) {
    if (!IsDigit(c) && !(c >= 'a' && c <= 'f') && !(c >= 'A' && c <= 'F') && c != '.' && c != ':') {
      return false;
    }
  }
  return true;
}

bool IsLoopback(const std::string& address) {
  return address.compare(0, 4, "127.") == 0 || address == "::1" ||
         address.compare(0, 11, "::ffff:127.") == 0;
}

// The bytes an upload form sent: the file when one was chosen, else the
// text pasted. "" for neither.
std::string FormBytes(const Request& req) {
  if (req.has_file("log")) {
    const httplib::MultipartFormData file = req.get_file_value("log");
    if (!file.content.empty()) return file.content;
  }
  return req.has_file("text") ? req.get_file_value("text").content : std::string();
}

const char* StatusTitle(int status) {
  switch (status) {
    case 400:
      return "Bad request";
    case 401:
      return "Not logged in";
    case 403:
      return "Uploads closed";
    case 404:
      return "Not found";
    case 409:
      return "Busy";
    case 411:
      return "Length required";
    case 413:
      return "Too large";
    case 415:
      return "Not taken";
    case 422:
      return "Log refused";
    case 429:
      return "Too many";
    case 507:
      return "Disk full";
    default:
      return status >= 500 ? "Server error" : "Error";
  }
}

}  // namespace

struct Robot::Answer {
  Assessment assessment;
  std::string receipt;
  UnixSeconds received = 0;
};

Robot::Robot(Store* store, const CtyFile* countries, Organiser* organiser,
             const RobotOptions& options)
    : store_(store),
      countries_(countries),
      organiser_(organiser),
      options_(options),
      uploads_(options.uploads_per_minute),
      logins_(options.logins_per_minute),
      checks_(options.check_threads) {
  const std::string deadline = store_->Setting("deadline");
  window_.has_deadline = !deadline.empty() && AllDigits(deadline);
  window_.deadline = window_.has_deadline ? std::stoll(deadline) : 0;
  window_.late_allowed = store_->Setting("late_allowed") == "1";
  const std::string published = store_->Setting("published_run");
  published_run_ = AllDigits(published) && published.size() < 18 ? std::stoll(published) : 0;
}

UploadWindow Robot::Window() const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return window_;
}

long long Robot::PublishedRun() const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return published_run_;
}

RobotState Robot::State() const {
  RobotState state;
  std::lock_guard<std::mutex> lock(state_mutex_);
  state.window = window_;
  state.published_run = published_run_;
  state.now = Now();
  state.body_limit = options_.body_limit;
  return state;
}

bool Robot::SetWindow(const UploadWindow& window, std::string* error) {
  const WriteOutcome kept = store_->SetSettings(
      {{"deadline", window.has_deadline ? std::to_string(window.deadline) : std::string()},
       {"late_allowed", window.late_allowed ? "1" : "0"}});
  if (kept.status != WriteStatus::kCommitted) {
    *error = "the deadline could not be kept: " + kept.message;
    return false;
  }
  std::lock_guard<std::mutex> lock(state_mutex_);
  window_ = window;
  return true;
}

std::string Robot::ClientAddress(const Request& req) const {
  if (options_.behind_proxy && IsLoopback(req.remote_addr) && req.has_header("X-Forwarded-For")) {
    const std::string forwarded = req.get_header_value("X-Forwarded-For");
    const size_t comma = forwarded.rfind(',');
    const std::string_view last =
        Trim(std::string_view(forwarded).substr(comma == std::string::npos ? 0 : comma + 1));
    if (LooksLikeAddress(last)) return std::string(last);
  }
  return req.remote_addr;
}

bool Robot::Authorised(const Request& req) {
  const std::string authorization = req.get_header_value("Authorization");
  if (authorization.compare(0, 7, "Bearer ") == 0) {
    return organiser_->IsToken(Trim(std::string_view(authorization).substr(7)));
  }
  const std::string session = CookieValue(req.get_header_value("Cookie"), kCookie);
  return !session.empty() && organiser_->IsSession(session);
}

Robot::Answer Robot::Upload(const std::string& bytes, const std::string& address) {
  Answer answer;
  answer.received = Now();
  Assessment& a = answer.assessment;
  {
    FifoGate::Pass turn(&checks_);
    a = Assess(bytes, *countries_, options_.lint, Window(), answer.received);
  }
  if (a.verdict == Verdict::kAccepted) {
    LogRecord record;
    record.tag = RandomHex(6);
    record.call = a.call;
    record.category = a.category;
    record.qso_lines = a.lint.qso_lines;
    record.counted = a.lint.counted;
    record.score = a.lint.claim.organiser.score();
    record.plugin_score = a.lint.claim.plugin.score();
    record.warnings = a.lint.warnings;
    record.sha256 = a.sha256;
    record.size = static_cast<long long>(bytes.size());
    record.received = answer.received;
    record.late = a.late;
    record.address = address;
    record.findings = StoredFindings(a);
    const WriteOutcome kept = store_->AddLog(record, bytes);
    if (kept.status == WriteStatus::kCommitted) {
      record.id = kept.id;
      answer.receipt = record.Receipt();
      ++logs_in_;
      Note(address + " accepted " + a.call + " " + answer.receipt);
      return answer;
    }
    // Not kept: the station must know, and must send it again.
    a.verdict = Verdict::kRefused;
    if (kept.status == WriteStatus::kDiskFull) {
      a.status = 507;
      a.sentence = "The robot's disk is full: the log was not kept. Send it again later.";
    } else {
      a.status = 503;
      a.sentence =
          "The robot could not keep the log (its database failed): the log was not "
          "kept. Send it again in a while.";
    }
    Note(address + " not kept " + a.call + ": " + kept.message);
    return answer;
  }
  RefusedRecord record;
  record.received = answer.received;
  record.address = address;
  record.call = a.call;
  record.sha256 = a.sha256;
  record.size = static_cast<long long>(bytes.size());
  record.status = a.status;
  record.reason = a.sentence;
  record.findings = StoredFindings(a);
  record.findings_total = static_cast<int>(record.findings.size());
  const WriteOutcome noted = store_->AddRefused(record);
  Note(address + " refused " + (a.call.empty() ? "(no call)" : a.call) + " " +
       std::to_string(a.status) +
       (noted.status == WriteStatus::kCommitted ? "" : " (not recorded: " + noted.message + ")"));
  return answer;
}

void Robot::List(ListKind kind, const Request& req, Response& res) {
  static const char* const kTypes[] = {kHtml, kJson, "text/csv; charset=utf-8"};
  CachedList& cached = lists_[static_cast<int>(kind)];
  const RobotState state = State();
  const std::string sentence = kind == ListKind::kPage ? WindowSentence(state) : std::string();
  const bool gzip = GuardedServer::AcceptsGzip(req);
  std::lock_guard<std::mutex> lock(list_mutex_);
  const long long logs_in = logs_in_;
  if (cached.logs_in != logs_in || cached.sentence != sentence) {
    const std::vector<LogRecord> logs = store_->CurrentLogs();
    cached.text = kind == ListKind::kPage   ? LogsPage(logs, state)
                  : kind == ListKind::kJson ? LogsJson(logs)
                                            : LogsCsv(logs);
    cached.gzip.clear();
    cached.logs_in = logs_in;
    cached.sentence = sentence;
  }
  if (gzip && cached.gzip.empty()) cached.gzip = Gzip(cached.text);
  res.set_header("Vary", "Accept-Encoding");
  if (gzip && !cached.gzip.empty()) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(cached.gzip, kTypes[static_cast<int>(kind)]);
  } else {
    res.set_content(cached.text, kTypes[static_cast<int>(kind)]);
  }
}

void Robot::Route(GuardedServer* server) {
  server->set_default_headers(
      {{"Content-Security-Policy",
        "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
        "frame-ancestors 'none'; base-uri 'none'"},
       {"X-Content-Type-Options", "nosniff"},
       {"Referrer-Policy", "no-referrer"},
       {"X-Frame-Options", "DENY"},
       {"Cache-Control", "no-store"}});

  // Before a body is read: the library would read a body without a length
  // to its end, and inflate a compressed one without a limit. Every method
  // but these three may come with a body the library reads (PRI among them).
  server->set_pre_routing_handler([](const Request& req, Response& res) {
    if (req.method == "GET" || req.method == "HEAD" || req.method == "OPTIONS") {
      return GuardedServer::HandlerResponse::Unhandled;
    }
    const std::string encoding = req.get_header_value("Content-Encoding");
    const std::string length = req.get_header_value("Content-Length");
    if (req.has_header("Transfer-Encoding")) {
      // A length, and nothing that could say otherwise: behind a proxy, two
      // readings of where a request ends are two requests.
      Say(req, res, 411, StatusTitle(411),
          "The request must say its length (Content-Length), not come in chunks.");
    } else if (!encoding.empty() && !EqualsNoCase(encoding, "identity")) {
      Say(req, res, 415, StatusTitle(415),
          "The body is compressed (" + Printable(encoding, 40) + "): send it as it is.");
    } else if (!req.has_header("Content-Length")) {
      Say(req, res, 411, StatusTitle(411), "The request must say its length (Content-Length).");
    } else if (req.get_header_value_count("Content-Length") != 1 || !AllDigits(length)) {
      // The library would read "5abc" as 5 and take the first of two.
      Say(req, res, 400, StatusTitle(400),
          "The request's length (Content-Length) must be one whole number.");
    } else {
      return GuardedServer::HandlerResponse::Unhandled;
    }
    GuardedServer::CloseAfterResponse();
    res.set_header("Connection", "close");
    return GuardedServer::HandlerResponse::Handled;
  });

  // The library's own answers (a body too large, a request it cannot read,
  // no such page) come with no body: each gets its sentence.
  const size_t limit = options_.body_limit;
  server->set_error_handler(
      GuardedServer::HandlerWithResponse([limit](const Request& req, Response& res) {
        if (!res.body.empty()) return GuardedServer::HandlerResponse::Unhandled;
        std::string sentence;
        switch (res.status) {
          case 413:
            sentence = "The upload is larger than the robot takes (" +
                       CountText(static_cast<long long>(limit)) +
                       " bytes); a Cabrillo log is far smaller: was another file sent?";
            GuardedServer::CloseAfterResponse();
            res.set_header("Connection", "close");
            break;
          case 404:
            sentence = "There is no such page here.";
            break;
          case 400:
            sentence = "The request could not be read.";
            break;
          default:
            sentence = "The request was not served (" + std::to_string(res.status) + ").";
        }
        Say(req, res, res.status, StatusTitle(res.status), sentence);
        return GuardedServer::HandlerResponse::Handled;
      }));

  server->set_exception_handler([](const Request& req, Response& res, std::exception_ptr ep) {
    std::string what = "unknown";
    try {
      std::rethrow_exception(std::move(ep));
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
    Note(req.method + " " + req.path + " failed: " + what);
    Say(req, res, 500, StatusTitle(500),
        "The robot failed on this request and kept nothing of it. Try again, or tell the "
        "organiser.");
  });

  // The station's side.
  server->Get(
      "/", [this](const Request&, Response& res) { res.set_content(UploadPage(State()), kHtml); });
  // BODY: the bytes of POST /api/logs; null for the form.
  auto upload = [this](const Request& req, Response& res, const std::string* body) {
    const bool api = body != nullptr;
    const std::string address = ClientAddress(req);
    if (!uploads_.Allow(address)) {
      res.set_header("Retry-After", "60");
      Say(req, res, 429, StatusTitle(429),
          "Too many uploads from your address: at most " +
              std::to_string(options_.uploads_per_minute) +
              " a minute. Wait a minute and send the log again.");
      return;
    }
    if (!api && !req.is_multipart_form_data()) {
      Say(req, res, 415, StatusTitle(415), "The form is sent as multipart/form-data.");
      return;
    }
    const Answer answer = Upload(api ? *body : FormBytes(req), address);
    res.status = answer.assessment.status;
    if (api) {
      res.set_content(UploadAnswerJson(answer.assessment, answer.receipt, answer.received), kJson);
    } else {
      res.set_content(UploadAnswerPage(answer.assessment, answer.receipt, answer.received), kHtml);
    }
  };
  server->Post("/upload",
               [upload](const Request& req, Response& res) { upload(req, res, nullptr); });
  // The body read here, not by the library: it would take a body sent as a
  // form (as curl's --data-binary says it is) for one and refuse it past 8 KiB.
  server->Post("/api/logs", [upload](const Request& req, Response& res,
                                     const httplib::ContentReader& content) {
    if (req.is_multipart_form_data()) {
      GuardedServer::CloseAfterResponse();
      Say(req, res, 415, StatusTitle(415),
          "POST /api/logs takes the log's bytes as the body; the form goes to /upload.");
      return;
    }
    std::string body;
    if (!content([&](const char* data, size_t size) {
          body.append(data, size);
          return true;
        })) {
      return;  // too large or cut off: the library has set the status
    }
    upload(req, res, &body);
  });

  // Public.
  server->Get("/logs",
              [this](const Request& req, Response& res) { List(ListKind::kPage, req, res); });
  server->Get("/api/logs",
              [this](const Request& req, Response& res) { List(ListKind::kJson, req, res); });
  server->Get("/logs.csv", [this](const Request& req, Response& res) {
    res.set_header("Content-Disposition", "attachment; filename=\"logs.csv\"");
    List(ListKind::kCsv, req, res);
  });
  auto published = [this](const Request& req, Response& res, RunRecord* run) {
    const long long id = PublishedRun();
    if (id == 0 || !store_->FindRun(id, run)) {
      Say(req, res, 404, "Not published yet", "The results are not published yet.");
      return false;
    }
    return true;
  };
  server->Get("/results", [published](const Request& req, Response& res) {
    RunRecord run;
    if (published(req, res, &run)) res.set_content(run.html, kHtml);
  });
  server->Get("/results.csv", [published](const Request& req, Response& res) {
    RunRecord run;
    if (published(req, res, &run)) res.set_content(run.csv, "text/csv; charset=utf-8");
  });
  server->Get("/report", [this, published](const Request& req, Response& res) {
    long long id = 0;
    std::string tag;
    LogRecord log;
    if (!ParseReceipt(req.get_param_value("receipt"), &id, &tag) ||
        !store_->FindLog(id, tag, &log, nullptr)) {
      Say(req, res, 404, "No such receipt",
          "No log has that receipt: it is the number the robot gave when it kept your log, "
          "as 000042-3f9a1c7b2d10.");
      return;
    }
    RunRecord run;
    if (!published(req, res, &run)) return;
    std::string report;
    if (!store_->FindReport(run.id, log.call, &report)) {
      Say(req, res, 404, "No report", "The published results hold no report for " + log.call + ".");
      return;
    }
    res.set_content(report, kText);
  });

  // The organiser's log-in.
  server->Get("/login",
              [](const Request&, Response& res) { res.set_content(LoginPage(""), kHtml); });
  server->Post("/login", [this](const Request& req, Response& res) {
    if (!logins_.Allow(ClientAddress(req))) {
      res.status = 429;
      res.set_header("Retry-After", "60");
      res.set_content(LoginPage("Too many tries from your address: wait a minute."), kHtml);
      return;
    }
    // The token in the address would stay in every proxy's and browser's
    // history: only the form's body is read.
    if (req.target.find('?') != std::string::npos) {
      res.status = 400;
      res.set_content(LoginPage("The token goes in the form, never in the address."), kHtml);
      return;
    }
    if (!organiser_->IsToken(req.get_param_value("token"))) {
      Note(ClientAddress(req) + " log-in refused");
      res.status = 401;
      res.set_content(LoginPage("That is not the organiser's token."), kHtml);
      return;
    }
    std::string cookie = std::string(kCookie) + "=" + organiser_->OpenSession() +
                         "; HttpOnly; SameSite=Strict; Path=/; Max-Age=" +
                         std::to_string(std::chrono::seconds(Organiser::kSessionLife).count());
    if (req.get_header_value("X-Forwarded-Proto") == "https") cookie += "; Secure";
    res.set_header("Set-Cookie", cookie);
    SeeOther(res, "/admin");
  });
  server->Post("/logout", [this](const Request& req, Response& res) {
    organiser_->CloseSession(CookieValue(req.get_header_value("Cookie"), kCookie));
    res.set_header("Set-Cookie",
                   std::string(kCookie) + "=; HttpOnly; SameSite=Strict; Path=/; Max-Age=0");
    SeeOther(res, "/login");
  });

  // The organiser's pages and JSON: nothing of them without the token.
  using Handler = std::function<void(const Request&, Response&)>;
  auto admin = [this](const Handler& handler) {
    return [this, handler](const Request& req, Response& res) {
      if (!Authorised(req)) {
        res.status = 401;
        if (IsApi(req)) {
          res.set_header("WWW-Authenticate", "Bearer");
          res.set_content(MessageJson("The organiser's token is needed: Authorization: Bearer "
                                      "TOKEN."),
                          kJson);
        } else {
          res.set_content(LoginPage("Log in to see the organiser's pages."), kHtml);
        }
        return;
      }
      // The cookie is sent only from this site's pages (SameSite=Strict),
      // but a site is every port and every name under one domain: an action
      // is taken only from this very origin, when the browser says where
      // it comes from.
      const std::string from = req.get_header_value("Sec-Fetch-Site");
      if (req.method != "GET" && req.method != "HEAD" && !from.empty() && from != "same-origin") {
        Say(req, res, 403, "Not from here",
            "The organiser's actions are taken only from the organiser's own pages.");
        return;
      }
      handler(req, res);
    };
  };
  auto admin_state = [this] {
    AdminState s;
    s.robot = State();
    s.current = store_->CountCurrent();
    s.versions = store_->CountVersions();
    s.refused = store_->CountRefused();
    s.has_run = store_->FindRun(0, &s.run, false);
    return s;
  };
  server->Get("/admin", admin([admin_state](const Request&, Response& res) {
                res.set_content(AdminPage(admin_state()), kHtml);
              }));
  server->Get("/api/admin/status", admin([admin_state](const Request&, Response& res) {
                res.set_content(AdminStatusJson(admin_state()), kJson);
              }));
  server->Get("/admin/logs", admin([this](const Request&, Response& res) {
                res.set_content(VersionsPage(store_->Versions()), kHtml);
              }));
  server->Get("/api/admin/logs", admin([this](const Request&, Response& res) {
                res.set_content(VersionsJson(store_->Versions()), kJson);
              }));
  Handler bytes = [this](const Request& req, Response& res) {
    long long id = 0;
    std::string tag, kept;
    LogRecord log;
    if (!ParseReceipt(req.matches[1], &id, &tag) || !store_->FindLog(id, tag, &log, &kept)) {
      Say(req, res, 404, "No such receipt", "No log has that receipt.");
      return;
    }
    res.set_header("Content-Disposition", "attachment; filename=\"" +
                                              crosscheck::FileStem(log.call) + "-" + log.Receipt() +
                                              ".log\"");
    res.set_content(kept, "application/octet-stream");
  };
  server->Get(R"(/admin/logs/([0-9]{1,12}-[0-9a-f]{12}))", admin(bytes));
  server->Get(R"(/api/admin/logs/([0-9]{1,12}-[0-9a-f]{12}))", admin(bytes));
  Handler zip = [this](const Request& req, Response& res) {
    std::unique_lock<std::mutex> lock(heavy_, std::try_to_lock);
    if (!lock.owns_lock()) {
      Say(req, res, 409, StatusTitle(409), "A cross-check or a zip is being made: try again soon.");
      return;
    }
    std::string archive, error;
    if (!ZipArchive(CurrentLogEntries(store_->CurrentLogsWithBytes()), &archive, &error)) {
      Say(req, res, 500, StatusTitle(500), "The zip cannot be made: " + error + ".");
      return;
    }
    res.set_header("Content-Disposition", "attachment; filename=\"yodx-logs.zip\"");
    res.set_content(archive, "application/zip");
  };
  server->Get("/admin/logs.zip", admin(zip));
  server->Get("/api/admin/logs.zip", admin(zip));
  server->Get("/admin/refused", admin([this](const Request&, Response& res) {
                res.set_content(RefusedPage(store_->Refused(500)), kHtml);
              }));
  server->Get("/api/admin/refused", admin([this](const Request&, Response& res) {
                res.set_content(RefusedJson(store_->Refused(2000)), kJson);
              }));

  Handler deadline = [this](const Request& req, Response& res) {
    UploadWindow window;
    const std::string text = std::string(Trim(req.get_param_value("deadline")));
    window.has_deadline = !text.empty();
    window.late_allowed = req.get_param_value("late") == "1";
    if (window.has_deadline && !ReadDeadline(text, &window.deadline)) {
      Say(req, res, 400, StatusTitle(400),
          "The deadline is a UTC time YYYY-MM-DDTHH:MM, not '" + Printable(text, 40) + "'.");
      return;
    }
    std::string error;
    if (!SetWindow(window, &error)) {
      Say(req, res, 503, StatusTitle(503), error);
      return;
    }
    Note(ClientAddress(req) + " deadline " +
         (window.has_deadline ? IsoText(window.deadline) : std::string("none")) +
         (window.late_allowed ? ", late logs taken" : ""));
    if (IsApi(req)) {
      res.set_content(AdminStatusJson([&] {
                        AdminState s;
                        s.robot = State();
                        return s;
                      }()),
                      kJson);
    } else {
      SeeOther(res, "/admin");
    }
  };
  server->Post("/admin/deadline", admin(deadline));
  server->Post("/api/admin/deadline", admin(deadline));

  Handler crosscheck = [this](const Request& req, Response& res) {
    std::unique_lock<std::mutex> lock(heavy_, std::try_to_lock);
    if (!lock.owns_lock()) {
      Say(req, res, 409, StatusTitle(409), "A cross-check or a zip is being made: try again soon.");
      return;
    }
    const std::vector<std::pair<LogRecord, std::string>> logs = store_->CurrentLogsWithBytes();
    if (logs.empty()) {
      Say(req, res, 409, StatusTitle(409), "There is no log to cross-check yet.");
      return;
    }
    ContestRun run = RunCrosscheck(logs, *countries_, options_.check_threads, Now());
    const WriteOutcome kept = store_->AddRun(run.run, run.reports);
    if (kept.status != WriteStatus::kCommitted) {
      Say(req, res, kept.status == WriteStatus::kDiskFull ? 507 : 503, "Not kept",
          "The cross-check ran but could not be kept: " + kept.message);
      return;
    }
    run.run.id = kept.id;
    Note(ClientAddress(req) + " cross-check run " + std::to_string(kept.id) + " of " +
         std::to_string(run.run.logs) + " logs");
    if (IsApi(req)) {
      res.status = 201;
      res.set_content(RunJson(run.run, PublishedRun()), kJson);
    } else {
      SeeOther(res, "/admin/results");
    }
  };
  server->Post("/admin/crosscheck", admin(crosscheck));
  server->Post("/api/admin/crosscheck", admin(crosscheck));

  auto latest_run = [this](const Request& req, Response& res, RunRecord* run) {
    if (!store_->FindRun(0, run)) {
      Say(req, res, 404, "No cross-check", "The current logs have not been cross-checked yet.");
      return false;
    }
    return true;
  };
  server->Get("/admin/results", admin([this, latest_run](const Request& req, Response& res) {
                RunRecord run;
                if (!latest_run(req, res, &run)) return;
                // The run's own reports: a call that sent its first log
                // after the run has none in it.
                res.set_content(RunPage(run, store_->ReportCalls(run.id), PublishedRun()), kHtml);
              }));
  server->Get("/api/admin/results", admin([this, latest_run](const Request& req, Response& res) {
                RunRecord run;
                if (latest_run(req, res, &run))
                  res.set_content(RunJson(run, PublishedRun()), kJson);
              }));
  server->Get("/admin/results.html", admin([latest_run](const Request& req, Response& res) {
                RunRecord run;
                if (latest_run(req, res, &run)) res.set_content(run.html, kHtml);
              }));
  server->Get("/admin/results.csv", admin([latest_run](const Request& req, Response& res) {
                RunRecord run;
                if (latest_run(req, res, &run)) res.set_content(run.csv, "text/csv; charset=utf-8");
              }));
  server->Get("/admin/report", admin([this, latest_run](const Request& req, Response& res) {
                RunRecord run;
                if (!latest_run(req, res, &run)) return;
                std::string report;
                if (!store_->FindReport(run.id, req.get_param_value("call"), &report)) {
                  Say(req, res, 404, "No report", "The latest run holds no report of that call.");
                  return;
                }
                res.set_content(report, kText);
              }));

  Handler publish = [this](const Request& req, Response& res) {
    const std::string wanted = req.get_param_value("run");
    RunRecord run;
    const long long id = AllDigits(wanted) && wanted.size() < 18 ? std::stoll(wanted) : 0;
    if ((!wanted.empty() && id == 0) || !store_->FindRun(id, &run)) {
      Say(req, res, 404, "No such run", "There is no such cross-check run to publish.");
      return;
    }
    const WriteOutcome kept = store_->SetSetting("published_run", std::to_string(run.id));
    if (kept.status != WriteStatus::kCommitted) {
      Say(req, res, 503, StatusTitle(503), "The publication could not be kept: " + kept.message);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(state_mutex_);
      published_run_ = run.id;
    }
    Note(ClientAddress(req) + " published run " + std::to_string(run.id));
    if (IsApi(req)) {
      res.set_content(RunJson(run, run.id), kJson);
    } else {
      SeeOther(res, "/admin");
    }
  };
  server->Post("/admin/publish", admin(publish));
  server->Post("/api/admin/publish", admin(publish));
  Handler withdraw = [this](const Request& req, Response& res) {
    const WriteOutcome kept = store_->SetSetting("published_run", "");
    if (kept.status != WriteStatus::kCommitted) {
      Say(req, res, 503, StatusTitle(503), "The withdrawal could not be kept: " + kept.message);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(state_mutex_);
      published_run_ = 0;
    }
    Note(ClientAddress(req) + " withdrew the results");
    if (IsApi(req)) {
      res.set_content("{\"published_run\": null}\n", kJson);
    } else {
      SeeOther(res, "/admin");
    }
  };
  server->Post("/admin/withdraw", admin(withdraw));
  server->Post("/api/admin/withdraw", admin(withdraw));

  // Any other organiser's path: 401 without the token, else 404.
  Handler none = [](const Request& req, Response& res) {
    Say(req, res, 404, StatusTitle(404), "There is no such page here.");
  };
  for (const char* pattern : {R"(/admin/.*)", R"(/api/admin(/.*)?)"}) {
    server->Get(pattern, admin(none));
    server->Post(pattern, admin(none));
  }
}

}  // namespace serve
}  // namespace yodx
