// The Cabrillo core: file names, line formats, the header's loading and
// answers, the host's version and the whole-file replacement.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "cabrillo/cabrillo_log.h"
#include "cabrillo/export.h"
#include "cabrillo/header.h"
#include "cabrillo/host_program.h"
#include "cabrillo/pe_version.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/settings.h"
#include "plugin/dialogs.h"
#include "tests/support/scratch_dir.h"

namespace stats {
namespace {

TEST(CabrilloFileBaseTest, MakesAWindowsFileNameOfTheCallSign) {
  const std::map<std::string, std::string> cases = {{"YO3XYZ/P", "YO3XYZ_P"},
                                                    {"YO3XYZ\\M", "YO3XYZ_M"},
                                                    {"YO3:XYZ", "YO3_XYZ"},
                                                    {" \tYO3XYZ \r\n", "YO3XYZ"},
                                                    {"   ", "KORV"},
                                                    {"", "KORV"},
                                                    {"a<b>c\"d|e?f*g", "a_b_c_d_e_f_g"},
                                                    {"YO\x01X", "YO_X"},
                                                    {"con", "con_"},
                                                    {"COM1", "COM1_"},
                                                    {"COM10", "COM10"}};
  for (const auto& c : cases) EXPECT_EQ(CabrilloFileBase(c.first), c.second) << c.first;
}

TEST(ReplaceAllTest, ReplacesLeftToRightWithoutSearchingInsertedText) {
  EXPECT_EQ(ReplaceAll("a<CR>b<CR>", "<CR>", "\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("<cr>", "<CR>", "x"), "<cr>");
}

TEST(CabrilloLineTest, ColumnsWidthsAndModeCodes) {
  CCabrilloLog log;
  log.m_strCallsign = "YO3XYZ";
  const COleDateTime noon{44415.5, COleDateTime::kValid};
  log.AddQso("DL1ABC", 14025, "20m", CabrilloModeCode("CW"), noon, "579", "001", "599", "017");
  log.AddQso("YO9AAA", 3510, "80m", CabrilloModeCode("SSB"), noon, "59", "002", "59", "BU");
  log.AddQso("DL1ABC", 100000, "20m", CabrilloModeCode("RTTY"), noon, "599", "001", "599", "017");
  log.AddQso("A", 7000, "40m", CabrilloModeCode("cw"), {0, COleDateTime::kNull}, "", "", "", "");
  log.AddQso("A", 7000, "40m", "CW", {0, COleDateTime::kInvalid}, "5999", "1234567", "5", "x");
  ASSERT_EQ(log.m_arrQsoLines.size(), 5u);
  const std::string first = log.m_arrQsoLines[0];
  // Fixed columns when every value fits its width.
  EXPECT_EQ(first.substr(5, 5), "14025");
  EXPECT_EQ(first.substr(11, 2), "CW");
  EXPECT_EQ(first.substr(14, 15), "2021-08-07 1200");
  EXPECT_EQ(first.substr(30, 13), "YO3XYZ       ");
  EXPECT_EQ(first.substr(44, 3), "579");
  EXPECT_EQ(first.substr(48, 6), "001   ");
  EXPECT_EQ(first.substr(55, 13), "DL1ABC       ");
  EXPECT_EQ(first.substr(69, 3), "599");
  EXPECT_EQ(first.substr(73), "017\r\n");
  EXPECT_EQ(log.m_arrQsoLines[1].substr(0, 13), "QSO:  3510 PH");
  EXPECT_EQ(log.m_arrQsoLines[2].substr(0, 14), "QSO: 100000 ??");
  // A null or invalid time and empty fields are marked in their columns.
  EXPECT_EQ(log.m_arrQsoLines[3],
            "QSO:  7000 ?? -          -    YO3XYZ        -   -      A             -   -\r\n");
  EXPECT_EQ(log.m_arrQsoLines[4],
            "QSO:  7000 CW -          -    YO3XYZ        5999 1234567 A             5   x\r\n");
  EXPECT_EQ(log.MarkedLines(), 2u);
  log.ClearQsoLines();
  EXPECT_EQ(log.MarkedLines(), 0u);
}

// Splits a QSO line after its tag at blanks and tabs, as contest robots
// read it.
std::vector<std::string> RobotFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line.substr(line.rfind("QSO:", 0) == 0 ? 4 : 0)) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) fields.push_back(field);
  return fields;
}

TEST(CabrilloLineTest, ImperfectContactsKeepTheirTenFields) {
  const COleDateTime when{MakeOleDate(2025, 8, 30, 12, 1, 0), COleDateTime::kValid};
  struct Row {
    const char* call;
    int32_t freqKhz;
    const char* band;
    COleDateTime time;
    const char *rstSent, *exchSent, *rstRcvd, *exchRcvd;
    bool marked;
    const char* line;
  };
  const Row rows[] = {
      {"DL1AAA", 14025, "20m", when, "579", "BU", "599", "001", false,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC        579 BU     DL1AAA        599 001\r\n"},
      {"DL1AAB", 14025, "20m", when, "", "BU", "599", "002", true,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC        -   BU     DL1AAB        599 002\r\n"},
      {"DL1AAC", 14025, "20m", when, "579", "BU", "599", "1 23", true,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC        579 BU     DL1AAC        599 1_23\r\n"},
      {"DL1AAD", 14025, "20m", when, "579", "BU", "", "004", true,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC        579 BU     DL1AAD        -   004\r\n"},
      {"DL1AAE", 14025, "20m", when, "579", "B U", "599", "005", true,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC        579 B_U    DL1AAE        599 005\r\n"},
      {"", 14025, "20m", when, "579", "BU", "599", "006", true,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC        579 BU     -             599 006\r\n"},
      {"DL1AAG",
       14025,
       "20m",
       {0, COleDateTime::kNull},
       "579",
       "BU",
       "599",
       "007",
       true,
       "QSO: 14025 CW -          -    YO3ABC        579 BU     DL1AAG        599 007\r\n"},
      {"DL1AAH",
       14025,
       "20m",
       {1e9, COleDateTime::kValid},
       "579",
       "BU",
       "599",
       "008",
       true,
       "QSO: 14025 CW -          -    YO3ABC        579 BU     DL1AAH        599 008\r\n"},
      {"DL1AAI", 14025, "20m", when, "5\t9", " \t", "599", "BU\r\n", true,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC        5_9 -      DL1AAI        599 BU__\r\n"},
      // Blanks at the ends of a field do not add a field: the line stays.
      {"DL1AAJ ", 14025, "20m", when, " 579", "BU", "599", "010 ", false,
       "QSO: 14025 CW 2025-08-30 1201 YO3ABC         579 BU     DL1AAJ        599 010 \r\n"},
      {"DL1AAK", 0, "20m", when, "579", "BU", "599", "011", false,
       "QSO: 14000 CW 2025-08-30 1201 YO3ABC        579 BU     DL1AAK        599 011\r\n"},
  };
  CCabrilloLog log;
  log.m_strCallsign = "YO3ABC";
  std::size_t marked = 0;
  for (const Row& r : rows) {
    log.AddQso(r.call, r.freqKhz, r.band, "CW", r.time, r.rstSent, r.exchSent, r.rstRcvd,
               r.exchRcvd);
    const std::string& line = log.m_arrQsoLines.back();
    EXPECT_EQ(line, r.line);
    EXPECT_EQ(RobotFields(line).size(), 10u) << line;
    marked += r.marked;
    EXPECT_EQ(log.MarkedLines(), marked) << line;
  }
}

TEST(CabrilloLineTest, ZeroFrequencyIsTheBandsLowerEdge) {
  const std::map<std::string, std::string> edges = {
      {"160m", " 1800"}, {"80m", " 3500"}, {"40m", " 7000"}, {"20m", "14000"},
      {"15m", "21000"},  {"10m", "28000"}, {"6m", "    0"},  {"", "    0"}};
  CCabrilloLog log;
  for (const auto& edge : edges) {
    log.AddQso("DL1ABC", 0, edge.first, "CW", {44415.5, COleDateTime::kValid}, "579", "1", "599",
               "2");
    EXPECT_EQ(log.m_arrQsoLines.back().substr(5, 5), edge.second) << edge.first;
  }
}

TEST(CabrilloLineTest, EmptyLogIsTheHeaderRowsAndTheEnd) {
  CCabrilloLog log;
  EXPECT_EQ(log.Render(0, "2.20"),
            "START-OF-LOG: 3.0\r\nCONTEST: YO-DX-HF\r\nCALLSIGN: \r\nCATEGORY-OPERATOR: \r\n"
            "CATEGORY-BAND: \r\nCATEGORY-POWER: \r\nCATEGORY-MODE: \r\nCATEGORY-TRANSMITTER: \r\n"
            "OPERATORS: \r\nLOCATION: \r\nCLAIMED-SCORE: 0\r\nCLUB: \r\nCREATED-BY: Vexo 2.20\r\n"
            "NAME: \r\nADDRESS: \r\nADDRESS-CITY: \r\nADDRESS-POSTALCODE: \r\n"
            "ADDRESS-COUNTRY: \r\nEMAIL: \r\nSOAPBOX: \r\nEND-OF-LOG:\r\n");
}

// Settings in memory, keys in the order of their first writes.
class MemorySettings : public SettingsStore {
 public:
  std::string ReadText(const std::string& key, const std::string& defaultValue) override {
    for (const auto& kv : values) {
      if (kv.first == key) return kv.second;
    }
    return defaultValue;
  }
  void WriteRaw(const std::string& key, const std::string& value) override {
    for (auto& kv : values) {
      if (kv.first == key) {
        kv.second = value;
        return;
      }
    }
    values.emplace_back(key, value);
  }
  std::vector<std::pair<std::string, std::string>> values;
};

TEST(HeaderTest, OperatorsDefaultOnlyWhenAbsent) {
  CCabrilloLog log;
  MemorySettings settings;
  EXPECT_EQ(LoadHeader(log, settings, "YO3XYZ").form.operators, "YO3XYZ");
  settings.WriteRaw("Operators", "");
  EXPECT_EQ(LoadHeader(log, settings, "YO3XYZ").form.operators, "");
}

TEST(HeaderTest, AnswersBecomeContinuationLines) {
  CCabrilloLog log;
  MemorySettings settings;
  settings.WriteRaw("Power", "kept");
  HeaderSession session = LoadHeader(log, settings, "YO3XYZ");
  log.m_arrQsoLines = {"old\r\n"};
  session.form.operators = "A\r\nB<CR>C\nD";  // a typed "<CR>" also breaks, a bare LF joins
  session.form.soapBox = "last line ends\r\n";
  ConfirmHeader(log, settings, session);
  EXPECT_EQ(log.m_strOperators, "A\r\nOPERATORS: B\r\nOPERATORS: CD");
  EXPECT_EQ(log.m_strSoapBox, "last line ends\r\nSOAPBOX: ");
  EXPECT_TRUE(log.m_arrQsoLines.empty());
  std::vector<std::string> keys;
  for (const auto& kv : settings.values) keys.push_back(kv.first);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"Power", "Band", "Operators", "Name", "Address",
                                      "Address-City", "Address-PostalCode", "Address-Country",
                                      "Category", "Contest", "Email", "Club", "SoapBox", "Loc"}));
  EXPECT_EQ(settings.ReadText("Power", ""), "kept");
  EXPECT_EQ(settings.ReadText("Operators", ""), "A<CR><LF>B<CR>C<LF>D");
}

// A minimal PE image whose only section holds a version resource (type 16,
// name 1) with the given file version.
std::string PeWithVersion(bool plus, uint32_t ms, uint32_t ls) {
  std::string pe(0x400, '\0');
  auto put16 = [&](size_t at, uint32_t v) { pe[at] = char(v), pe[at + 1] = char(v >> 8); };
  auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xffff), put16(at + 2, v >> 16); };
  pe[0] = 'M', pe[1] = 'Z';
  put32(0x3C, 0x40);
  std::memcpy(&pe[0x40], "PE\0\0", 4);
  const size_t optional = 0x40 + 4 + 20;
  const uint32_t optionalSize = plus ? 240 : 224;
  put16(0x44 + 2, 1);  // one section
  put16(0x44 + 16, optionalSize);
  put16(optional, plus ? 0x20b : 0x10b);
  put32(optional + (plus ? 108 : 92), 16);
  put32(optional + (plus ? 112 : 96) + 16, 0x1000);  // resource directory RVA
  const size_t section = optional + optionalSize;
  put32(section + 8, 0x200);    // virtual size
  put32(section + 12, 0x1000);  // virtual address
  put32(section + 16, 0x200);   // raw size
  put32(section + 20, 0x200);   // raw pointer
  const size_t r = 0x200;
  put16(r + 14, 1), put32(r + 16, 16), put32(r + 20, 0x80000018);            // type 16
  put16(r + 0x18 + 14, 1), put32(r + 0x28, 1), put32(r + 0x2C, 0x80000030);  // name 1
  put16(r + 0x30 + 14, 1), put32(r + 0x40, 0x409), put32(r + 0x44, 0x48);    // language
  put32(r + 0x48, 0x1058), put32(r + 0x4C, 92);                              // data entry
  const size_t block = r + 0x58;
  put16(block, 92), put16(block + 2, 52);
  const char key[] = "VS_VERSION_INFO";
  for (size_t i = 0; i < sizeof key; ++i) put16(block + 6 + 2 * i, uint8_t(key[i]));
  put32(block + 40, 0xFEEF04BD), put32(block + 48, ms), put32(block + 52, ls);
  return pe;
}

TEST(PeVersionTest, ReadsPe32AndPe32Plus) {
  uint32_t ms = 0, ls = 0;
  ASSERT_TRUE(ReadPeFileVersion(PeWithVersion(false, 0x00020014, 0x00070001), &ms, &ls));
  EXPECT_EQ(HostVersionText(ms, ls), "2.20");
  ASSERT_TRUE(ReadPeFileVersion(PeWithVersion(true, 0x00030001, 0x00050000), &ms, &ls));
  EXPECT_EQ(HostVersionText(ms, ls), "3.1.5");
  EXPECT_EQ(HostVersionText(0x00020005, 0), "2.5");
}

TEST(PeVersionTest, TruncatedOrGarbledFilesHaveNoVersionAndNeverReadOutside) {
  const std::string good = PeWithVersion(false, 0x00020014, 0x00070001);
  uint32_t ms, ls;
  for (size_t size = 0; size < 0x200 + 0x58 + 56; ++size) {
    EXPECT_FALSE(ReadPeFileVersion(good.substr(0, size), &ms, &ls)) << size;
  }
  // Every byte of the headers and the resource tree set to 0xFF in turn.
  int read = 0;
  for (size_t at = 0; at < 0x200 + 0x58 + 8; ++at) {
    std::string bad = good;
    bad[at] = '\xff';
    read += ReadPeFileVersion(bad, &ms, &ls);
  }
  EXPECT_GT(read, 0);  // most bytes do not matter; none may crash the reader
  EXPECT_FALSE(ReadPeFileVersion(std::string(4096, '\xff'), &ms, &ls));
}

class FakePrograms : public ProgramFiles {
 public:
  std::vector<std::string> ExeNames() override { return names; }
  bool FileVersion(const std::string& name, uint32_t* ms, uint32_t* ls) override {
    asked.push_back(name);
    if (name == "NoVersionVexo.exe") return false;
    *ms = 0x00020014;
    *ls = 0x00070001;
    return true;
  }
  std::vector<std::string> names, asked;
};

TEST(HostVersionTest, FirstProgramNamedVexoCaseSensitively) {
  FakePrograms programs;
  programs.names = {"vexo.exe", "Setup.exe", "MyVexo2.exe", "Vexo.exe"};
  EXPECT_EQ(FindHostVersion(programs), "2.20");
  EXPECT_EQ(programs.asked, std::vector<std::string>{"MyVexo2.exe"});
  programs.names = {"NoVersionVexo.exe", "Vexo.exe"};
  EXPECT_EQ(FindHostVersion(programs), "");
  programs.names = {};
  EXPECT_EQ(FindHostVersion(programs), "");
}

TEST(HostVersionTest, PortableListingReadsTheProgramsVersion) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows build lists and reads through the platform (tests/wine)";
#endif
  testing::ScratchDir dir;
  testing::WriteFileBytes(dir.path() / "Vexo.EXE", PeWithVersion(true, 0x00030001, 0x00050000));
  testing::WriteFileBytes(dir.path() / "Vexo.txt", "not a program");
  EXPECT_EQ(FindHostVersion(*NewPlatformProgramFiles()), "3.1.5");
}

TEST(HeadlessDialogsTest, ConfirmWhatIsShownWithCategoriesFromTheEnvironment) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows build shows the real dialogs";
#else
  HeaderForm form;
  form.catBand = "ALL";
  form.name = "shown";
  setenv("STATS_HEADER_CATEGORY_BAND", "20M", 1);
  EXPECT_TRUE(NewPlatformDialogs()->ShowHeader(form));
  unsetenv("STATS_HEADER_CATEGORY_BAND");
  EXPECT_EQ(form.catBand, "20M");
  EXPECT_EQ(form.name, "shown");
#endif
}

TEST(SafeReplaceTest, AFailedWriteLeavesTheOldFile) {
  testing::ScratchDir dir;
  testing::WriteFileBytes(dir.path() / "YO3XYZ.cbr", "previous log");
  std::filesystem::create_directory(dir.path() / "YO3XYZ.cbr.tmp");  // blocks the temporary
  std::string error;
  EXPECT_FALSE(RealFileSystem().ReplaceSafely("YO3XYZ.cbr", "new log", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(testing::ReadFileBytes(dir.path() / "YO3XYZ.cbr"), "previous log");
  std::filesystem::remove(dir.path() / "YO3XYZ.cbr.tmp");
  EXPECT_TRUE(RealFileSystem().ReplaceSafely("YO3XYZ.cbr", "new log", &error));
  EXPECT_EQ(testing::ReadFileBytes(dir.path() / "YO3XYZ.cbr"), "new log");
}

// A disk that shows its error only when the file is closed (full, its
// cached bytes going out then): each file the plug-in writes reports the
// write as failed, and what the file held before is still there, whole.
TEST(SafeReplaceTest, AFailedCloseIsAFailedWriteOfEveryFile) {
  testing::ScratchDir dir;
  std::filesystem::create_directory("Plugins");
  const std::string settings = "Plugins/RE-RA-Dediroz.ini";
  const struct {
    const char* file;
    std::function<bool()> write;
    bool appends;
  } writers[] = {
      {"err.txt", [] { return RealFileSystem().Replace("err.txt", "new report\r\n"); }, false},
      {"err.txt", [] { return RealFileSystem().Append("err.txt", "new line\r\n"); }, true},
      {"YO3XYZ.cbr",
       [] {
         std::string error;
         return RealFileSystem().ReplaceSafely("YO3XYZ.cbr", "new log", &error);
       },
       false},
      {"Plugins/RE-RA-Dediroz.ini", [&] { return IniWrite(settings, "Settings", "Claimed", "99"); },
       false},
  };
  for (const auto& writer : writers) {
    SCOPED_TRACE(writer.file);
    const std::string before = "[Settings]\r\nClaimed=12\r\nStart=1\r\n";
    testing::WriteFileBytes(writer.file, before);
    FailNextCloses(1);
    EXPECT_FALSE(writer.write());
    const std::string now = testing::ReadFileBytes(writer.file);
    EXPECT_EQ(writer.appends ? now.substr(0, before.size()) : now, before);
    EXPECT_FALSE(testing::FileExists(std::string(writer.file) + ".tmp"));
    EXPECT_TRUE(writer.write());  // the next close works
  }
  FailNextCloses(0);
}

}  // namespace
}  // namespace stats
