#include "tests/reference/reference_engine.h"

#include <cstddef>
#include <utility>

#include "log/ole_date.h"

namespace stats {
namespace reference {
namespace {

const char* const kCountyCodes[42] = {
    "AB", "AR", "AG", "BC", "BH", "BN", "BT", "BV", "BR", "BU", "BZ", "CS", "CL", "CJ",
    "CT", "CV", "DB", "DJ", "GL", "GR", "GJ", "HR", "HD", "IF", "IL", "IS", "MM", "MH",
    "MS", "NT", "OT", "PH", "SM", "SJ", "SB", "SV", "TR", "TM", "TL", "VS", "VL", "VN"};

const char* const kSlotBands[6] = {"160m", "80m", "40m", "20m", "15m", "10m"};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool SameQso(const CInfo& entry, const std::string& call, const std::string& band,
             const std::string& mode) {
  return entry.m_strCall == call && entry.m_strBand == band && entry.m_strMode == mode;
}

bool Counted(const CInfo& entry) {
  return entry.m_bDupe == 0 && !entry.m_strCall.empty();
}

bool Contains(const std::vector<std::string>& list, const std::string& text) {
  for (const std::string& item : list) {
    if (item == text) return true;
  }
  return false;
}

// One report line: the QSO's columns joined by two blanks, then the message.
std::string ReportLine(const QsoInput& qso, const std::string& when, const std::string* county,
                       const char* message) {
  std::string line = "QSO:  " + std::to_string(qso.freqHz / 1000);
  line += "  " + qso.mode;
  line += "  " + when;
  line += "  " + qso.ownCall;
  line += "  " + qso.rstSent;
  line += "  " + qso.exchSent;
  line += "  " + qso.call;
  line += "  " + qso.rstRcvd;
  line += "  " + qso.exchRcvd;
  if (county != nullptr) line += "  " + *county;
  line += message;
  line += "\r\n";
  return line;
}

}  // namespace

bool IsRomanianPrefix(const std::string& prefix) {
  return prefix == "YO" || prefix == "YP" || prefix == "YQ" || prefix == "YR";
}

bool IsCountyCode(const std::string& text) {
  for (const char* code : kCountyCodes) {
    if (text == code) return true;
  }
  return false;
}

std::string NormalizeCounty(const std::string& text) {
  std::string upper;
  for (char c : text) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  std::size_t begin = 0;
  while (begin < upper.size() && IsBlank(upper[begin])) ++begin;
  std::size_t end = upper.size();
  while (end > begin && IsBlank(upper[end - 1])) --end;
  return upper.substr(begin, end - begin);
}

std::string StoredPrefix(const std::string& prefix) {
  if (prefix == "IT9" || prefix == "IG9" || prefix == "IH9") return "I";
  return prefix;
}

int BandSlot(const std::string& band) {
  for (int slot = 0; slot < 6; ++slot) {
    if (band == kSlotBands[slot]) return slot;
  }
  return -1;
}

void Engine::StartReport() {
  reportExists = true;
  report = "YO DX HF Contest UBN file \r\n";
  reportOpened = true;
}

void Engine::Reset(const std::string& prefix, const std::string& continent) {
  log.clear();
  bands.clear();
  ownPrefix = prefix;
  ownContinent = continent;
  StartReport();
}

int Engine::AddQso(const QsoInput& qso) {
  const std::string when = FormatOleDate(qso.time, "%Y-%m-%d %H%M");
  std::string lines;
  // The report is opened for every contact, but only a contact with lines to
  // write, or the first one since load without a reset, touches the file.
  auto finish = [&](int result) {
    if (!lines.empty() || !reportOpened) {
      reportExists = true;
      report += lines;
      reportOpened = true;
    }
    return result;
  };

  if (qso.band == "30m" || qso.band == "17m" || qso.band == "12m") {
    lines += ReportLine(qso, when, nullptr, "   NO CONTEST BAND !!!");
    return finish(0);
  }
  if (qso.mode != "CW" && qso.mode != "SSB") {
    lines += ReportLine(qso, when, nullptr, "   NO CONTEST MODE !!!");
    return finish(0);
  }
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) {
    lines += ReportLine(qso, when, nullptr, "   NO RX NUMBER !!!");
    return finish(0);
  }

  if (!Contains(bands, qso.band)) bands.push_back(qso.band);

  CInfo record;
  record.m_strCall = qso.call;
  record.m_strBand = qso.band;
  record.m_strMode = qso.mode;
  record.m_strContinent = qso.continent;
  record.m_strRstSent = qso.rstSent;
  record.m_strRstRcvd = qso.rstRcvd;
  record.m_strExchSent = qso.exchSent;
  record.m_strExchRcvd = qso.exchRcvd;
  record.m_nFreq = static_cast<int32_t>(qso.freqHz / 1000);
  record.m_time = qso.time;
  record.m_bDupe = 0;
  record.m_strPrefix = StoredPrefix(qso.prefix);

  if (IsRomanianPrefix(qso.prefix)) {
    const std::string county = NormalizeCounty(qso.exchRcvd);
    if (IsCountyCode(county)) {
      record.m_strCounty = county;
    } else {
      lines += ReportLine(qso, when, &county, "  Romanian Code Area is not acceptable !!!");
    }
  }

  for (const CInfo& entry : log) {
    if (SameQso(entry, qso.call, qso.band, qso.mode)) {
      record.m_bDupe = 1;
      lines += ReportLine(qso, when, nullptr, "   DUPE !!!");
    }
  }

  log.push_back(record);
  return finish(1);
}

int Engine::RemoveQso(const QsoInput& qso) {
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) return 0;

  std::size_t found = 0;
  while (found < log.size() && !SameQso(log[found], qso.call, qso.band, qso.mode)) ++found;
  if (found == log.size()) return 1;
  log.erase(log.begin() + static_cast<std::ptrdiff_t>(found));

  // The host's log no longer holds the earlier contact: the next one of the
  // same call, band and mode scores from now on.
  for (std::size_t i = found; i < log.size(); ++i) {
    if (SameQso(log[i], qso.call, qso.band, qso.mode)) {
      log[i].m_bDupe = 0;
      break;
    }
  }

  if (!IsRomanianPrefix(qso.prefix)) return 1;
  const int slot = BandSlot(qso.band);
  if (slot < 0) return 1;
  const std::string county = NormalizeCounty(qso.exchRcvd);
  if (!IsCountyCode(county)) return 1;
  for (const CInfo& entry : log) {
    if (Counted(entry) && entry.m_strBand == qso.band && entry.m_strCounty == county) return 1;
  }
  std::vector<std::string>& list = countyByBand[slot];
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == county) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  return 1;
}

int Engine::CheckCall(const CallCheckInput& candidate) const {
  for (const CInfo& entry : log) {
    if (SameQso(entry, candidate.call, candidate.band, candidate.mode)) return 0;
  }

  const std::string prefix = StoredPrefix(candidate.prefix);
  bool newPrefix = true;
  for (const CInfo& entry : log) {
    if (Counted(entry) && entry.m_strBand == candidate.band && entry.m_strPrefix == prefix) {
      newPrefix = false;
    }
  }
  if (!IsRomanianPrefix(candidate.prefix)) return newPrefix ? 2 : 1;

  const std::string county = NormalizeCounty(candidate.county);
  bool newCounty = IsCountyCode(county);
  for (const CInfo& entry : log) {
    if (Counted(entry) && entry.m_strBand == candidate.band && entry.m_strCounty == county) {
      newCounty = false;
    }
  }
  return newPrefix || newCounty ? 2 : 1;
}

int Engine::IsValidExchange(const std::string& exchange, const std::string& prefix) {
  if (exchange == "599") return 0;
  if (IsRomanianPrefix(prefix)) return exchange.size() == 2 && IsCountyCode(exchange) ? 1 : 0;
  if (exchange.size() < 1 || exchange.size() > 4) return 0;
  for (char c : exchange) {
    if (!(c >= '0' && c <= '9')) return 0;
  }
  return 1;
}

Score Engine::ComputeScore() {
  Score score;
  for (const std::string& band : bands) {
    const int slot = BandSlot(band);
    if (slot >= 0) {
      dxccByBand[slot].clear();
      countyByBand[slot].clear();
    }
    std::vector<std::string> prefixes;
    std::vector<std::string> counties;
    BandTally tally;
    int32_t romanian = 0, own = 0, sameContinent = 0, otherContinent = 0;
    for (const CInfo& entry : log) {
      if (entry.m_strBand != band || entry.m_strCall.empty() || entry.m_bDupe != 0) continue;
      ++tally.qsos;
      if (IsRomanianPrefix(entry.m_strPrefix)) {
        ++romanian;
      } else if (entry.m_strPrefix == ownPrefix) {
        ++own;
      } else if (entry.m_strContinent == ownContinent) {
        ++sameContinent;
      } else {
        ++otherContinent;
      }
      if (!Contains(prefixes, entry.m_strPrefix)) {
        prefixes.push_back(entry.m_strPrefix);
        if (slot >= 0) dxccByBand[slot].push_back(entry.m_strPrefix);
        ++tally.dxcc;
      }
      if (!entry.m_strCounty.empty() && !Contains(counties, entry.m_strCounty)) {
        counties.push_back(entry.m_strCounty);
        if (slot >= 0) countyByBand[slot].push_back(entry.m_strCounty);
        ++tally.counties;
      }
    }
    tally.points = 1 * own + 2 * sameContinent + 4 * otherContinent + 8 * romanian;
    score.points += tally.points;
    score.dxcc += tally.dxcc;
    score.counties += tally.counties;
    score.bands.push_back(tally);
  }
  score.score = score.points * (score.dxcc + score.counties);
  claimedScore = score.score;
  return score;
}

}  // namespace reference
}  // namespace stats
