// The portable INI layer against the real private-profile functions: the same
// writes and reads on two files, one kept by the platform and one by our
// layer. Files the plug-in creates itself must match byte for byte; on
// hand-written files Wine rewrites every line on each write (Windows does
// not, and neither does our layer), so there only the values read must match.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "tests/support/scratch_dir.h"

namespace stats {
namespace {

using testing::FileExists;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteFileBytes;

const char kPlatformFile[] = "Plugins\\platform.ini";
const char kOurFile[] = "Plugins\\ours.ini";
// A default no value in these tests holds, so an absent key is recognised.
const char kAbsent[] = "{absent}";

struct Result {
  bool ok;  // write: succeeded; read: present
  std::string value;
  bool operator==(const Result& other) const { return ok == other.ok && value == other.value; }
};

void PrintTo(const Result& r, std::ostream* os) {
  *os << (r.ok ? "ok" : "no") << " \"" << r.value << "\"";
}

Result PlatformRead(const std::string& section, const std::string& key) {
  std::vector<char> buffer(16);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), kAbsent,
                                                  buffer.data(), size, kPlatformFile);
    if (length + 1 < size) {
      std::string value(buffer.data(), length);
      return value == kAbsent ? Result{false, ""} : Result{true, value};
    }
    buffer.resize(buffer.size() * 2);
  }
}

Result OurRead(const std::string& section, const std::string& key) {
  std::string value;
  return IniRead(kOurFile, section, key, &value) ? Result{true, value} : Result{false, ""};
}

Result PlatformWrite(const std::string& section, const std::string& key, const std::string& value) {
  return {WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), kPlatformFile) !=
              FALSE,
          ""};
}

Result OurWrite(const std::string& section, const std::string& key, const std::string& value) {
  return {IniWrite(kOurFile, section, key, value), ""};
}

struct Step {
  bool write;
  std::string section;
  std::string key;
  std::string value;  // writes only
};

Step W(const std::string& key, const std::string& value, const std::string& section = "Settings") {
  return {true, section, key, value};
}
Step R(const std::string& key, const std::string& section = "Settings") {
  return {false, section, key, ""};
}

struct Sequence {
  const char* name;
  std::vector<Step> steps;
};

// Runs the steps on both files, comparing every result, and after every
// write the bytes too when `compareBytes`.
void RunBoth(const Sequence& sequence, bool compareBytes) {
  for (size_t i = 0; i < sequence.steps.size(); ++i) {
    const Step& step = sequence.steps[i];
    const std::string where = std::string(sequence.name) + ", step " + std::to_string(i) + " (" +
                              step.section + "/" + step.key + ")";
    if (step.write) {
      EXPECT_EQ(OurWrite(step.section, step.key, step.value),
                PlatformWrite(step.section, step.key, step.value))
          << where;
      if (compareBytes) {
        EXPECT_EQ(ReadFileBytes("Plugins/ours.ini"), ReadFileBytes("Plugins/platform.ini"))
            << where;
      }
    } else {
      EXPECT_EQ(OurRead(step.section, step.key), PlatformRead(step.section, step.key)) << where;
    }
  }
}

TEST(ProfileDifferentialTest, FreshFilesMatchByteForByte) {
  const std::string kLong(150, 'L');
  const std::vector<Sequence> sequences = {
      {"the header dialog on a fresh file",
       {R("Operators"),
        W("Band", "ALL"),
        W("Power", ""),
        W("Operators", "YO3XYZ"),
        W("Name", "Ion Pop"),
        W("Address", "Str. Lunga 1"),
        W("Address-City", "Cluj"),
        W("Address-PostalCode", "400001"),
        W("Address-Country", "Romania"),
        W("Category", "SINGLE-OP"),
        W("Contest", "YO-DX"),
        W("Email", "yo3xyz@example.ro"),
        W("Club", "RC"),
        W("SoapBox", "73<CR><LF>de YO3XYZ"),
        W("Loc", "KN34"),
        R("Power"),
        R("Operators"),
        R("SoapBox"),
        R("loc"),
        R("Missing")}},
      {"options and toggles rewritten in place",
       {W("Master", "0"), W("Multiplier", "1"), W("Start", "1"), W("MASTER", "1"), W("start", "0"),
        W("Start", "0"), W("Claimed", "12345"), W("Claimed", ""), R("Master"), R("START"),
        R("Claimed")}},
      {"window positions of any size and sign",
       {W("dxcc_x", "-12000"), W("dxcc_y", "400"), W("oblast_x", "123456"), W("dxcc_y", "0"),
        R("dxcc_x"), R("dxcc_y"), R("oblast_x"), R("oblast_y")}},
      {"a second section appended and keys kept in their sections",
       {W("a", "1"), W("k", "v", "Other"), W("b", "2"), W("k", "w", "OTHER"), W("c", "3", "Third"),
        R("k", "other"), R("b"), R("k")}},
      {"quotes and blanks inside values",
       {W("q1", "\"quoted\""), W("q2", "'single'"), W("q3", "\"mixed'"), W("q4", "\""),
        W("q5", "a \" b"), W("q6", "in  side"), W("eq", "a=b=c"), R("q1"), R("q2"), R("q3"),
        R("q4"), R("q5"), R("q6"), R("eq")}},
      {"blanks before names and values are dropped",
       {W("  lead", "  v"), W("tab", "\tx"), R("lead"), R("tab")}},
      {"a long value",
       {W("SoapBox", kLong), R("SoapBox"), W("SoapBox", kLong + kLong), R("SoapBox")}},
      {"raw line breaks add keys on both",
       {W("v", "a\r\nevil=1"), W("w", "x\r\n[Other]\r\ny=2"), R("evil"), R("y", "Other"),
        W("z", "3"), R("z")}},
  };
  for (const Sequence& sequence : sequences) {
    ScratchDir dir;
    std::filesystem::create_directory("Plugins");
    RunBoth(sequence, true);
  }
}

struct HandWritten {
  const char* name;
  std::string bytes;
  std::vector<Step> steps;
};

TEST(ProfileDifferentialTest, HandWrittenFilesReadTheSame) {
  const std::vector<HandWritten> files = {
      {"blanks around = and names",
       "  [ Settings ]  \r\n  Master  =  2  \r\n\tName\t=\tIon Pop\t\r\nEmpty=\r\nBlank =  \r\n",
       {R("Master"), R("master"), R("Name"), R("Empty"), R("Blank"), W("Loc", "KN34"), R("Loc"),
        R("Name")}},
      {"quoted values",
       "[Settings]\r\nq1=\"x\"\r\nq2=' a '\r\nq3=\"x'\r\nq4=\"\r\nq5=\"\"\r\nq6=\"a\"b\"\r\n"
       "q7= \" spaced \" \r\n",
       {R("q1"), R("q2"), R("q3"), R("q4"), R("q5"), R("q6"), R("q7"), W("q1", "\"y\""), R("q1")}},
      {"duplicate keys and sections",
       "[Settings]\r\ndup=first\r\nDUP=second\r\n[Other]\r\nk=1\r\n[settings]\r\nlate=1\r\n"
       "dup=third\r\n",
       {R("dup"), R("late"), R("k", "Other"), W("dup", "new"), R("dup"), W("late", "2"),
        R("late")}},
      {"comments",
       "; settings of the plug-in\r\n[Settings]\r\n; Master=9\r\nMaster=1\r\n;Club=none\r\n",
       {R("Master"), R("; Master"), R("Club"), W("Club", "RC"), R("Club"), R("Master")}},
      {"missing last line end",
       "[Settings]\r\nMaster=1\r\nClub=RC",
       {R("Club"), W("Loc", "KN34"), R("Club"), R("Loc"), W("k", "v", "Other"), R("k", "Other")}},
      {"LF-only lines",
       "[Settings]\nMaster=1\n\n[Other]\nk=v\n",
       {R("Master"), R("k", "Other"), W("Club", "RC"), R("Club"), R("k", "Other"),
        W("k", "w", "Other"), R("k", "Other")}},
      {"CR-only lines",
       "[Settings]\rMaster=1\rClub=RC\r",
       {R("Master"), R("Club"), W("Loc", "KN34"), R("Loc")}},
      {"odd lines",
       "top=0\r\n[broken\r\n[Settings]\r\nnoeq\r\nv=\v\x1a x \f\r\n[x]]\r\ne=5\r\n",
       {R("top"), R("noeq"), R("v"), R("e", "x]"), W("noeq", "1"), R("noeq"), R("e", "x]")}},
  };
  for (const HandWritten& file : files) {
    ScratchDir dir;
    std::filesystem::create_directory("Plugins");
    WriteFileBytes("Plugins/platform.ini", file.bytes);
    WriteFileBytes("Plugins/ours.ini", file.bytes);
    RunBoth({file.name, file.steps}, false);
  }
}

// Lines Wine normalises on its next write, so that the bytes part: trailing
// blanks of a value (Wine trims them when it rewrites the line) and raw LF
// line ends inside a value (Wine rewrites them as CR LF).
TEST(ProfileDifferentialTest, FreshFilesWithLinesWineNormalisesReadTheSame) {
  const std::vector<Sequence> sequences = {
      {"trailing blanks",
       {W("Name", "Ion  "), W("Club", "RC"), R("Name"), W("Name", "Ion "), R("Name"), R("Club")}},
      {"raw LF",
       {W("w", "x\n[Other]\ny=2"), W("z", "3"), R("w"), R("y", "Other"), R("z"),
        W("y", "4", "Other"), R("y", "Other")}},
  };
  for (const Sequence& sequence : sequences) {
    ScratchDir dir;
    std::filesystem::create_directory("Plugins");
    RunBoth(sequence, false);
  }
}

TEST(ProfileDifferentialTest, MissingFolderFailsOnBothAndCreatesNothing) {
  ScratchDir dir;
  RunBoth({"no Plugins folder", {R("Master"), W("Master", "1"), R("Master")}}, false);
  EXPECT_FALSE(FileExists("Plugins"));
}

}  // namespace
}  // namespace stats
