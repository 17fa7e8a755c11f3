// The window thread refreshing while the host's thread adds, removes,
// resets, checks and scores: the run that ThreadSanitizer watches
// (build/tsan, native.tsan_window_thread).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "hostlink/host_link.h"
#include "infowindows/dxcc_painter.h"
#include "infowindows/info_windows.h"
#include "infowindows/window_logic.h"
#include "plugin/module.h"
#include "tests/support/host_calls.h"
#include "tests/support/scratch_dir.h"

namespace stats {
namespace {

// A host that is busy now and then: every third read waits until the
// host's thread has moved on, so that refreshes hang in a host call while
// the state changes under them.
class TypingHost : public HostConnection {
 public:
  explicit TypingHost(const std::atomic<int>& progress, const std::atomic<bool>& stop)
      : progress_(progress), stop_(stop) {}
  int turn = 0;
  HostStatus Command(const std::string&) override { return HostStatus(); }
  HostStatus GetField(int, std::string* text) override {
    const char* calls[] = {"", "YO9AAA", "DL1ABC", "Y"};
    *text = calls[turn % 4];
    if (turn++ % 3 == 0) {
      const int until = progress_ + 5;
      while (progress_ < until && !stop_) std::this_thread::yield();
    }
    return HostStatus();
  }
  HostStatus Frequency(double* hertz) override {
    *hertz = turn % 2 ? 14025000 : 3510000;
    return HostStatus();
  }

 private:
  const std::atomic<int>& progress_;
  const std::atomic<bool>& stop_;
};

class PaintingView : public InfoWindowView {
 public:
  std::size_t drawn = 0;
  void ShowDxccWindow() override {}
  void SetCountyTitle(const std::string&) override {}
  void SetDxccTitle(const std::string&) override {}
  void SetCountyFlags(const CountyFlags&) override {}
  void RepaintDxcc(const DxccPicture& picture) override {
    drawn += PaintDxcc(picture, 350, 210).size();
  }
  void ShowHostError(const std::string&) override {}
};

TEST(WindowStressTest, RefreshesWhileTheHostThreadChangesEverything) {
  if (testing::ThroughDll()) GTEST_SKIP() << "reaches into the module's state";
  testing::ScratchDir dir;
  testing::FreshPlugin();
  Module& module = TheModule();
  std::atomic<bool> stop{false};
  std::atomic<int> progress{0};
  std::thread window([&] {
    TypingHost host(progress, stop);
    PaintingView view;
    while (!stop) {
      RefreshInfoWindows(module.lock, module.contest, module.windowState, &host, view);
      view.drawn +=
          PaintDxcc(CurrentDxccPicture(module.lock, module.contest, module.windowState), 350, 210)
              .size();
    }
  });

  testing::ResetStats(testing::ResetArgs());
  for (int i = 0; i < 3000; ++i, ++progress) {
    testing::Qso qso;
    qso.call = i % 3 ? "DL1ABC" : "YO9AAA";
    qso.prefix = i % 3 ? "DL" : "YO";
    qso.exchRcvd = i % 3 ? "017" : "BU";
    qso.band = i % 2 ? "20m" : "80m";
    testing::AddData(qso);
    testing::CheckCall(testing::CallCheck());
    if (i % 7 == 0) testing::RemoveData(qso);
    if (i % 50 == 0) testing::GetResult();
    if (i % 500 == 0) testing::ResetStats(testing::ResetArgs());
    if (i % 1000 == 0) {
      // The window set's own thread too: opened, re-armed, closed.
      testing::Plugin().RunCommand0(0, "SHOWINFO");
      testing::CheckCall(testing::CallCheck());
      testing::Plugin().RunCommand0(0, "HIDEINFO");
    }
  }
  stop = true;
  window.join();
  EXPECT_NE(testing::GetResult().find("Total"), std::string::npos);
}

}  // namespace
}  // namespace stats
