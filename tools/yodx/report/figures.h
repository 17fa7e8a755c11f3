// The figures of an operator's weekend that report writes and draws: the
// contacts of each hour by band, the best rates, the breaks, the counties
// worked and missing, the multipliers as they came in, the continents and
// countries, the share of contacts made while running, and the score as the
// plug-in claims it beside the organiser's count.
//
// Everything is read to the minute, as a Cabrillo log writes the time, so
// that the same log as ADIF (with seconds) and as Cabrillo gives the same
// figures. Rates, hours and breaks count every contact of the period, dupes
// and contacts that score nothing included: they measure activity.
#ifndef YODX_REPORT_FIGURES_H_
#define YODX_REPORT_FIGURES_H_

#include <array>
#include <string>
#include <vector>

#include "tools/contest/contact.h"
#include "tools/contest/count.h"
#include "tools/contest/cty.h"
#include "tools/contest/dates.h"

namespace yodx {
namespace report {

// The windows of the best rates, in minutes.
constexpr int kRateMinutes[] = {10, 30, 60};
// A gap between two contacts this long or longer is a break.
constexpr int kBreakMinutes = 15;
// How far a run's contacts may lie from its first one's frequency, in Hz:
// SSB, and every other mode.
constexpr unsigned kRunSpreadSsbHz = 4000, kRunSpreadHz = 2000;
// A run has at least this many contacts in a row.
constexpr int kRunContacts = 3;
// The longest period a report covers, in hours.
constexpr int kMaxHours = 7 * 24;

struct Hour {
  UtcSeconds start = 0;
  std::vector<int> bands;  // contacts on each band of Figures::bands
  int total = 0;
  int run = 0;                 // of them, made while running
  int dxcc = 0, counties = 0;  // the multipliers at the end of the hour, all bands together
};

// The most contacts in MINUTES consecutive minutes [start, start + MINUTES),
// over the windows that begin at a contact's minute; the earliest wins a tie.
struct Rate {
  int minutes = 0;
  int qsos = 0;
  UtcSeconds start = 0;  // when qsos > 0
};

// A gap of kBreakMinutes or more between two contacts' minutes, or between
// the period's start and the first contact's, or the last contact's and the
// minute after the period's end.
struct Break {
  UtcSeconds from = 0, to = 0;
  int minutes = 0;
};

struct Country {
  std::string country;  // the DXCC country's prefix
  int qsos = 0;
};

// Where the contacts of one band went: per continent of kContinents, then
// the stations the country file does not place; and the ten countries most
// worked, most first, then by prefix.
struct BandPlaces {
  std::array<int, 7> continents{};
  std::vector<Country> countries;
};
constexpr int kUnplaced = 6;

// The county codes worked on a contest band, and the others, both in
// alphabetical order.
struct BandCounties {
  std::string band;
  std::vector<std::string> worked, missing;
};

struct Figures {
  std::string own_call;
  bool period_known = false;  // false only for a log without a contact and no period given
  UtcSeconds start = 0, end = 0;
  int period_minutes = 0;          // the minutes that begin within the period
  int qsos = 0;                    // contacts in the period
  int outside = 0;                 // contacts of the log outside it
  UtcSeconds first = 0, last = 0;  // the first and last contact's minute in the period

  std::vector<std::string> bands;  // the bands worked in the period, lowest first
  std::vector<Hour> hours;         // each clock hour of the period
  std::vector<int> tens;           // contacts in each ten minutes of those hours
  std::vector<Rate> best;          // one per kRateMinutes
  std::vector<Break> breaks;
  int on_time_minutes = 0;         // the period less the breaks; 0 without a contact
  bool has_frequencies = false;    // a contact of the period has one, so runs are known
  std::vector<BandPlaces> places;  // one per band of `bands`

  // The organiser's count: none, and why, when the log's own station is
  // unknown or the country file cannot place it.
  bool counted = false;
  std::string not_counted;
  std::vector<BandCounties> counties;  // the five contest bands
  Claim claim;

  // The breaks together: the period less the on-time.
  int break_minutes() const { return period_minutes - on_time_minutes; }
};

struct Period {
  bool given = false;
  UtcSeconds start = 0, end = 0;
};

// The figures of CONTACTS (their order does not matter), made by the
// station OWN_CALL, over PERIOD or, when none is given, the contest period
// of the year of the first contact.
Figures ComputeFigures(std::vector<Contact> contacts, const std::string& own_call,
                       const CtyFile& countries, const Period& period);

// PART of WHOLE in whole per cent, a half rounded up; WHOLE above 0.
inline long long Percent(long long part, long long whole) {
  return (200 * part + whole) / (2 * whole);
}

// "2021-08-28T12:00Z".
std::string IsoMinute(UtcSeconds t);

// What one of the plug-in's own rules does that the organiser does not, in
// words: "the plug-in counts the contacts on 160 m, not a contest band".
std::string Explanation(const ClaimStep& step);

}  // namespace report
}  // namespace yodx

#endif  // YODX_REPORT_FIGURES_H_
