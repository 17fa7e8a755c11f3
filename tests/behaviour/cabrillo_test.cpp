// An output run through the exports: the header dialog at the reset, the
// Cabrillo file and the "Output" message at every result, and the setup
// dialog. Natively the dialogs are scripted; through the DLL a UI robot
// answers the real ones.
#include "cabrillo/cabrillo_log.h"
#include "resources/resource.h"
#include "tests/support/plugin_test.h"
#include "tools/yodx/lint/linter.h"

namespace stats {
namespace testing {
namespace {

const std::map<int, std::string> kOpeningTexts = {
    {IDC_CONTEST, "YO-DX"},    {IDC_CALLSIGN, "YO3XYZ"},
    {IDC_CLAIMED, ""},         {IDC_CAT_OPERATOR, "SINGLE-OP"},
    {IDC_CAT_BAND, "ALL"},     {IDC_CAT_MODE, "MIXED"},
    {IDC_CAT_POWER, "HIGH"},   {IDC_CAT_TRANSMITTER, "ONE"},
    {IDC_LOCATION, ""},        {IDC_NAME, ""},
    {IDC_ADDRESS, ""},         {IDC_CITY, ""},
    {IDC_POSTALCODE, ""},      {IDC_COUNTRY, ""},
    {IDC_OPERATORS, "YO3XYZ"}, {IDC_CLUB, ""},
    {IDC_SOAPBOX, ""},         {IDC_EMAIL, ""}};

class CabrilloTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    MakePluginsFolder();
  }

  void OutputRun(const std::string& contestant = "YO3XYZ") {
    ResetArgs args;
    args.outputSwitch = 1;
    args.contestant = contestant;
    ResetStats(args);
  }

  // Reports differ both ways, so that the file shows which is which.
  static Qso Dl() {
    Qso dl;
    dl.rstSent = "579";
    return dl;
  }

  void LogThreeContacts() {
    AddData(Dl());
    Qso romanian;
    romanian.call = "YO9AAA";
    romanian.freqHz = 3510000;
    romanian.mode = "SSB";
    romanian.rstSent = "57";
    romanian.rstRcvd = "59";
    romanian.exchSent = "002";
    romanian.exchRcvd = "BU";
    romanian.prefix = "YO";
    romanian.band = "80m";
    AddData(romanian);
    AddData(Dl());  // a duplicate, exported all the same
  }

  std::string File(const std::string& name) const { return ReadFileBytes(dir_.path() / name); }
};

TEST_F(CabrilloTest, OutputRunFromHeaderDialogToFile) {
  DialogReply reply;
  reply.typed = {{IDC_OPERATORS, "YO3XYZ\r\nYO3ABC"},
                 {IDC_SOAPBOX, "Nice contest\r\n73"},
                 {IDC_NAME, "Ion Popescu"},
                 {IDC_CAT_BAND, "20"},  // typed into a combo: taken as typed
                 {IDC_EMAIL, "yo3xyz@example.ro"},
                 {IDC_CLAIMED, "999"}};  // dropped
  ui_->Queue(reply);
  OutputRun();
  ASSERT_EQ(ui_->Seen().size(), 1u);
  EXPECT_EQ(ui_->Seen()[0].texts, kOpeningTexts);
  EXPECT_EQ(SettingsFile(),
            "[Settings]\r\nBand=20\r\nPower=\r\nOperators=YO3XYZ<CR><LF>YO3ABC\r\n"
            "Name=Ion Popescu\r\nAddress=\r\nAddress-City=\r\nAddress-PostalCode=\r\n"
            "Address-Country=\r\nCategory=SINGLE-OP\r\nContest=YO-DX\r\n"
            "Email=yo3xyz@example.ro\r\nClub=\r\nSoapBox=Nice contest<CR><LF>73\r\nLoc=\r\n"
            "Start=0\r\n");

  LogThreeContacts();
  int flag = 0;
  GetResult(&flag);
  EXPECT_EQ(flag, -1);
  EXPECT_EQ(ui_->Messages(), std::vector<std::string>{"Output: File produced: YO3XYZ.cbr"});
  const std::string dl =
      "QSO: 14025 CW 2021-08-07 1200 YO3XYZ        579 001    DL1ABC        599 017\r\n";
  EXPECT_EQ(File("YO3XYZ.cbr"),
            "START-OF-LOG: 3.0\r\nCONTEST: YO-DX-HF\r\nCALLSIGN: YO3XYZ\r\n"
            "CATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: 20\r\nCATEGORY-POWER: HIGH\r\n"
            "CATEGORY-MODE: MIXED\r\nCATEGORY-TRANSMITTER: ONE\r\n"
            "OPERATORS: YO3XYZ\r\nOPERATORS: YO3ABC\r\nLOCATION: \r\nCLAIMED-SCORE: 30\r\n"
            "CLUB: \r\nCREATED-BY: Vexo \r\nNAME: Ion Popescu\r\nADDRESS: \r\nADDRESS-CITY: \r\n"
            "ADDRESS-POSTALCODE: \r\nADDRESS-COUNTRY: \r\nEMAIL: yo3xyz@example.ro\r\n"
            "SOAPBOX: Nice contest\r\nSOAPBOX: 73\r\n" +
                dl +
                "QSO:  3510 PH 2021-08-07 1200 YO3XYZ        57  002    YO9AAA        59  BU\r\n" +
                dl + "END-OF-LOG:\r\n");

  // A second result after the same reset lists each contact once again.
  const std::string first = File("YO3XYZ.cbr");
  GetResult(&flag);
  EXPECT_EQ(File("YO3XYZ.cbr"), first);
  EXPECT_EQ(ui_->Messages().size(), 2u);
}

// Every header text differs from every other, stored and typed, so that two
// fields swapped anywhere between the settings file, the dialog and the file
// show; every category is answered away from its opening value, once picked
// from the combo box's list and once typed into its text.
TEST_F(CabrilloTest, EveryHeaderAnswerReachesItsRowAndItsKey) {
  const std::string stored =
      "[Settings]\r\nOperators=YO3OLD<CR><LF>YO3OLE\r\nName=stored name\r\n"
      "Address=stored address\r\nAddress-City=stored city\r\nAddress-PostalCode=stored code\r\n"
      "Address-Country=stored country\r\nClaimed=77\r\nBand=80M\r\nPower=kept power\r\n"
      "Loc=stored location\r\nEmail=stored@example.ro\r\nClub=stored club\r\n"
      "SoapBox=stored<CR><LF>comment\r\nCategory=MULTI-OP\r\nContest=stored contest\r\n"
      "Start=0\r\n";
  const std::map<int, std::string> opening = {{IDC_CONTEST, "YO-DX"},
                                              {IDC_CALLSIGN, "YO3XYZ"},
                                              {IDC_CLAIMED, "77"},
                                              {IDC_CAT_OPERATOR, "SINGLE-OP"},
                                              {IDC_CAT_BAND, "ALL"},
                                              {IDC_CAT_MODE, "MIXED"},
                                              {IDC_CAT_POWER, "HIGH"},
                                              {IDC_CAT_TRANSMITTER, "ONE"},
                                              {IDC_LOCATION, "stored location"},
                                              {IDC_NAME, "stored name"},
                                              {IDC_ADDRESS, "stored address"},
                                              {IDC_CITY, "stored city"},
                                              {IDC_POSTALCODE, "stored code"},
                                              {IDC_COUNTRY, "stored country"},
                                              {IDC_OPERATORS, "YO3OLD<CR><LF>YO3OLE"},
                                              {IDC_CLUB, "stored club"},
                                              {IDC_SOAPBOX, "stored\r\ncomment"},
                                              {IDC_EMAIL, "stored@example.ro"}};
  const std::map<int, std::string> texts = {{IDC_CONTEST, "typed contest"},
                                            {IDC_CALLSIGN, "YO3ZZZ"},
                                            {IDC_CLAIMED, "999"},
                                            {IDC_LOCATION, "typed location"},
                                            {IDC_NAME, "Ion Popescu"},
                                            {IDC_ADDRESS, "Str. Lunga 1"},
                                            {IDC_CITY, "Bucuresti"},
                                            {IDC_POSTALCODE, "010101"},
                                            {IDC_COUNTRY, "Romania"},
                                            {IDC_OPERATORS, "YO3ZZZ\r\nYO3ABC"},
                                            {IDC_CLUB, "Radioclub YO3KPA"},
                                            {IDC_SOAPBOX, "Nice contest\r\n73"},
                                            {IDC_EMAIL, "yo3zzz@example.ro"}};
  struct Categories {
    bool picked;  // from the list, or else typed
    std::string op, band, mode, power, transmitter;
  };
  const Categories answers[] = {{true, "CHECKLOG", "10M", "SSB", "QRP", "UNLIMITED"},
                                {false, "MULTI-OP", "160M", "CW", "LOW", "TWO"}};
  for (const Categories& c : answers) {
    WriteFileBytes(dir_.path() / "Plugins" / "RE-RA-Dediroz.ini", stored);
    DialogReply reply;
    reply.typed = texts;
    (c.picked ? reply.picked : reply.typed)
        .insert({{IDC_CAT_OPERATOR, c.op},
                 {IDC_CAT_BAND, c.band},
                 {IDC_CAT_MODE, c.mode},
                 {IDC_CAT_POWER, c.power},
                 {IDC_CAT_TRANSMITTER, c.transmitter}});
    ui_->Queue(reply);
    OutputRun();
    EXPECT_EQ(ui_->Seen().back().texts, opening);

    AddData(Dl());
    Qso noRadio = Dl();  // no frequency, no report received, a blank in the exchange
    noRadio.call = "DL2XYZ";
    noRadio.freqHz = 0;
    noRadio.band = "80m";
    noRadio.rstRcvd = "";
    noRadio.exchRcvd = "1 23";
    AddData(noRadio);
    GetResult();
    EXPECT_EQ(ui_->Messages().back(),
              "Output: File produced: YO3XYZ.cbr (1 QSO line marked: \"-\" for an empty field or "
              "a missing time, \"_\" for a blank inside a field; correct them in the log before "
              "you submit the file)");
    EXPECT_EQ(
        File("YO3XYZ.cbr"),
        "START-OF-LOG: 3.0\r\nCONTEST: YO-DX-HF\r\nCALLSIGN: YO3ZZZ\r\n"
        "CATEGORY-OPERATOR: " +
            c.op + "\r\nCATEGORY-BAND: " + c.band + "\r\nCATEGORY-POWER: " + c.power +
            "\r\nCATEGORY-MODE: " + c.mode + "\r\nCATEGORY-TRANSMITTER: " + c.transmitter +
            "\r\nOPERATORS: YO3ZZZ\r\nOPERATORS: YO3ABC\r\nLOCATION: typed location\r\n"
            "CLAIMED-SCORE: 8\r\nCLUB: Radioclub YO3KPA\r\nCREATED-BY: Vexo \r\n"
            "NAME: Ion Popescu\r\nADDRESS: Str. Lunga 1\r\nADDRESS-CITY: Bucuresti\r\n"
            "ADDRESS-POSTALCODE: 010101\r\nADDRESS-COUNTRY: Romania\r\n"
            "EMAIL: yo3zzz@example.ro\r\nSOAPBOX: Nice contest\r\nSOAPBOX: 73\r\n"
            "QSO: 14025 CW 2021-08-07 1200 YO3ZZZ        579 001    DL1ABC        599 017\r\n"
            "QSO:  3500 CW 2021-08-07 1200 YO3ZZZ        579 001    DL2XYZ        -   1_23\r\n"
            "END-OF-LOG:\r\n");
    EXPECT_EQ(SettingsFile(),
              "[Settings]\r\nOperators=YO3ZZZ<CR><LF>YO3ABC\r\nName=Ion Popescu\r\n"
              "Address=Str. Lunga 1\r\nAddress-City=Bucuresti\r\nAddress-PostalCode=010101\r\n"
              "Address-Country=Romania\r\nClaimed=8\r\nBand=" +
                  c.band +
                  "\r\nPower=kept power\r\nLoc=typed location\r\nEmail=yo3zzz@example.ro\r\n"
                  "Club=Radioclub YO3KPA\r\nSoapBox=Nice contest<CR><LF>73\r\nCategory=" +
                  c.op + "\r\nContest=typed contest\r\nStart=0\r\n");
  }
}

// The upload page takes 150,000 bytes. A file that fits with padded columns
// is written as it is; one byte more and its QSO lines get one blank between
// fields (the same fields for a reader that splits at blanks); a log that is
// too big even so is written, and the message gives its size and the limit.
// Lint draws the line at the same byte.
TEST_F(CabrilloTest, TheUploadLimitDecidesTheQsoLayoutToTheByte) {
  // An output run of `contacts` different stations, the name `name`.
  const auto run = [&](int contacts, const std::string& name) {
    DialogReply reply;
    reply.typed = {{IDC_NAME, name}};
    ui_->Queue(reply);
    OutputRun();
    for (int i = 0; i < contacts; ++i) {
      Qso qso = Dl();
      qso.call = "DL" + std::to_string(1000 + i) + "A";
      AddData(qso);
    }
    int flag = 0;
    GetResult(&flag);
    EXPECT_EQ(flag, -1);
    return File("YO3XYZ.cbr");
  };
  const std::string padded = "YO3XYZ        579 001    DL1000A       599 017\r\n";
  const std::string compact = " YO3XYZ 579 001 DL1000A 599 017\r\n";
  // The name fills the file up to the limit, then one byte over it.
  const std::size_t unnamed = run(1900, "").size();
  ASSERT_LT(unnamed, 150000u);
  std::string file = run(1900, std::string(150000 - unnamed, 'N'));
  EXPECT_EQ(file.size(), 150000u);
  EXPECT_NE(file.find(padded), std::string::npos);
  EXPECT_EQ(ui_->Messages().back(), "Output: File produced: YO3XYZ.cbr");

  // Lint's size check draws the line at the same byte.
  const auto sizeErrors = [](const std::string& text) {
    const yodx::LintResult result = yodx::LintCabrillo(text, yodx::CtyFile(), {});
    return std::count_if(result.findings.begin(), result.findings.end(),
                         [](const yodx::Finding& f) { return f.rule == "size"; });
  };
  EXPECT_EQ(sizeErrors(file), 0);
  EXPECT_EQ(sizeErrors(ReplaceAll(file, "NAME: N", "NAME: NN")), 1);

  file = run(1900, std::string(150000 - unnamed + 1, 'N'));
  EXPECT_EQ(file.find(padded), std::string::npos);
  EXPECT_NE(file.find("\r\nQSO: 14025 CW 2021-08-07 1200" + compact), std::string::npos);
  EXPECT_EQ(ui_->Messages().back(),
            "Output: File produced: YO3XYZ.cbr. Its QSO lines have one blank between fields, to "
            "stay within the upload page's limit of 150,000 bytes: " +
                GroupedNumber(file.size()) + " bytes.");
  EXPECT_LT(file.size(), 150000u - 1900u * 15u);

  file = run(2600, "");
  EXPECT_GT(file.size(), 150000u);
  EXPECT_NE(file.find(compact), std::string::npos);
  EXPECT_EQ(ui_->Messages().back(),
            "Output: File produced: YO3XYZ.cbr. Even with one blank between the fields of its QSO "
            "lines it is " +
                GroupedNumber(file.size()) +
                " bytes, over the upload page's limit of 150,000 bytes.");
}

TEST_F(CabrilloTest, CancelStoresNothingAndTheFileKeepsItsTags) {
  WriteFileBytes(dir_.path() / "Plugins" / "RE-RA-Dediroz.ini",
                 "[Settings]\r\nOperators=YO3XYZ<CR><LF>YO3ABC\r\nSoapBox=Hello<CR><LF>73\r\n"
                 "Band=40M\r\nClaimed=123\r\nStart=0\r\n");
  DialogReply cancel;
  cancel.confirm = false;
  cancel.typed = {{IDC_NAME, "typed, then cancelled"}};
  ui_->Queue(cancel);
  OutputRun();
  const SeenDialog seen = ui_->Seen().at(0);
  EXPECT_EQ(seen.texts.at(IDC_OPERATORS), "YO3XYZ<CR><LF>YO3ABC");  // escapes visible
  EXPECT_EQ(seen.texts.at(IDC_SOAPBOX), "Hello\r\n73");             // line breaks restored
  EXPECT_EQ(seen.texts.at(IDC_CAT_BAND), "ALL");
  EXPECT_EQ(seen.texts.at(IDC_CLAIMED), "123");
  EXPECT_EQ(SettingsFile(),
            "[Settings]\r\nOperators=YO3XYZ<CR><LF>YO3ABC\r\nSoapBox=Hello<CR><LF>73\r\n"
            "Band=40M\r\nClaimed=123\r\nStart=0\r\n");

  GetResult();
  const std::string file = File("YO3XYZ.cbr");
  EXPECT_NE(file.find("\r\nOPERATORS: YO3XYZ\r\nOPERATORS: YO3ABC\r\nLOCATION: \r\n"),
            std::string::npos);
  EXPECT_NE(file.find("\r\nNAME: \r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\nSOAPBOX: Hello\r\nSOAPBOX: 73\r\nEND-OF-LOG:\r\n"), std::string::npos);
}

TEST_F(CabrilloTest, FileNameComesFromTheResetsCallSign) {
  DialogReply reply;
  reply.typed = {{IDC_CALLSIGN, "YO3ZZZ"}};
  ui_->Queue(reply);
  OutputRun(" YO3XYZ/P ");
  AddData(Qso());
  GetResult();
  const std::string file = File("YO3XYZ_P.cbr");
  EXPECT_NE(file.find("\r\nCALLSIGN: YO3ZZZ\r\n"), std::string::npos);
  EXPECT_NE(file.find(" 1200 YO3ZZZ        599 "), std::string::npos);
}

TEST_F(CabrilloTest, AFileThatCannotBeWrittenIsReportedAndTheFlagKept) {
  OutputRun();
  std::filesystem::create_directory(dir_.path() / "YO3XYZ.cbr");
  int flag = 7;
  GetResult(&flag);
  EXPECT_EQ(flag, 7);
  ASSERT_EQ(ui_->Messages().size(), 1u);
  EXPECT_EQ(
      ui_->Messages()[0].rfind("Output: File not produced: YO3XYZ.cbr could not be written (", 0),
      0u)
      << ui_->Messages()[0];
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path() / "YO3XYZ.cbr"));
  EXPECT_FALSE(FileExists(dir_.path() / "YO3XYZ.cbr.tmp"));
}

TEST_F(CabrilloTest, ExportsAnswerFromInsideTheDialogsModalLoop) {
  int answer = -1;
  DialogReply reply;
  reply.whileOpen = [&] {
    answer = CheckCall(CallCheck());
    AddData(Qso());
  };
  ui_->Queue(reply);
  OutputRun();
  EXPECT_EQ(answer, 2);
  EXPECT_NE(GetResult().find("Total\t 1\t 2\t 1\t 0\r\n"), std::string::npos);
}

TEST_F(CabrilloTest, NoOutputSwitchNoFileNoMessage) {
  ResetStats(ResetArgs());
  AddData(Qso());
  int flag = 7;
  GetResult(&flag);
  EXPECT_EQ(flag, 7);
  EXPECT_TRUE(ui_->Seen().empty());
  EXPECT_TRUE(ui_->Messages().empty());
  EXPECT_FALSE(FileExists(dir_.path() / "YO3XYZ.cbr"));
}

TEST_F(CabrilloTest, SetupDialogWritesBothOptionsOnOkOnly) {
  DialogReply tick;
  tick.tickMultiplier = 1;
  ui_->Queue(tick);
  Plugin().SetupSet0();
  EXPECT_EQ(ui_->Seen().at(0).checks,
            (std::map<int, int>{{IDC_MASTER_FILE, 0}, {IDC_MULTIPLIER_WINDOW, 0}}));
  EXPECT_EQ(SettingsFile(), "[Settings]\r\nMaster=0\r\nMultiplier=1\r\n");

  DialogReply close;
  close.confirm = false;
  close.tickMultiplier = 0;
  ui_->Queue(close);
  Plugin().SetupSet0();
  EXPECT_EQ(ui_->Seen().at(1).checks.at(IDC_MULTIPLIER_WINDOW), 1);
  EXPECT_EQ(SettingsFile(), "[Settings]\r\nMaster=0\r\nMultiplier=1\r\n");

  // Stored values outside 0..2 show cleared; the hidden box carries Master through.
  WriteFileBytes(dir_.path() / "Plugins" / "RE-RA-Dediroz.ini",
                 "[Settings]\r\nMaster=5\r\nMultiplier=2\r\n");
  Plugin().SetupSet0();
  EXPECT_EQ(ui_->Seen().at(2).checks,
            (std::map<int, int>{{IDC_MASTER_FILE, 0}, {IDC_MULTIPLIER_WINDOW, 1}}));
  EXPECT_EQ(SettingsFile(), "[Settings]\r\nMaster=0\r\nMultiplier=1\r\n");
}

}  // namespace
}  // namespace testing
}  // namespace stats
