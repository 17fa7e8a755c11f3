#include "tools/contest/rules.h"

#include <algorithm>
#include <iterator>

#include "log/contest_log.h"
#include "tools/contest/text.h"

namespace yodx {

void ContestPeriod(int year, UtcSeconds* start, UtcSeconds* end) {
  int sunday = 31;
  while (Weekday(year, 8, sunday) != 1) --sunday;
  *start = ToUtcSeconds(year, 8, sunday - 1, 12, 0, 0);
  *end = ToUtcSeconds(year, 8, sunday, 11, 59, 59);
}

bool IsContestBand(std::string_view band) {
  return std::find(std::begin(kContestBands), std::end(kContestBands), band) !=
         std::end(kContestBands);
}

bool IsContestMode(std::string_view mode) {
  return mode == "CW" || mode == "SSB";
}

bool IsRomanian(const CtyMatch& where) {
  return where.found() && stats::IsRomanianPrefix(where.prefix);
}

namespace {

// The DXCC country of an entity of the country file: its primary prefix, or
// for the entities that count only for the WAE award (Sicily, Shetland, ...)
// the prefix of the DXCC country they belong to ("IT9" -> "I").
std::string DxccCountry(const CtyMatch& where) {
  if (!where.found()) return "";
  if (!where.entity->wae_only) return where.prefix;
  // The WAE-only entities of the country file, each part of one DXCC country.
  static const std::pair<std::string_view, std::string_view> kParts[] = {
      {"IT9", "I"}, {"IG9", "I"}, {"GM/s", "GM"}, {"JW/b", "JW"}, {"4U1V", "OE"}, {"TA1", "TA"}};
  for (const auto& [part, country] : kParts) {
    if (where.prefix == part) return std::string(country);
  }
  return where.prefix;
}

}  // namespace

Station PlaceStation(const CtyFile& countries, const std::string& call) {
  const CtyMatch where = countries.Lookup(call);
  return {where.prefix, DxccCountry(where), where.continent, IsRomanian(where)};
}

std::string CountyCode(std::string_view exchange) {
  std::string code = stats::NormalizeCounty(exchange);
  return stats::IsCountyCode(code) ? code : std::string();
}

bool IsSerialNumber(std::string_view exchange) {
  exchange = Trim(exchange);
  if (!AllDigits(exchange) || exchange.size() > 6) return false;
  return exchange.find_first_not_of('0') != std::string_view::npos;
}

std::string ComparableExchange(std::string_view exchange) {
  exchange = Trim(exchange);
  std::string out;
  out.reserve(exchange.size());
  for (size_t i = 0; i < exchange.size();) {
    if (!IsDigit(exchange[i])) {
      out += ToUpper(exchange[i++]);
      continue;
    }
    // A number by its value: its leading zeros go, all but the last of "000".
    size_t end = i;
    while (end < exchange.size() && IsDigit(exchange[end])) ++end;
    while (i + 1 < end && exchange[i] == '0') ++i;
    out.append(exchange.substr(i, end - i));
    i = end;
  }
  return out;
}

}  // namespace yodx
