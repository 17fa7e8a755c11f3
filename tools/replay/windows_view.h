// What the plug-in's two information windows would show while a call is
// entered on a band, worked out by the plug-in's own core code on a copy of
// the replayed contest, and printed as text.
#ifndef YODX_WINDOWS_VIEW_H_
#define YODX_WINDOWS_VIEW_H_

#include <memory>
#include <string>
#include <vector>

#include "tools/contest/contact.h"

namespace stats {
struct Contest;
struct InfoWindowState;
}  // namespace stats

namespace yodx {

class WindowsView {
 public:
  WindowsView(const std::string& own_prefix, const std::string& own_continent,
              const std::string& contest_year);
  ~WindowsView();

  // Every contact the replay hands the plug-in, with the station's country.
  void Add(const Contact& c, const std::string& prefix, const std::string& continent);

  // The DXCC window's grid for CALL with BAND marked, and the Romania County
  // window and the band's DXCC multipliers, as of a result computation.
  std::string Describe(const std::string& call, const std::string& band);

 private:
  std::unique_ptr<stats::Contest> contest_;
  std::unique_ptr<stats::InfoWindowState> state_;
};

}  // namespace yodx

#endif  // YODX_WINDOWS_VIEW_H_
