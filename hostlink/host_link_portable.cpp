// Builds without the host's automation interface: no host ever runs.
#include "hostlink/host_link.h"

namespace stats {
namespace {

class NoHostLink : public HostLink {
 public:
  bool EnterThread(HostCallGuard*) override { return false; }
  void LeaveThread(bool) override {}
  std::unique_ptr<HostConnection> Attach() override { return nullptr; }
};

}  // namespace

std::unique_ptr<HostLink> NewPlatformHostLink() {
  return std::make_unique<NoHostLink>();
}

}  // namespace stats
