// This build has no information windows yet: the window set never opens, so
// the reset's start toggle takes its "no window set open" rows and the
// window commands change nothing.
#include "infowindows/info_windows.h"

namespace stats {
namespace {

class NoWindowSet : public InfoWindows {
 public:
  bool IsOpen() override { return false; }
  void Open() override {}
  void Close() override {}
  void RearmRefresh() override {}
};

}  // namespace

std::unique_ptr<InfoWindows> NewInfoWindows() {
  return std::make_unique<NoWindowSet>();
}

}  // namespace stats
