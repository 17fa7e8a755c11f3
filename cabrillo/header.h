// The Cabrillo header as the operator edits it: the values the header dialog
// opens with, loaded from the settings file, and what an answer does with
// them. The dialog itself is a seam (cabrillo/header_dialog.h); the plug-in's
// reset shows it with the module lock released.
#ifndef STATS_CABRILLO_HEADER_H_
#define STATS_CABRILLO_HEADER_H_

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_log.h"

namespace stats {

class SettingsStore;

// One text per control of the header dialog.
struct HeaderForm {
  std::string contest, callsign, claimed;
  std::string catOperator, catBand, catMode, catPower, catTransmitter;
  std::string location, name, address, city, postalCode, country;
  std::string operators, club, soapBox, email;
};

// A control of the header dialog: its identifier, the form text it shows,
// and for a drop-down combo its list entries.
// A fixed list of texts, constant-initialised: the table below needs no
// allocation when the library loads.
struct TextList {
  const char* const* first = nullptr;
  std::size_t count = 0;
  const char* const* begin() const { return first; }
  const char* const* end() const { return first + count; }
  bool empty() const { return count == 0; }
};

struct HeaderControl {
  int id;
  const char* label;
  std::string HeaderForm::*text;
  TextList entries;  // empty for an edit box
};
extern const std::array<HeaderControl, 18> kHeaderControls;

// The form text of a control, or nullptr for an unknown identifier.
std::string* HeaderText(HeaderForm& form, int id);

// What the dialog opens with, and the "Power" text held for the answer.
struct HeaderSession {
  HeaderForm form;
  std::string power;
};

// Fills the header from the call sign and the settings file (file base,
// stored texts, the fixed opening values, the comment's line breaks
// restored) and returns the form the dialog opens with.
HeaderSession LoadHeader(CCabrilloLog& log, SettingsStore& settings, const std::string& callsign);

// The operator pressed OK on the form: the answers go into the header, the
// 14 keys are written in their fixed order, the multi-line values are put in
// continuation form and the QSO lines are emptied.
void ConfirmHeader(CCabrilloLog& log, SettingsStore& settings, const HeaderSession& answered);

// The operator cancelled: nothing is stored, and the loaded multi-line values
// are put in continuation form, so an export still writes only tagged lines.
void KeepLoadedHeader(CCabrilloLog& log);

}  // namespace stats

#endif  // STATS_CABRILLO_HEADER_H_
