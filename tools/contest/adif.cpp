#include "tools/contest/adif.h"

#include <array>

#include "tools/contest/text.h"

namespace yodx {

namespace {

// The fields a contact is built from; everything else in a record is ignored.
enum Field {
  kCall,
  kQsoDate,
  kTimeOn,
  kFreq,
  kBand,
  kMode,
  kSubmode,
  kRstSent,
  kRstRcvd,
  kStx,
  kStxString,
  kSrx,
  kSrxString,
  kStationCallsign,
  kOperator,
  kFieldCount
};

constexpr const char* kFieldNames[kFieldCount] = {
    "CALL",       "QSO_DATE",         "TIME_ON",  "FREQ", "BAND",       "MODE",
    "SUBMODE",    "RST_SENT",         "RST_RCVD", "STX",  "STX_STRING", "SRX",
    "SRX_STRING", "STATION_CALLSIGN", "OPERATOR"};

int FieldIndex(std::string_view name) {
  for (int i = 0; i < kFieldCount; ++i) {
    if (EqualsNoCase(name, kFieldNames[i])) return i;
  }
  return -1;
}

struct Record {
  std::array<std::string, kFieldCount> value;
  std::array<bool, kFieldCount> present{};
  int line = 0;          // line of the first tag
  bool any_tag = false;  // has seen at least one field
  bool bad = false;      // a field could not be read

  void Clear() { *this = Record(); }
};

class Parser {
 public:
  Parser(const std::string& text, const std::string& file, LogData* out)
      : text_(text), file_(file), out_(out) {}

  void Run();

 private:
  int LineAt(size_t pos);
  void Report(int line, const std::string& field, const std::string& message) {
    out_->Diagnose({file_, line, field, message});
  }
  void FinishRecord();
  bool BuildContact(const Record& r, Contact* c);

  const std::string& text_;
  const std::string& file_;
  LogData* out_;
  size_t line_pos_ = 0;  // LineAt's cursor: line_ is the line of line_pos_
  int line_ = 1;
  Record rec_;
};

int Parser::LineAt(size_t pos) {
  // Positions only move forward, so counting from the last one is linear overall.
  for (; line_pos_ < pos && line_pos_ < text_.size(); ++line_pos_) {
    if (text_[line_pos_] == '\n') ++line_;
  }
  return line_;
}

void Parser::Run() {
  size_t pos = 0;
  // A file that starts with anything but a tag has a header, up to <EOH>. One
  // that starts with a tag has none; if an <EOH> still follows, the fields
  // before it are dropped as header fields.
  if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos < text_.size() && IsBlank(text_[pos])) ++pos;
  bool in_header = pos < text_.size() && text_[pos] != '<';
  while (true) {
    const size_t lt = text_.find('<', pos);
    if (lt == std::string::npos) break;
    const int line = LineAt(lt);
    // The tag runs to the next '>'; a '<' or a line end on the way means it is broken.
    size_t gt = lt + 1;
    while (gt < text_.size() && text_[gt] != '>' && text_[gt] != '<' && text_[gt] != '\n') ++gt;
    if (gt >= text_.size() || text_[gt] != '>') {
      if (!in_header) {
        Report(line, "", "malformed tag (no closing '>')");
        rec_.bad = true;
        if (rec_.line == 0) rec_.line = line;
        rec_.any_tag = true;
      }
      pos = lt + 1;
      continue;
    }
    const std::string_view inside(text_.data() + lt + 1, gt - lt - 1);
    pos = gt + 1;
    const size_t colon = inside.find(':');
    const std::string_view name = Trim(inside.substr(0, colon));
    if (colon == std::string_view::npos) {
      if (EqualsNoCase(name, "EOH")) {
        in_header = false;
        rec_.Clear();  // anything before <EOH> was header
      } else if (EqualsNoCase(name, "EOR")) {
        if (!in_header) FinishRecord();
      } else if (!in_header) {
        Report(line, std::string(name), "tag without a length");
      }
      continue;
    }
    const std::string_view rest = inside.substr(colon + 1);
    const std::string_view len_text = Trim(rest.substr(0, rest.find(':')));
    if (!in_header && rec_.line == 0) rec_.line = line;
    if (!in_header) rec_.any_tag = true;
    const std::string field_name = Upper(name);
    if (!AllDigits(len_text) || len_text.size() > 9) {
      if (!in_header) {
        Report(line, field_name, "bad length '" + std::string(len_text) + "'");
        rec_.bad = true;
      }
      continue;
    }
    const size_t len = std::stoul(std::string(len_text));
    if (len > text_.size() - pos) {
      if (!in_header) {
        Report(line, field_name,
               "length " + std::to_string(len) + " runs past the end of the file");
        rec_.bad = true;
      }
      break;  // nothing after it can be read
    }
    if (!in_header) {
      const int index = FieldIndex(name);
      if (index >= 0) {
        rec_.value[index] = text_.substr(pos, len);
        rec_.present[index] = true;
      }
    }
    pos += len;
  }
  if (rec_.any_tag) {
    Report(rec_.line, "", "record not closed by <EOR>");
    ++out_->skipped;
  }
}

void Parser::FinishRecord() {
  if (!rec_.any_tag) return;  // <EOR><EOR>: nothing to report
  Contact c;
  if (!BuildContact(rec_, &c) || rec_.bad) {
    ++out_->skipped;
  } else {
    out_->contacts.push_back(std::move(c));
  }
  rec_.Clear();
}

bool Parser::BuildContact(const Record& r, Contact* c) {
  bool ok = true;
  auto fail = [&](Field f, const std::string& message) {
    Report(r.line, kFieldNames[f], message);
    ok = false;
  };
  c->line = r.line;

  c->call = Upper(Trim(r.value[kCall]));
  if (c->call.empty()) {
    fail(kCall, "missing");
  } else if (!LooksLikeCall(c->call)) {
    fail(kCall, "'" + c->call + "' is not a call sign");
  }

  const std::string_view date = Trim(r.value[kQsoDate]);
  if (!r.present[kQsoDate] || date.empty()) {
    fail(kQsoDate, "missing");
  } else {
    bool good = date.size() == 8 && AllDigits(date);
    if (good) {
      c->year = std::stoi(std::string(date.substr(0, 4)));
      c->month = TwoDigits(date, 4);
      c->day = TwoDigits(date, 6);
      good = ValidDate(c->year, c->month, c->day);
    }
    if (!good) fail(kQsoDate, "'" + std::string(date) + "' is not a date YYYYMMDD");
  }

  const std::string_view time = Trim(r.value[kTimeOn]);
  if (!r.present[kTimeOn] || time.empty()) {
    fail(kTimeOn, "missing");
  } else {
    bool good = (time.size() == 4 || time.size() == 6) && AllDigits(time);
    if (good) {
      c->hour = TwoDigits(time, 0);
      c->minute = TwoDigits(time, 2);
      c->second = time.size() == 6 ? TwoDigits(time, 4) : 0;
      good = c->hour < 24 && c->minute < 60 && c->second < 60;
    }
    if (!good) fail(kTimeOn, "'" + std::string(time) + "' is not a time HHMM or HHMMSS");
  }

  const std::string freq(Trim(r.value[kFreq]));
  bool have_freq = false;
  if (!freq.empty()) {
    if (ParseMegahertz(freq, &c->freq_hz)) {
      have_freq = true;
    } else {
      fail(kFreq, "'" + freq + "' is not a frequency in MHz");
    }
  }
  c->band = Lower(Trim(r.value[kBand]));
  if (c->band.empty() && have_freq) {
    c->band = BandFromKhz(c->freq_hz / 1000.0);
    if (c->band.empty()) fail(kFreq, freq + " MHz lies outside the amateur bands");
  } else if (!c->band.empty() && !have_freq) {
    c->freq_hz = BandLowerEdgeKhz(c->band) * 1000u;
  } else if (c->band.empty() && freq.empty()) {
    fail(kBand, "missing, and no FREQ either");
  }

  std::string mode = Upper(Trim(r.value[kMode]));
  const std::string submode = Upper(Trim(r.value[kSubmode]));
  if (mode.empty()) {
    fail(kMode, "missing");
  } else if (mode == "SSB" || mode == "USB" || mode == "LSB" ||
             (mode == "PHONE" && (submode == "USB" || submode == "LSB"))) {
    mode = "SSB";
  }
  c->mode = mode;

  c->rst_sent = std::string(Trim(r.value[kRstSent]));
  c->rst_rcvd = std::string(Trim(r.value[kRstRcvd]));
  // The string forms carry county codes; the numeric ones plain serials.
  c->exch_sent =
      r.present[kStxString] && !r.value[kStxString].empty() ? r.value[kStxString] : r.value[kStx];
  c->exch_rcvd =
      r.present[kSrxString] && !r.value[kSrxString].empty() ? r.value[kSrxString] : r.value[kSrx];
  const std::string station = Upper(Trim(r.value[kStationCallsign]));
  c->own_call = !station.empty() ? station : Upper(Trim(r.value[kOperator]));
  return ok;
}

}  // namespace

bool ParseMegahertz(const std::string& text, uint32_t* hz) {
  return ParseDecimalHertz(text, 6, hz);
}

void ParseAdif(const std::string& text, const std::string& file_name, LogData* out) {
  out->format = LogFormat::kAdif;
  Parser(text, file_name, out).Run();
}

}  // namespace yodx
