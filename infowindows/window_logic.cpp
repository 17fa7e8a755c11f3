#include "infowindows/window_logic.h"

#include <algorithm>
#include <cmath>

#include "hostlink/host_link.h"
#include "infowindows/window_state.h"
#include "platform/settings.h"
#include "scoring/contest.h"

namespace stats {

const std::array<CountyBox, 42> kCountyBoxes = {{
    {"AB", 1015}, {"AG", 1033}, {"AR", 1051}, {"BC", 1087}, {"BH", 1081}, {"BN", 1016},
    {"BR", 1034}, {"BT", 1052}, {"BU", 1088}, {"BV", 1082}, {"BZ", 1017}, {"CJ", 1035},
    {"CL", 1070}, {"CS", 1089}, {"CT", 1086}, {"CV", 1018}, {"DB", 1038}, {"DJ", 1069},
    {"GJ", 1053}, {"GL", 1071}, {"GR", 1019}, {"HD", 1036}, {"HR", 1054}, {"IF", 1090},
    {"IL", 1084}, {"IS", 1020}, {"MH", 1037}, {"MM", 1055}, {"MS", 1091}, {"NT", 1083},
    {"OT", 1021}, {"PH", 1039}, {"SB", 1073}, {"SJ", 1092}, {"SM", 1093}, {"SV", 1022},
    {"TL", 1040}, {"TM", 1074}, {"TR", 1056}, {"VL", 1072}, {"VN", 1094}, {"VS", 1095},
}};

const PositionKeys kCountyPositionKeys = {"oblast_x", "oblast_y", 0, 0};
const PositionKeys kDxccPositionKeys = {"dxcc_x", "dxcc_y", 10, 400};

BandAt BandFromFrequency(double hertz) {
  if (!std::isfinite(hertz)) return {-1, ""};
  const double megahertz = std::trunc(hertz / 1000000.0);
  const int whole[] = {1, 3, 7, 14, 21, 28};
  for (int slot = 0; slot < kBandSlots; ++slot) {
    if (megahertz == whole[slot]) return {slot, kSlotBands[slot]};
  }
  return {-1, ""};
}

std::string CountyWindowTitle(const std::string& band, std::size_t counties) {
  return "YO-DX CNT on " + band + " " + std::to_string(counties) + " of 20";
}

namespace {

// Steps 6 and 7 of a refresh, under the lock: the grid for the call.
void FillWorkedRows(const Contest& contest, InfoWindowState& state, const std::string& call) {
  for (std::vector<std::string>& row : state.g_WorkedRows) {
    // Rows get their cells from the first reset; until then they stay empty.
    if (row.size() < 4) continue;
    row[1] = "   -";
    row[2] = "   -";
    row[3] = " -";
  }
  if (call.empty()) return;
  const ContestLog& log = contest.g_Log;
  const uint32_t callId = log.calls().Find(call);
  if (callId == TextPool::kAbsent) return;
  // Later entries overwrite earlier ones of the same band.
  for (const ContestLog::Entry& entry : log.entries()) {
    if (entry.call != callId) continue;
    const CInfoView qso = log.View(entry);
    const int slot = BandSlot(qso.m_strBand);
    if (slot < 0 || state.g_WorkedRows[slot].size() < 4) continue;
    std::vector<std::string>& row = state.g_WorkedRows[slot];
    row[1] = FormatOleDate(qso.m_time, "%H:%M");
    row[2] = qso.m_strMode;
    row[3] = IsRomanianPrefix(qso.m_strPrefix) ? qso.m_strCounty : qso.m_strExchRcvd;
  }
}

// The picture of the state, under the lock held by the caller.
DxccPicture PictureOf(const Contest& contest, const InfoWindowState& state) {
  DxccPicture picture;
  picture.call = state.g_CurrentCall;
  picture.slot = state.g_CurrentBandSlot;
  if (picture.slot >= 0 && picture.slot < kBandSlots) {
    picture.bandList = contest.g_DxccByBand[picture.slot];
    std::sort(picture.bandList.begin(), picture.bandList.end());
  }
  for (int slot = 0; slot < kBandSlots; ++slot) {
    const std::vector<std::string>& row = state.g_WorkedRows[slot];
    for (std::size_t cell = 0; cell < 4 && cell < row.size(); ++cell) {
      picture.rows[slot][cell] = row[cell];
    }
  }
  return picture;
}

CountyFlags FlagsFor(const std::vector<std::string>& counties) {
  CountyFlags flags{};
  for (const std::string& county : counties) {
    for (std::size_t i = 0; i < kCountyBoxes.size(); ++i) {
      if (county == kCountyBoxes[i].code) flags[i] = 1;
    }
  }
  return flags;
}

// A failed call ends the refresh with the error box; a host that is only
// busy, closing or cancelled ends it quietly.
template <typename View>
void ReportHostError(const HostStatus& status, View& view) {
  if (!status.unavailable) view.ShowHostError(status.error);
}

}  // namespace

void RefreshInfoWindows(std::mutex& lock, Contest& contest, InfoWindowState& state,
                        HostConnection* host, InfoWindowView& view) {
  view.ShowDxccWindow();
  if (host == nullptr) return;

  std::string call;
  HostStatus status = host->GetField(5, &call);
  if (!status.ok) return ReportHostError(status, view);

  std::string year;
  {
    std::lock_guard<std::mutex> hold(lock);
    state.g_CurrentCall = call;
    if (call.size() == 1 || call.size() == 2) return;  // a call being started: nothing changes
    FillWorkedRows(contest, state, call);
    year = state.g_ContestYear;
  }
  if (!call.empty()) view.SetDxccTitle("YO-DX " + year + " worked with " + call);

  double hertz = 0;
  status = host->Frequency(&hertz);
  if (!status.ok) return ReportHostError(status, view);
  double lastSent;
  {
    std::lock_guard<std::mutex> hold(lock);
    lastSent = state.last_sp1_hz;
  }
  if (std::fabs(hertz - lastSent) > 300) {
    status = host->Command("<SP1>");
    if (!status.ok) return ReportHostError(status, view);
    std::lock_guard<std::mutex> hold(lock);
    state.last_sp1_hz = hertz;
  }

  const BandAt band = BandFromFrequency(hertz);
  DxccPicture picture;
  std::size_t counties = 0;
  CountyFlags flags{};
  {
    std::lock_guard<std::mutex> hold(lock);
    state.g_CurrentBandSlot = band.slot;
    if (band.slot >= 0) {
      const std::vector<std::string>& list = contest.g_CountyByBand[band.slot];
      counties = list.size();
      flags = FlagsFor(list);
      // The DXCC list of the band is kept in the order the window shows.
      std::vector<std::string>& dxcc = contest.g_DxccByBand[band.slot];
      std::sort(dxcc.begin(), dxcc.end());
    }
    picture = PictureOf(contest, state);
  }
  view.SetCountyTitle(CountyWindowTitle(band.name, counties));
  if (call.empty()) view.SetDxccTitle("YO-DX " + band.name);
  view.RepaintDxcc(picture);
  view.SetCountyFlags(flags);
}

DxccPicture CurrentDxccPicture(std::mutex& lock, const Contest& contest,
                               const InfoWindowState& state) {
  std::lock_guard<std::mutex> hold(lock);
  return PictureOf(contest, state);
}

LastPosition ReadWindowPosition(SettingsStore& settings, const PositionKeys& keys,
                                LastPosition* last) {
  LastPosition position;
  position.left = ReadSettingInt(settings, keys.x);
  position.top = ReadSettingInt(settings, keys.y);
  if (position.left == 0) position.left = keys.zeroLeft;
  if (position.top == 0) position.top = keys.zeroTop;
  *last = position;
  return position;
}

void SaveWindowPosition(SettingsStore& settings, const PositionKeys& keys, int64_t left,
                        int64_t top, LastPosition* last) {
  if (left != last->left) {
    last->left = left;
    WriteSettingInt(settings, keys.x, left);
  }
  if (top != last->top) {
    last->top = top;
    WriteSettingInt(settings, keys.y, top);
  }
}

void OpenCountyWindow(CountyWindowOpening& steps, SettingsStore& settings, LastPosition* last) {
  const LastPosition at = ReadWindowPosition(settings, kCountyPositionKeys, last);
  steps.PlaceAt(at.left, at.top);
  steps.CreateBrush();
  steps.ArmRefresh(kOpeningRefresh);
  steps.SetIcon();
}

void ConnectCountyWindow(CountyWindowOpening& steps) {
  HostConnection* host = steps.AttachHost();
  if (host == nullptr) return;
  for (const char* command : {"<MODE:CW>", "<BAUDRATE:27>"}) {
    const HostStatus status = host->Command(command);
    if (!status.ok) return ReportHostError(status, steps);
  }
}

}  // namespace stats
