// The Cabrillo export as the reset and the result summary see it: collecting
// the header at the start of an output run, and writing the log at every
// result of that run.
#ifndef STATS_CABRILLO_CABRILLO_EXPORT_H_
#define STATS_CABRILLO_CABRILLO_EXPORT_H_

#include <memory>
#include <string>

#include "plugin/ole_date.h"

namespace stats {

struct ContestState;

class CabrilloExport {
 public:
  virtual ~CabrilloExport() = default;
  // Shows the header dialog and keeps the operator's answers for the writer.
  virtual void PrepareHeader(const std::string& callsign, const COleDateTime& start,
                             const COleDateTime& end) = 0;
  // Writes the log as a Cabrillo file, tells the operator, and sets the
  // host's flag to -1. Returns false when this build cannot export.
  virtual bool ExportLog(const ContestState& state, int* exportFlag) = 0;
};

// The exporter of this build.
std::unique_ptr<CabrilloExport> NewCabrilloExport();

}  // namespace stats

#endif  // STATS_CABRILLO_CABRILLO_EXPORT_H_
