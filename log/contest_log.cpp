#include "log/contest_log.h"

#include <algorithm>
#include <new>

#include "log/hash_slots.h"

namespace stats {

const std::array<const char*, kBandSlots> kSlotBands = {"160m", "80m", "40m", "20m", "15m", "10m"};

const std::array<const char*, 42> g_CountyCodes = {
    "AB", "AR", "AG", "BC", "BH", "BN", "BT", "BV", "BR", "BU", "BZ", "CS", "CL", "CJ",
    "CT", "CV", "DB", "DJ", "GL", "GR", "GJ", "HR", "HD", "IF", "IL", "IS", "MM", "MH",
    "MS", "NT", "OT", "PH", "SM", "SJ", "SB", "SV", "TR", "TM", "TL", "VS", "VL", "VN"};

CInfoView::CInfoView(const CInfo& info)
    : m_strCall(info.m_strCall),
      m_strPrefix(info.m_strPrefix),
      m_strContinent(info.m_strContinent),
      m_strBand(info.m_strBand),
      m_strMode(info.m_strMode),
      m_strRstRcvd(info.m_strRstRcvd),
      m_strRstSent(info.m_strRstSent),
      m_strExchRcvd(info.m_strExchRcvd),
      m_strExchSent(info.m_strExchSent),
      m_strCounty(info.m_strCounty),
      m_nFreq(info.m_nFreq),
      m_bDupe(info.m_bDupe),
      m_time(info.m_time) {}

CInfo ToInfo(const CInfoView& view) {
  CInfo info;
  info.m_strCall = view.m_strCall;
  info.m_strPrefix = view.m_strPrefix;
  info.m_strContinent = view.m_strContinent;
  info.m_strBand = view.m_strBand;
  info.m_strMode = view.m_strMode;
  info.m_strRstRcvd = view.m_strRstRcvd;
  info.m_strRstSent = view.m_strRstSent;
  info.m_strExchRcvd = view.m_strExchRcvd;
  info.m_strExchSent = view.m_strExchSent;
  info.m_strCounty = view.m_strCounty;
  info.m_nFreq = view.m_nFreq;
  info.m_bDupe = view.m_bDupe;
  info.m_time = view.m_time;
  return info;
}

void ContestLog::CountIn(const Entry& entry, int delta) {
  if (!entry.counted()) return;
  const auto step = [delta](uint32_t& count) {
    count = delta > 0 ? count + 1 : count > 0 ? count - 1 : 0;
  };
  step(counted_prefix_.At(PairKey(entry.band, entry.prefix)));
  if (entry.county != TextPool::kEmpty) step(counted_county_.At(PairKey(entry.band, entry.county)));
}

void ContestLog::MakeRoomToCount(const Entry& entry) {
  // At() adds a missing key as 0; done before a change, an allocation that
  // fails leaves the log as it was instead of a contact linked but uncounted.
  counted_prefix_.At(PairKey(entry.band, entry.prefix));
  if (entry.county != TextPool::kEmpty) counted_county_.At(PairKey(entry.band, entry.county));
}

std::size_t ContestLog::Append(const CInfoView& qso) {
  Entry entry;
  entry.when = qso.m_time.m_dt;
  entry.when_status = qso.m_time.m_status;
  entry.khz = qso.m_nFreq;
  entry.call = calls_.Intern(qso.m_strCall);
  entry.prefix = prefixes_.Intern(qso.m_strPrefix);
  entry.continent = continents_.Intern(qso.m_strContinent);
  entry.band = bands_.Intern(qso.m_strBand);
  entry.mode = modes_.Intern(qso.m_strMode);
  entry.rst_rcvd = texts_.Intern(qso.m_strRstRcvd);
  // Most contacts give the report they get.
  entry.rst_sent =
      qso.m_strRstSent == qso.m_strRstRcvd ? entry.rst_rcvd : texts_.Intern(qso.m_strRstSent);
  entry.exch_rcvd = texts_.Intern(qso.m_strExchRcvd);
  entry.exch_sent = texts_.Intern(qso.m_strExchSent);
  entry.county = counties_.Intern(qso.m_strCounty);
  entry.next_same_ = kNone;
  entry.removed_ = false;

  // Everything that allocates comes before the first link, so that a failed
  // allocation leaves the log unchanged.
  if (entries_.size() == entries_.capacity()) {
    entries_.reserve(std::max<std::size_t>(64, 2 * entries_.size()));
  }
  MakeRoomToCount(entry);
  const auto at = static_cast<uint32_t>(entries_.size());
  std::size_t earlier = 0;
  if (Series* series = series_.Find(entry.call, entry.band, entry.mode)) {
    for (uint32_t i = series->first; i != kNone; i = entries_[i].next_same_) ++earlier;
    entries_[series->last].next_same_ = at;
    series->last = at;
  } else {
    series_.Add(entry.call, entry.band, entry.mode, at);
  }
  entry.dupe = earlier > 0;
  entries_.push_back(entry);
  CountIn(entry, +1);
  return earlier;
}

bool ContestLog::FindKey(std::string_view call, std::string_view band, std::string_view mode,
                         SeriesKey* key) const {
  key->call = calls_.Find(call);
  if (key->call == TextPool::kAbsent) return false;
  key->band = bands_.Find(band);
  key->mode = modes_.Find(mode);
  return key->band != TextPool::kAbsent && key->mode != TextPool::kAbsent;
}

const Series* ContestLog::FindSeries(std::string_view call, std::string_view band,
                                     std::string_view mode) const {
  SeriesKey key;
  return FindKey(call, band, mode, &key) ? series_.Find(key.call, key.band, key.mode) : nullptr;
}

std::size_t ContestLog::CountSameQso(std::string_view call, std::string_view band,
                                     std::string_view mode) const {
  const Series* series = FindSeries(call, band, mode);
  std::size_t count = 0;
  for (uint32_t i = series ? series->first : kNone; i != kNone; i = entries_[i].next_same_) {
    ++count;
  }
  return count;
}

bool ContestLog::HasSameQso(std::string_view call, std::string_view band,
                            std::string_view mode) const {
  return FindSeries(call, band, mode) != nullptr;
}

bool ContestLog::RemoveEarliest(std::string_view call, std::string_view band, std::string_view mode,
                                CInfo* removed) {
  SeriesKey key;
  Series* series =
      FindKey(call, band, mode, &key) ? series_.Find(key.call, key.band, key.mode) : nullptr;
  if (series == nullptr) return false;
  Entry& entry = entries_[series->first];
  if (removed != nullptr) *removed = ToInfo(View(entry));
  if (entry.next_same_ != kNone) MakeRoomToCount(entries_[entry.next_same_]);
  CountIn(entry, -1);
  if (entry.next_same_ != kNone) {
    // The next entry of the series is now the earliest: no longer a duplicate.
    Entry& next = entries_[entry.next_same_];
    CountIn(next, -1);
    next.dupe = false;
    CountIn(next, +1);
    series->first = entry.next_same_;
  } else {
    series_.Erase(entry.call, entry.band, entry.mode);
  }
  entry.removed_ = true;
  entry.next_same_ = kNone;
  ++removed_;
  if (removed_ > size()) Compact();
  return true;
}

void ContestLog::Compact() {
  // Entries keep their order; a link always points to a later entry that is
  // kept (only the earliest of a series is ever removed). Compacting only
  // saves room: without the room for the new positions, it waits for a
  // later removal.
  std::vector<uint32_t> moved;
  try {
    moved.assign(entries_.size(), kNone);
  } catch (const std::bad_alloc&) {
    return;
  }
  uint32_t kept = 0;
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].removed_) continue;
    moved[i] = kept;
    entries_[kept++] = entries_[i];
  }
  entries_.resize(kept);
  for (Entry& entry : entries_) {
    if (entry.next_same_ != kNone) entry.next_same_ = moved[entry.next_same_];
  }
  series_.RenumberAll([&](uint32_t at) { return moved[at]; });
  removed_ = 0;
}

std::size_t ContestLog::CountedWithPrefix(std::string_view band, std::string_view prefix) const {
  const uint32_t bandId = bands_.Find(band), prefixId = prefixes_.Find(prefix);
  if (bandId == TextPool::kAbsent || prefixId == TextPool::kAbsent) return 0;
  return counted_prefix_.Get(PairKey(bandId, prefixId));
}

std::size_t ContestLog::CountedWithCounty(std::string_view band, std::string_view county) const {
  const uint32_t bandId = bands_.Find(band), countyId = counties_.Find(county);
  if (bandId == TextPool::kAbsent || countyId == TextPool::kAbsent) return 0;
  return counted_county_.Get(PairKey(bandId, countyId));
}

CInfoView ContestLog::View(const Entry& entry) const {
  CInfoView view;
  view.m_strCall = calls_.Text(entry.call);
  view.m_strPrefix = prefixes_.Text(entry.prefix);
  view.m_strContinent = continents_.Text(entry.continent);
  view.m_strBand = bands_.Text(entry.band);
  view.m_strMode = modes_.Text(entry.mode);
  view.m_strRstRcvd = texts_.Text(entry.rst_rcvd);
  view.m_strRstSent = texts_.Text(entry.rst_sent);
  view.m_strExchRcvd = texts_.Text(entry.exch_rcvd);
  view.m_strExchSent = texts_.Text(entry.exch_sent);
  view.m_strCounty = counties_.Text(entry.county);
  view.m_nFreq = entry.khz;
  view.m_bDupe = entry.dupe ? 1 : 0;
  view.m_time = COleDateTime{entry.when, entry.when_status};
  return view;
}

void ContestLog::Clear() {
  // The host replays the log after every reset: keep room for as many
  // entries as the log held, and give back what is far beyond that.
  const std::size_t held = size();
  ClearKeepingRoom(entries_, held, 2 * held + 64);
  removed_ = 0;
  series_.Clear();
  counted_prefix_.Clear();
  counted_county_.Clear();
  for (TextPool* pool :
       {&calls_, &prefixes_, &continents_, &bands_, &modes_, &counties_, &texts_}) {
    pool->Clear();
  }
}

bool BandList::Contains(std::string_view band) const {
  // A contest has six bands: for a few names a scan costs less than a hash.
  if (names_.size() <= kScanned) {
    return std::find(names_.begin(), names_.end(), band) != names_.end();
  }
  const uint32_t id = lookup_.Find(band);
  return id != TextPool::kAbsent && (id != TextPool::kEmpty || empty_listed_);
}

BandList::Pending BandList::Prepare(std::string_view band) const {
  Pending pending;
  if (Contains(band)) return pending;
  pending.name.assign(band.data(), band.size());
  pending.listed = true;
  return pending;
}

void BandList::MakeRoom(const Pending& pending) {
  if (!pending.listed) return;
  if (names_.size() == names_.capacity())
    names_.reserve(std::max<std::size_t>(8, 2 * names_.size()));
  lookup_.MakeRoom(pending.name.size());
}

void BandList::Commit(Pending&& pending) noexcept {
  if (!pending.listed) return;
  // Neither allocates: MakeRoom made the room.
  lookup_.Intern(pending.name);
  if (pending.name.empty()) empty_listed_ = true;
  names_.push_back(std::move(pending.name));
}

bool BandList::Add(std::string_view band) {
  Pending pending = Prepare(band);
  MakeRoom(pending);
  const bool listed = pending.listed;
  Commit(std::move(pending));
  return listed;
}

void BandList::Clear() {
  names_.clear();
  lookup_.Clear();
  empty_listed_ = false;
}

int BandSlot(std::string_view band) {
  for (int slot = 0; slot < kBandSlots; ++slot) {
    if (band == kSlotBands[slot]) return slot;
  }
  return -1;
}

bool IsRomanianPrefix(std::string_view prefix) {
  return prefix == "YO" || prefix == "YP" || prefix == "YQ" || prefix == "YR";
}

bool IsWarcBand(std::string_view band) {
  return band == "30m" || band == "17m" || band == "12m";
}

bool IsCountyCode(std::string_view text) {
  // Every code is two letters.
  return text.size() == 2 &&
         std::any_of(g_CountyCodes.begin(), g_CountyCodes.end(),
                     [&](const char* code) { return text[0] == code[0] && text[1] == code[1]; });
}

std::string NormalizeCounty(std::string_view text) {
  // Trimming first gives the same text: upper-casing neither makes nor
  // removes a blank.
  const char* kBlanks = " \t\n\v\f\r";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = text.find_last_not_of(kBlanks);
  std::string out(text.substr(first, last - first + 1));
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string_view MapPrefix(std::string_view prefix) {
  if (prefix == "IT9" || prefix == "IG9" || prefix == "IH9") return "I";
  return prefix;
}

std::string CompactFields(std::string_view value) {
  const auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  std::string out;
  for (std::size_t i = 0; i < value.size();) {
    while (i < value.size() && blank(value[i])) ++i;
    const std::size_t start = i;
    while (i < value.size() && !blank(value[i])) ++i;
    if (i > start) {
      out += ' ';
      out.append(value, start, i - start);
    }
  }
  return out;
}

std::string GroupedNumber(unsigned long long n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace stats
