// This build does not write Cabrillo files yet: an output run shows no
// header dialog and a result leaves the host's flag as it was.
#include "cabrillo/cabrillo_export.h"

namespace stats {
namespace {

class NoCabrilloExport : public CabrilloExport {
 public:
  void PrepareHeader(const std::string&, const COleDateTime&, const COleDateTime&) override {}
  bool ExportLog(const ContestState&, int*) override { return false; }
};

}  // namespace

std::unique_ptr<CabrilloExport> NewCabrilloExport() {
  return std::make_unique<NoCabrilloExport>();
}

}  // namespace stats
