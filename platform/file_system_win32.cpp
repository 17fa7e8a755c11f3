// Appends and whole-file replacement with the Win32 file functions: for an
// append, open for appending, write, close; for a replacement write, (flush,)
// close, then MoveFileExA over the old file (for the report, written over in
// place when another program holds the old one open).
#include <windows.h>

#include "platform/file_system.h"
#include "platform/win32_error.h"

namespace stats {

namespace {

// Writes every byte, in pieces that fit a DWORD; false at the first short write.
bool WriteAll(HANDLE file, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const DWORD chunk =
        static_cast<DWORD>(bytes.size() - done > (1u << 30) ? (1u << 30) : bytes.size() - done);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written != chunk) {
      return false;
    }
    done += written;
  }
  return true;
}

// Closes the file; false, with the thread's last error telling why, when
// the close reported an error.
bool CloseChecked(HANDLE file) {
  if (!CloseHandle(file)) return false;
  if (!CloseFailsByRequest()) return true;
  SetLastError(ERROR_DISK_FULL);
  return false;
}

}  // namespace

bool AppendToFile(const std::string& path, const std::string& bytes) {
  // Append access alone: every write goes to the end. Others may read and
  // write the file meanwhile, as with the C library's "ab".
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteAll(file, bytes);
  return CloseChecked(file) && written;
}

namespace {

// Where a replacement stopped.
enum class Stop { kDone, kNotWritten, kNotRenamed };

// The bytes under the temporary name, renamed over path; on failure *why
// gets the failed step's error code, and the temporary file is gone. No
// text is made here: the caller decides whether it needs one (the one step
// that may throw).
Stop ReplaceWhole(const std::string& path, const std::string& temporary, const std::string& bytes,
                  bool flushToDisk, DWORD* why) {
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *why = GetLastError();
    return Stop::kNotWritten;
  }
  bool ok = WriteAll(file, bytes) && (!flushToDisk || FlushFileBuffers(file));
  *why = GetLastError();
  if (!CloseChecked(file) && ok) {
    ok = false;
    *why = GetLastError();
  }
  Stop stop = ok ? Stop::kDone : Stop::kNotWritten;
  if (ok && !MoveFileExA(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    stop = Stop::kNotRenamed;
    *why = GetLastError();
  }
  if (stop != Stop::kDone) DeleteFileA(temporary.c_str());
  return stop;
}

}  // namespace

bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error,
                       bool flushToDisk) {
  DWORD why = 0;
  if (ReplaceWhole(path, path + ".tmp", bytes, flushToDisk, &why) == Stop::kDone) return true;
  *error = ErrorText(why);
  return false;
}

bool ReplaceOrRewriteFile(const std::string& path, const std::string& bytes) {
  DWORD why = 0;
  const Stop stop = ReplaceWhole(path, path + ".tmp", bytes, false, &why);
  if (stop == Stop::kDone) return true;
  // Windows renames over a file only when every program that holds it open
  // allows it to be deleted, which a viewer that follows the file as it
  // grows does not. The bytes fitted on the disk a moment ago: they are
  // written over the old ones in place, sharing the file as the C library's
  // "wb" does. A read-only file or a folder refuses this open too.
  if (stop != Stop::kNotRenamed || (why != ERROR_ACCESS_DENIED && why != ERROR_SHARING_VIOLATION))
    return false;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteAll(file, bytes);
  return CloseChecked(file) && written;
}

}  // namespace stats
