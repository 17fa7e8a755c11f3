#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace stats {
namespace {

using testing::FileExists;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteFileBytes;

struct ReadCase {
  const char* name;
  std::string text;
  std::string section;
  std::string key;
  bool present;
  std::string value;
};

TEST(IniTextReadTest, FindsValuesAsTheProfileFunctionsDo) {
  const std::string kFile =
      "top=0\r\n"
      "  [ Settings ]  \r\n"
      "\r\n"
      "; Master=9\r\n"
      "  Master  =  2  \r\n"
      "Empty=\r\n"
      "Blank =   \r\n"
      "q1=\"x\"\r\n"
      "q2=' a '\r\n"
      "q3=\"x'\r\n"
      "q4=\"\r\n"
      "q5=\"\"\r\n"
      "q6=\"a\"b\"\r\n"
      "dup=first\r\n"
      "DUP=second\r\n"
      "noeq\r\n"
      "\tTab\t=\v\tv w\f\x1a\r\n"
      "eq=a=b\r\n"
      "[broken\r\n"
      "afterBroken=1\r\n"
      "[Other]\r\n"
      "k=other\r\n"
      "[settings]\r\n"
      "late=1\r\n"
      "[x]]\r\n"
      "e=5";
  const std::vector<ReadCase> cases = {
      {"trimmed around = and the section name", kFile, "Settings", "Master", true, "2"},
      {"names without regard to case", kFile, "SETTINGS", "master", true, "2"},
      {"a comment is a line of its own name", kFile, "Settings", "; Master", true, "9"},
      {"key= is present and empty", kFile, "Settings", "Empty", true, ""},
      {"only blanks after = is empty", kFile, "Settings", "Blank", true, ""},
      {"double quotes removed", kFile, "Settings", "q1", true, "x"},
      {"single quotes removed, blanks inside kept", kFile, "Settings", "q2", true, " a "},
      {"different quotes kept", kFile, "Settings", "q3", true, "\"x'"},
      {"a lone quote kept", kFile, "Settings", "q4", true, "\""},
      {"two quotes give empty", kFile, "Settings", "q5", true, ""},
      {"only the outer quotes go", kFile, "Settings", "q6", true, "a\"b"},
      {"first of duplicate keys", kFile, "Settings", "dup", true, "first"},
      {"a line without = is absent", kFile, "Settings", "noeq", false, ""},
      {"tabs, VT, FF and Ctrl-Z trimmed", kFile, "Settings", "tab", true, "v w"},
      {"the first = splits", kFile, "Settings", "eq", true, "a=b"},
      {"[ without ] is no section header", kFile, "Settings", "afterBroken", true, "1"},
      {"other section", kFile, "Other", "k", true, "other"},
      {"key of another section", kFile, "Settings", "k", false, ""},
      {"duplicate section not searched", kFile, "Settings", "late", false, ""},
      {"name runs to the last ]", kFile, "x]", "e", true, "5"},
      {"no last line end", kFile, "x]", "E", true, "5"},
      {"lines before any section", kFile, "Settings", "top", false, ""},
      {"absent section", kFile, "None", "Master", false, ""},
      {"empty text", "", "Settings", "Master", false, ""},
      {"LF-only lines", "[Settings]\na=1\nb=2\n", "Settings", "b", true, "2"},
      {"CR-only lines", "[Settings]\ra=1\rb=2", "Settings", "b", true, "2"},
      {"CR CR LF", "[Settings]\r\r\na=1\r\r\n", "Settings", "a", true, "1"},
      {"UTF-8 mark before the first header", "\xEF\xBB\xBF[Settings]\r\na=1\r\n", "Settings", "a",
       true, "1"},
  };
  for (const ReadCase& c : cases) {
    std::string value = "unchanged";
    EXPECT_EQ(IniTextRead(c.text, c.section, c.key, &value), c.present) << c.name;
    if (c.present) {
      EXPECT_EQ(value, c.value) << c.name;
    }
  }
}

struct WriteCase {
  const char* name;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
};

TEST(IniTextWriteTest, EditsOnlyWhatTheWriteNeeds) {
  const std::vector<WriteCase> cases = {
      {"new file", "", "Settings", "Master", "1", "[Settings]\r\nMaster=1\r\n"},
      {"new key at the end of its section", "[Settings]\r\na=1\r\n[Other]\r\nb=2\r\n", "Settings",
       "c", "3", "[Settings]\r\na=1\r\nc=3\r\n[Other]\r\nb=2\r\n"},
      {"new key before the blank lines that end the section",
       "[Settings]\r\na=1\r\n\r\n\r\n[Other]\r\n", "Settings", "c", "3",
       "[Settings]\r\na=1\r\nc=3\r\n\r\n\r\n[Other]\r\n"},
      {"new key under a header without keys", "[Settings]\r\n[Other]\r\n", "Settings", "c", "3",
       "[Settings]\r\nc=3\r\n[Other]\r\n"},
      {"new key after a last line without line end", "[Settings]\r\na=1", "Settings", "b", "2",
       "[Settings]\r\na=1\r\nb=2\r\n"},
      {"new section at the end, no blank line", "[Other]\r\nb=2\r\n", "Settings", "a", "1",
       "[Other]\r\nb=2\r\n[Settings]\r\na=1\r\n"},
      {"new section after a missing line end", "[Other]\nb=2", "Settings", "a", "1",
       "[Other]\nb=2\r\n[Settings]\r\na=1\r\n"},
      {"new section after trailing blank lines", "[Other]\r\n\r\n", "Settings", "a", "1",
       "[Other]\r\n\r\n[Settings]\r\na=1\r\n"},
      {"replaced in place keeping its spelling", "[SETTINGS]\r\n  MaStEr = 0 \r\nz=9\r\n",
       "Settings", "master", "1", "[SETTINGS]\r\nMaStEr=1\r\nz=9\r\n"},
      {"first duplicate replaced", "[Settings]\r\nd=1\r\nd=2\r\n", "Settings", "d", "3",
       "[Settings]\r\nd=3\r\nd=2\r\n"},
      {"a line without = is the key", "[Settings]\r\nflag\r\n", "Settings", "flag", "1",
       "[Settings]\r\nflag=1\r\n"},
      {"the same value leaves the text", "[Settings]\n k = v \n", "Settings", "K", "v",
       "[Settings]\n k = v \n"},
      {"the same quoted value leaves the text", "[Settings]\r\nq=\"x\"\r\n", "Settings", "q",
       "\"x\"", "[Settings]\r\nq=\"x\"\r\n"},
      {"unrelated LF-only lines stay", "[Settings]\na = 1\nb=2\n; note\n", "Settings", "b", "5",
       "[Settings]\na = 1\nb=5\r\n; note\n"},
      {"a key of a duplicate section goes to the first", "[S]\r\na=1\r\n[T]\r\n[s]\r\n", "S", "b",
       "2", "[S]\r\na=1\r\nb=2\r\n[T]\r\n[s]\r\n"},
      {"blanks at the start of names and value dropped, trailing kept", "", " Settings ", " k ",
       " \tv ", "[Settings ]\r\nk =v \r\n"},
      {"empty value", "", "Settings", "Power", "", "[Settings]\r\nPower=\r\n"},
      {"CR LF in the value written raw", "", "Settings", "v", "a\r\nevil=1",
       "[Settings]\r\nv=a\r\nevil=1\r\n"},
      {"UTF-8 mark kept", "\xEF\xBB\xBF[Settings]\r\na=1\r\n", "Settings", "a", "2",
       "\xEF\xBB\xBF[Settings]\r\na=2\r\n"},
  };
  for (const WriteCase& c : cases) {
    EXPECT_EQ(IniTextWrite(c.before, c.section, c.key, c.value), c.after) << c.name;
  }
}

TEST(IniFileTest, LeavesHandWrittenLinesByteForByte) {
  ScratchDir dir;
  const std::string before = "; kept\n[Other]\n x = 1 \n\n[Settings]\nMaster = 0\nClub=YO\n";
  WriteFileBytes("t.ini", before);
  EXPECT_TRUE(IniWrite("t.ini", "Settings", "Master", "1"));
  EXPECT_TRUE(IniWrite("t.ini", "Settings", "Loc", "KN34"));
  EXPECT_EQ(ReadFileBytes("t.ini"),
            "; kept\n[Other]\n x = 1 \n\n[Settings]\nMaster=1\r\nClub=YO\nLoc=KN34\r\n");
}

TEST(IniFileTest, MissingFolderFailsAndCreatesNothing) {
  ScratchDir dir;
  const std::string path = "Plugins/t.ini";
  EXPECT_FALSE(IniWrite(path, "Settings", "Master", "1"));
  EXPECT_FALSE(FileExists("Plugins"));
  std::string value;
  EXPECT_FALSE(IniRead(path, "Settings", "Master", &value));
}

TEST(IniFileTest, WritesFromTwoThreadsAreNotLost) {
  ScratchDir dir;
  constexpr int kRounds = 200;
  auto writer = [](const std::string& key) {
    for (int i = 0; i < kRounds; ++i) IniWrite("t.ini", "Settings", key, std::to_string(i));
  };
  std::thread first(writer, "dxcc_x");
  std::thread second(writer, "oblast_x");
  first.join();
  second.join();
  for (const char* key : {"dxcc_x", "oblast_x"}) {
    std::string value;
    ASSERT_TRUE(IniRead("t.ini", "Settings", key, &value)) << key;
    EXPECT_EQ(value, std::to_string(kRounds - 1)) << key;
  }
}

}  // namespace
}  // namespace stats
