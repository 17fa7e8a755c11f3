// Appends and whole-file replacement with the Win32 file functions: for an
// append, open for appending, write, close; for a replacement write, (flush,)
// close, then MoveFileExA over the old file.
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

bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error,
                       bool flushToDisk) {
  const std::string temporary = path + ".tmp";
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastErrorText();
    return false;
  }
  // The reason is kept as a code and made into text once the file is
  // closed and gone: the text is the one step that may throw.
  bool ok = WriteAll(file, bytes) && (!flushToDisk || FlushFileBuffers(file));
  DWORD why = GetLastError();
  if (!CloseChecked(file) && ok) {
    ok = false;
    why = GetLastError();
  }
  if (ok && !MoveFileExA(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    why = GetLastError();
  }
  if (ok) return true;
  DeleteFileA(temporary.c_str());
  *error = ErrorText(why);
  return false;
}

}  // namespace stats
