#include "cabrillo/header.h"

#include <iterator>

#include "platform/settings.h"
#include "resources/resource.h"

namespace stats {

namespace {

constexpr const char* kOperatorEntries[] = {"SINGLE-OP", "MULTI-OP", "CHECKLOG"};
constexpr const char* kBandEntries[] = {"ALL", "80M", "40M", "20M", "15M", "10M"};
constexpr const char* kModeEntries[] = {"MIXED", "CW", "SSB"};
constexpr const char* kPowerEntries[] = {"HIGH", "LOW", "QRP"};
constexpr const char* kTransmitterEntries[] = {"ONE", "TWO", "UNLIMITED"};

}  // namespace

const std::array<HeaderControl, 18> kHeaderControls = {{
    {IDC_CONTEST, "CONTEST", &HeaderForm::contest, {}},
    {IDC_CALLSIGN, "CALLSIGN", &HeaderForm::callsign, {}},
    {IDC_CLAIMED, "CLAIMED", &HeaderForm::claimed, {}},
    {IDC_CAT_OPERATOR,
     "CATEGORY-OPERATOR",
     &HeaderForm::catOperator,
     {kOperatorEntries, std::size(kOperatorEntries)}},
    {IDC_CAT_BAND, "CATEGORY-BAND", &HeaderForm::catBand, {kBandEntries, std::size(kBandEntries)}},
    {IDC_CAT_MODE, "CATEGORY-MODE", &HeaderForm::catMode, {kModeEntries, std::size(kModeEntries)}},
    {IDC_CAT_POWER,
     "CATEGORY-POWER",
     &HeaderForm::catPower,
     {kPowerEntries, std::size(kPowerEntries)}},
    {IDC_CAT_TRANSMITTER,
     "CATEGORY-TRANSMITTER",
     &HeaderForm::catTransmitter,
     {kTransmitterEntries, std::size(kTransmitterEntries)}},
    {IDC_LOCATION, "LOCATION", &HeaderForm::location, {}},
    {IDC_NAME, "NAME", &HeaderForm::name, {}},
    {IDC_ADDRESS, "ADDRESS", &HeaderForm::address, {}},
    {IDC_CITY, "ADDRESS-CITY", &HeaderForm::city, {}},
    {IDC_POSTALCODE, "ADDRESS-POSTALCODE", &HeaderForm::postalCode, {}},
    {IDC_COUNTRY, "ADDRESS-COUNTRY", &HeaderForm::country, {}},
    {IDC_OPERATORS, "OPERATORS", &HeaderForm::operators, {}},
    {IDC_CLUB, "CLUB", &HeaderForm::club, {}},
    {IDC_SOAPBOX, "SOAPBOX", &HeaderForm::soapBox, {}},
    {IDC_EMAIL, "E-MAIL", &HeaderForm::email, {}},
}};

namespace {

// Line breaks as the settings file keeps them: CR as "<CR>", LF as "<LF>".
std::string EscapeBreaks(const std::string& text) {
  return ReplaceAll(ReplaceAll(text, "\r", "<CR>"), "\n", "<LF>");
}

// Escaped text in continuation form: every "<CR>" starts a new file line
// with the tag again, and "<LF>" disappears.
std::string Continuation(const std::string& escaped, const std::string& tag) {
  return ReplaceAll(ReplaceAll(escaped, "<CR>", "\r\n" + tag), "<LF>", "");
}

}  // namespace

std::string* HeaderText(HeaderForm& form, int id) {
  for (const HeaderControl& control : kHeaderControls) {
    if (control.id == id) return &(form.*control.text);
  }
  return nullptr;
}

HeaderSession LoadHeader(CCabrilloLog& log, SettingsStore& settings, const std::string& callsign) {
  log.m_strCallsign = callsign;
  log.m_strFileBase = CabrilloFileBase(callsign);

  HeaderSession session;
  log.m_strOperators = settings.ReadText("Operators", callsign);
  log.m_strName = settings.ReadText("Name", "");
  log.m_strAddress = settings.ReadText("Address", "");
  log.m_strCity = settings.ReadText("Address-City", "");
  log.m_strPostalCode = settings.ReadText("Address-PostalCode", "");
  log.m_strCountry = settings.ReadText("Address-Country", "");
  session.form.claimed = settings.ReadText("Claimed", "");
  session.power = settings.ReadText("Power", "");
  log.m_strLocation = settings.ReadText("Loc", "");

  // The stored "Contest", "Category" and "Band" do not preset the dialog.
  log.m_strContest = "YO-DX";
  log.m_strCatOperator = "SINGLE-OP";
  log.m_strCatBand = "ALL";
  log.m_strCatTransmitter = "ONE";
  log.m_strCatPower = "HIGH";
  log.m_strCatMode = "MIXED";

  log.m_strEmail = settings.ReadText("Email", "");
  log.m_strClub = settings.ReadText("Club", "");
  // The comment opens with its line breaks; the operator list shows its
  // stored text, escapes included.
  log.m_strSoapBox =
      ReplaceAll(ReplaceAll(settings.ReadText("SoapBox", ""), "<CR>", "\r"), "<LF>", "\n");

  HeaderForm& f = session.form;
  f.contest = log.m_strContest;
  f.callsign = log.m_strCallsign;
  f.catOperator = log.m_strCatOperator;
  f.catBand = log.m_strCatBand;
  f.catMode = log.m_strCatMode;
  f.catPower = log.m_strCatPower;
  f.catTransmitter = log.m_strCatTransmitter;
  f.location = log.m_strLocation;
  f.name = log.m_strName;
  f.address = log.m_strAddress;
  f.city = log.m_strCity;
  f.postalCode = log.m_strPostalCode;
  f.country = log.m_strCountry;
  f.operators = log.m_strOperators;
  f.club = log.m_strClub;
  f.soapBox = log.m_strSoapBox;
  f.email = log.m_strEmail;
  return session;
}

void ConfirmHeader(CCabrilloLog& log, SettingsStore& settings, const HeaderSession& answered) {
  const HeaderForm& f = answered.form;  // CLAIMED is dropped
  log.m_strContest = f.contest;
  log.m_strCallsign = f.callsign;
  log.m_strCatOperator = f.catOperator;
  log.m_strCatBand = f.catBand;
  log.m_strCatMode = f.catMode;
  log.m_strCatPower = f.catPower;
  log.m_strCatTransmitter = f.catTransmitter;
  log.m_strLocation = f.location;
  log.m_strName = f.name;
  log.m_strAddress = f.address;
  log.m_strCity = f.city;
  log.m_strPostalCode = f.postalCode;
  log.m_strCountry = f.country;
  log.m_strOperators = EscapeBreaks(f.operators);
  log.m_strClub = f.club;
  log.m_strSoapBox = EscapeBreaks(f.soapBox);
  log.m_strEmail = f.email;

  const std::pair<const char*, const std::string*> keys[] = {
      {"Band", &log.m_strCatBand},
      {"Power", &answered.power},  // carried through unchanged
      {"Operators", &log.m_strOperators},
      {"Name", &log.m_strName},
      {"Address", &log.m_strAddress},
      {"Address-City", &log.m_strCity},
      {"Address-PostalCode", &log.m_strPostalCode},
      {"Address-Country", &log.m_strCountry},
      {"Category", &log.m_strCatOperator},
      {"Contest", &log.m_strContest},
      {"Email", &log.m_strEmail},
      {"Club", &log.m_strClub},
      {"SoapBox", &log.m_strSoapBox},
      {"Loc", &log.m_strLocation},
  };
  for (const auto& key : keys) WriteSetting(settings, key.first, *key.second);

  log.m_strOperators = Continuation(log.m_strOperators, "OPERATORS: ");
  log.m_strSoapBox = Continuation(log.m_strSoapBox, "SOAPBOX: ");
  log.ClearQsoLines();
}

void KeepLoadedHeader(CCabrilloLog& log) {
  log.m_strOperators = Continuation(EscapeBreaks(log.m_strOperators), "OPERATORS: ");
  log.m_strSoapBox = Continuation(EscapeBreaks(log.m_strSoapBox), "SOAPBOX: ");
}

}  // namespace stats
