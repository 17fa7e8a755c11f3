// The window set without a desktop: the same opening, timer and refresh on
// an event loop of our own, on a thread of its own, with nothing shown.
#include <condition_variable>
#include <optional>
#include <thread>

#include "hostlink/host_link.h"
#include "infowindows/info_windows.h"
#include "infowindows/window_logic.h"

namespace stats {
namespace {

// Nothing to show without a desktop.
class NoView : public InfoWindowView {
 public:
  void ShowDxccWindow() override {}
  void SetCountyTitle(const std::string&) override {}
  void SetDxccTitle(const std::string&) override {}
  void SetCountyFlags(const CountyFlags&) override {}
  void RepaintDxcc(const DxccPicture&) override {}
  void ShowHostError(const std::string&) override {}
};

class LoopWindowSet final : public InfoWindows, private CountyWindowOpening {
 public:
  explicit LoopWindowSet(const WindowContext& context) : context_(context) {}
  ~LoopWindowSet() override { Close(); }

  bool IsOpen() override {
    std::lock_guard<std::mutex> hold(mutex_);
    return open_;
  }

  void Open() override {
    Close();
    std::lock_guard<std::mutex> hold(mutex_);
    open_ = true;
    closing_ = rearm_ = false;
    thread_ = std::thread([this] { Run(); });
  }

  void Close() override {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      closing_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  // Called on every keystroke: the loop is woken only when it would
  // otherwise sleep past the new due time. Waking at an earlier due time, it
  // finds the re-arm and counts the typing pause from the keystroke.
  void RearmRefresh() override {
    bool wake = false;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (!open_) return;
      rearm_ = true;
      rearm_at_ = RefreshTimer::Clock::now();
      wake = waiting_ && (!waiting_until_ || *waiting_until_ > rearm_at_ + kTypingRefresh);
    }
    if (wake) wake_.notify_all();
  }

 private:
  // The opening steps that mean something without a desktop.
  void PlaceAt(int64_t, int64_t) override {}
  void CreateBrush() override {}
  void ArmRefresh(std::chrono::milliseconds period) override {
    timer_.Arm(RefreshTimer::Clock::now(), period);
  }
  void SetIcon() override {}
  HostConnection* AttachHost() override {
    entered_ = context_.host->EnterThread();
    host_ = context_.host->Attach();
    return host_.get();
  }
  void ShowHostError(const std::string&) override {}

  void Run() {
    LastPosition last;
    OpenCountyWindow(*this, *context_.settings, &last);
    ConnectCountyWindow(*this);
    NoView view;
    std::unique_lock<std::mutex> held(mutex_);
    for (;;) {
      auto woken = [this] { return closing_ || rearm_; };
      waiting_ = true;
      waiting_until_ = timer_.due();
      if (timer_.due()) {
        wake_.wait_until(held, *timer_.due(), woken);
      } else {
        wake_.wait(held, woken);
      }
      waiting_ = false;
      if (closing_) break;
      if (rearm_) {
        rearm_ = false;
        timer_.Arm(rearm_at_, kTypingRefresh);
      }
      if (timer_.Fire(RefreshTimer::Clock::now())) {
        held.unlock();
        RefreshInfoWindows(*context_.lock, *context_.contest, *context_.state, host_.get(), view);
        held.lock();
      }
    }
    held.unlock();
    host_.reset();
    context_.host->LeaveThread(entered_);
    held.lock();
    open_ = false;
  }

  WindowContext context_;
  std::mutex mutex_;  // the loop's own, never the module lock
  std::condition_variable wake_;
  bool open_ = false, closing_ = false, rearm_ = false;
  RefreshTimer::Clock::time_point rearm_at_;  // the last keystroke's
  bool waiting_ = false;                      // the loop sleeps, until waiting_until_ if set
  std::optional<RefreshTimer::Clock::time_point> waiting_until_;
  std::thread thread_;
  // Window thread only.
  RefreshTimer timer_;
  bool entered_ = false;
  std::unique_ptr<HostConnection> host_;
};

}  // namespace

std::unique_ptr<InfoWindows> NewPlatformInfoWindows(WindowContext context) {
  return std::make_unique<LoopWindowSet>(context);
}

}  // namespace stats
