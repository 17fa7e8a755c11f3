// A small INI reader and writer that keeps files the way the Windows
// private-profile functions keep them, for the builds that do not have them.
//
// Reading: section and key names match without regard to ASCII case; blanks
// around names and values are trimmed; a value whose first and last
// characters are the same quote (' or ") loses them; "key=" is present and
// empty; the first of duplicate keys wins and only the first of duplicate
// sections is searched. Lines end with CR LF, LF or CR; the last line end
// may be missing.
//
// Writing: a new file is "[Section]\r\nkey=value\r\n"; a new section goes at
// the end of the file with no blank line before it; a new key goes after the
// last line of its section; an existing key is replaced in place as
// "key=value" with the key spelled as it was. Lines written end with CR LF;
// every other byte of the file stays as it was. Blanks at the start of the
// names and of the value are dropped, as the platform drops them.
#ifndef STATS_PLATFORM_INI_FILE_H_
#define STATS_PLATFORM_INI_FILE_H_

#include <string>

namespace stats {

// The value of the key in the INI text; false when the section or the key is
// absent (a matching line without "=" counts as absent).
bool IniTextRead(const std::string& text, const std::string& section, const std::string& key,
                 std::string* value);

// The INI text with the key set to the value (raw: the value is not
// escaped). Returns the text unchanged when the key already holds the value.
std::string IniTextWrite(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value);

// The same on a file. A missing or unreadable file reads as absent. A write
// creates the file when it does not exist, but never a folder, and replaces
// it whole: it returns false when the file could not be read or written,
// and then nothing was created and the old file is as it was. Calls are serialised within the
// process, so reads and writes from two threads do not see half-written files.
bool IniRead(const std::string& path, const std::string& section, const std::string& key,
             std::string* value);
bool IniWrite(const std::string& path, const std::string& section, const std::string& key,
              const std::string& value);

}  // namespace stats

#endif  // STATS_PLATFORM_INI_FILE_H_
