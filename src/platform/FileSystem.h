// The file system as the player sees it. Native paths are std::string in the
// file system's own encoding (never forced through Shift-JIS); a title's own
// names are Shift-JIS with backslashes and are resolved here, without regard
// to letter case, because titles come from a case-insensitive file system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo::platform {

// Finds the file or folder a title names under a native folder: the name's
// backslashes (found by walking Shift-JIS characters) separate components;
// each component is looked up first under its UTF-8 form, then under its raw
// bytes, each time exactly and then without regard to ASCII letter case.
// Both '\\' and '/' separate, as on the system titles come from. Of several
// names that differ only in case, the first in byte order wins. Gives the
// native path, or nullopt when nothing matches. A name that is empty, absolute,
// carries a drive letter or any other colon (no file name there has one, so
// "mem:" and "save:" names never reach the disk) or a ".." component resolves
// to nothing.
std::optional<std::string> resolveTitlePath(const std::string& nativeFolder, std::string_view sjisName);

// The native form of a title's relative name (UTF-8 where it converts
// exactly, else the raw bytes), with '/' as separator; for files to create.
std::string nativeRelativeName(std::string_view sjisName);
// The title's name for a native file name: its Shift-JIS form when the name
// is UTF-8 that converts exactly, else the bytes as they are (a name written
// in Shift-JIS on disk).
std::string titleNameFromNative(std::string_view nativeName);

bool isFile(const std::string& nativePath);
bool isDirectory(const std::string& nativePath);
int64_t fileSize(const std::string& nativePath); // -1 when absent
// The file's modification time in local time as a DOS date-time stamp
// (date in the high 16 bits), or 0 when it cannot be read.
int32_t fileDosTime(const std::string& nativePath);
// The plain files (not folders) directly inside a folder, by name, unsorted.
std::vector<std::string> listFiles(const std::string& nativeFolder);
// Removes owner-write protection and the hidden state where the file system
// has them (nothing on Linux beyond making the file writable by its owner).
void clearReadOnly(const std::string& nativePath);
bool removeFile(const std::string& nativePath);

// Writes a file so that a crash or a full disk never leaves it half written:
// a temporary file in the same folder, flushed to disk, renamed over the
// target. Raises ENuvoError on failure (the old file is then untouched).
void writeFileAtomic(const std::string& nativePath, const void* data, size_t size);

// The same for a file written piece by piece: the pieces go to a temporary
// file in the target's folder, Commit flushes it and renames it over the
// target. Dropped without Commit, the temporary file is removed and the
// target stays as it was. Every call raises ENuvoError on failure.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const std::string& nativePath);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    // Appends.
    void Write(const void* data, size_t size);
    // Overwrites bytes already written (a header whose sizes come last).
    void WriteAt(uint64_t offset, const void* data, size_t size);
    uint64_t Written() const { return written_; }
    void Commit();

private:
    std::string path_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
    uint64_t written_ = 0;
};

// A folder private to this process (mode 0700) under the temporary folder,
// created on first use and removed with its contents at exit.
const std::string& processTempFolder();

// Joins a native folder and a native name with exactly one separator.
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace nuvo::platform
