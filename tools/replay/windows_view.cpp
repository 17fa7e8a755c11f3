#include "tools/replay/windows_view.h"

#include <cstdio>
#include <mutex>

#include "hostlink/host_link.h"
#include "infowindows/window_logic.h"
#include "infowindows/window_state.h"
#include "log/ole_date.h"
#include "platform/file_system.h"
#include "scoring/contest.h"
#include "scoring/engine.h"

namespace yodx {
namespace {

// The report lines of the copy go nowhere: the plug-in wrote the real ones.
class NoFiles : public stats::FileSystem {
 public:
  bool Replace(const std::string&, const std::string&) override { return true; }
  bool Append(const std::string&, const std::string&) override { return true; }
};

// The host as the windows would see it: this call being entered, the radio
// in the middle of this band.
class EnteredCall : public stats::HostConnection {
 public:
  EnteredCall(std::string call, double hertz) : call_(std::move(call)), hertz_(hertz) {}
  stats::HostStatus Command(const std::string&) override { return {}; }
  stats::HostStatus GetField(int, std::string* text) override {
    *text = call_;
    return {};
  }
  stats::HostStatus Frequency(double* hertz) override {
    *hertz = hertz_;
    return {};
  }

 private:
  std::string call_;
  double hertz_;
};

class Capture : public stats::InfoWindowView {
 public:
  std::string countyTitle = "Romania County", dxccTitle = "DXCC";
  stats::CountyFlags flags{};
  stats::DxccPicture picture;
  void ShowDxccWindow() override {}
  void SetCountyTitle(const std::string& t) override { countyTitle = t; }
  void SetDxccTitle(const std::string& t) override { dxccTitle = t; }
  void SetCountyFlags(const stats::CountyFlags& f) override { flags = f; }
  void RepaintDxcc(const stats::DxccPicture& p) override { picture = p; }
  void ShowHostError(const std::string&) override {}
};

double HertzOf(const std::string& band) {
  const double centres[] = {1.85e6, 3.6e6, 7.05e6, 14.1e6, 21.1e6, 28.5e6};
  const int slot = stats::BandSlot(band);
  return slot >= 0 ? centres[slot] : 0;
}

}  // namespace

WindowsView::WindowsView(const std::string& own_prefix, const std::string& own_continent,
                         const std::string& contest_year)
    : contest_(std::make_unique<stats::Contest>()),
      state_(std::make_unique<stats::InfoWindowState>()) {
  contest_->g_OwnPrefix = own_prefix;
  contest_->g_OwnContinent = own_continent;
  state_->g_ContestYear = contest_year;
  for (int slot = 0; slot < stats::kBandSlots; ++slot) {
    state_->g_WorkedRows[slot] = {stats::kSlotBands[slot], "-", "-", "-"};
  }
}

WindowsView::~WindowsView() = default;

void WindowsView::Add(const Contact& c, const std::string& prefix, const std::string& continent) {
  stats::QsoInput qso;
  qso.ownCall = c.own_call;
  qso.call = c.call;
  qso.time = {stats::MakeOleDate(c.year, c.month, c.day, c.hour, c.minute, c.second),
              COleDateTime::kValid};
  qso.freqHz = c.freq_hz;
  qso.mode = c.mode;
  qso.rstSent = c.rst_sent;
  qso.rstRcvd = c.rst_rcvd;
  qso.exchSent = c.exch_sent;
  qso.exchRcvd = c.exch_rcvd;
  qso.prefix = prefix;
  qso.continent = continent;
  qso.band = c.band;
  NoFiles files;
  stats::AddQso(*contest_, files, qso);
}

std::string WindowsView::Describe(const std::string& call, const std::string& band) {
  stats::SortBands(contest_->g_Bands);
  stats::ComputeScore(*contest_);  // the lists the windows show come from a result
  std::mutex lock;
  const double hertz = HertzOf(band);
  Capture grid, list;
  EnteredCall typing(call, hertz), idle("", hertz);
  stats::RefreshInfoWindows(lock, *contest_, *state_, &typing, grid);
  stats::RefreshInfoWindows(lock, *contest_, *state_, &idle, list);

  std::string out = "DXCC window \"" + grid.dxccTitle + "\":\n";
  out += "      band  TIME   MODE  COUNTY/NR\n";
  for (int slot = 0; slot < stats::kBandSlots; ++slot) {
    const auto& row = grid.picture.rows[slot];
    char line[128];
    std::snprintf(line, sizeof line, "  %s %-5s %-6s %-5s %s\n",
                  slot == grid.picture.slot ? ">>" : "  ", row[0].c_str(), row[1].c_str(),
                  row[2].c_str(), row[3].c_str());
    out += line;
  }
  out += "Romania County window \"" + grid.countyTitle + "\":\n  ticked:";
  int ticked = 0;
  for (std::size_t i = 0; i < stats::kCountyBoxes.size(); ++i) {
    if (!grid.flags[i]) continue;
    out += std::string(" ") + stats::kCountyBoxes[i].code;
    ++ticked;
  }
  out += (ticked ? "" : " none") + std::string(" (") + std::to_string(ticked) + " of 42)\n";
  out += "DXCC window with no call entered \"" + list.dxccTitle + "\":\n ";
  for (const std::string& prefix : list.picture.bandList) out += " " + prefix;
  out += list.picture.bandList.empty() ? " none\n" : "\n";
  return out;
}

}  // namespace yodx
