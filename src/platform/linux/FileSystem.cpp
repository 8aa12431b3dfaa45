// The file system on Linux. Titles were made on a case-insensitive file system
// whose names are Shift-JIS; here a name is looked up component by component,
// under its UTF-8 form and under its raw bytes, exactly and then ignoring
// ASCII letter case.
#include "platform/FileSystem.h"

#include "base/Cp932.h"
#include "base/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace nuvo::platform {
namespace {

// Splits a title's name into its components on '\' and '/', walking
// characters (0x5C is a valid second byte). Gives nullopt for names that must
// never reach the disk.
std::optional<std::vector<std::string>> titleComponents(std::string_view name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/') return std::nullopt;
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < name.size();) {
        const size_t len = charLength(name, i);
        const char c = name[i];
        if (len == 1 && (c == '\\' || c == '/')) {
            if (!current.empty()) parts.push_back(std::move(current));
            current.clear();
        } else if (len == 1 && (c == ':' || c == '\0')) {
            return std::nullopt;
        } else {
            current.append(name.substr(i, len));
        }
        i += len;
    }
    if (!current.empty()) parts.push_back(std::move(current));
    for (const std::string& p : parts)
        if (p == "..") return std::nullopt;
    std::erase(parts, std::string("."));
    if (parts.empty()) return std::nullopt;
    return parts;
}

// The UTF-8 form of one component when it converts both ways exactly.
std::optional<std::string> exactUtf8(std::string_view sjis) {
    std::string utf8 = sjisToUtf8Escaped(sjis);
    if (utf8.find("\\x{") != std::string::npos) return std::nullopt;
    return utf8;
}

bool statIs(const std::string& path, bool wantDir) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return wantDir ? S_ISDIR(st.st_mode) : true;
}

bool asciiSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return names;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// One component under a folder: the UTF-8 form then the raw bytes, each
// exactly and then ignoring letter case (ASCII for UTF-8, character-wise for
// Shift-JIS). Intermediate components must be folders.
std::optional<std::string> resolveComponent(const std::string& folder, const std::string& sjis, bool wantDir) {
    struct Form {
        std::string bytes;
        bool utf8;
    };
    std::vector<Form> forms;
    if (auto utf8 = exactUtf8(sjis); utf8 && *utf8 != sjis) forms.push_back({*utf8, true});
    forms.push_back({sjis, false});

    std::vector<std::string> listing;
    bool listed = false;
    for (const Form& form : forms) {
        const std::string exact = joinPath(folder, form.bytes);
        if (statIs(exact, wantDir)) return exact;
        if (!listed) {
            listing = folderNames(folder);
            listed = true;
        }
        for (const std::string& n : listing) {
            if (!(form.utf8 ? asciiSameText(n, form.bytes) : sjisSameText(n, form.bytes))) continue;
            const std::string p = joinPath(folder, n);
            if (statIs(p, wantDir)) return p;
        }
    }
    return std::nullopt;
}

struct TempFolderState {
    std::string path;
    pid_t owner = 0;
};

TempFolderState& tempState() {
    static TempFolderState state;
    return state;
}

void removeTempFolderAtExit() {
    const TempFolderState& s = tempState();
    // A forked child inherits the handler but not the folder.
    if (s.path.empty() || s.owner != ::getpid()) return;
    std::error_code ec;
    std::filesystem::remove_all(s.path, ec);
}

std::string systemTempFolder() {
    const char* t = std::getenv("TMPDIR");
    if (t && *t == '/' && statIs(t, true)) return t;
    return "/tmp";
}

std::string randomSuffix() {
    static std::mutex m;
    static std::mt19937_64 gen{std::random_device{}()};
    std::lock_guard<std::mutex> lock(m);
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s;
    for (int i = 0; i < 10; ++i) s += kChars[gen() % 36];
    return s;
}

bool writeAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string parentFolder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void raiseCannotWrite(const std::string& path) {
    raiseFormat("%s:ファイルに書き込めません", {titleNameFromNative(path)});
}

} // namespace

std::optional<std::string> resolveTitlePath(const std::string& nativeFolder, std::string_view sjisName) {
    auto parts = titleComponents(sjisName);
    if (!parts) return std::nullopt;
    std::string current = nativeFolder;
    for (size_t i = 0; i < parts->size(); ++i) {
        auto next = resolveComponent(current, (*parts)[i], i + 1 < parts->size());
        if (!next) return std::nullopt;
        current = std::move(*next);
    }
    return current;
}

std::string nativeRelativeName(std::string_view sjisName) {
    std::string out;
    std::string component;
    auto flush = [&] {
        if (auto utf8 = exactUtf8(component))
            out += *utf8;
        else
            out += component;
        component.clear();
    };
    for (size_t i = 0; i < sjisName.size();) {
        const size_t len = charLength(sjisName, i);
        if (len == 1 && (sjisName[i] == '\\' || sjisName[i] == '/')) {
            flush();
            out += '/';
        } else {
            component.append(sjisName.substr(i, len));
        }
        i += len;
    }
    flush();
    return out;
}

std::string titleNameFromNative(std::string_view nativeName) {
    const std::string sjis = utf8ToSjis(nativeName);
    if (sjisToUtf8(sjis) == nativeName) return sjis;
    return std::string(nativeName);
}

bool isFile(const std::string& nativePath) {
    struct stat st;
    return ::stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& nativePath) { return statIs(nativePath, true); }

int64_t fileSize(const std::string& nativePath) {
    struct stat st;
    if (::stat(nativePath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

int32_t fileDosTime(const std::string& nativePath) {
    struct stat st;
    if (::stat(nativePath.c_str(), &st) != 0) return 0;
    struct tm local;
    const time_t t = st.st_mtime;
    if (!::localtime_r(&t, &local)) return 0;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return 0;
    const uint32_t date = static_cast<uint32_t>((year - 1980) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    const uint32_t time = static_cast<uint32_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    return static_cast<int32_t>(date << 16 | time);
}

std::vector<std::string> listFiles(const std::string& nativeFolder) {
    std::vector<std::string> files;
    DIR* d = ::opendir(nativeFolder.c_str());
    if (!d) return files;
    while (const dirent* e = ::readdir(d)) {
        if (e->d_type == DT_REG || ((e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) &&
                                    isFile(joinPath(nativeFolder, e->d_name))))
            files.emplace_back(e->d_name);
    }
    ::closedir(d);
    return files;
}

void clearReadOnly(const std::string& nativePath) {
    struct stat st;
    if (::stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        ::chmod(nativePath.c_str(), (st.st_mode & 07777) | S_IWUSR);
}

bool removeFile(const std::string& nativePath) { return ::unlink(nativePath.c_str()) == 0; }

TAtomicFileWriter::TAtomicFileWriter(const std::string& nativePath) : path_(nativePath) {
    const std::string folder = parentFolder(nativePath);
    const size_t slash = nativePath.rfind('/');
    const std::string base = slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = joinPath(folder, "." + base + "." + randomSuffix() + ".tmp");
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) raiseCannotWrite(nativePath);
    // A replaced file keeps its permissions.
    struct stat old;
    if (::stat(nativePath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd_, old.st_mode & 07777);
}

TAtomicFileWriter::~TAtomicFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

void TAtomicFileWriter::Write(const void* data, size_t size) {
    if (fd_ < 0) raiseCannotWrite(path_);
    if (!writeAll(fd_, data, size)) {
        failed_ = true;
        raiseCannotWrite(path_);
    }
    written_ += size;
}

void TAtomicFileWriter::WriteAt(uint64_t offset, const void* data, size_t size) {
    if (fd_ < 0) raiseCannotWrite(path_);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            raiseCannotWrite(path_);
        }
        p += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
}

void TAtomicFileWriter::Commit() {
    if (fd_ < 0) raiseCannotWrite(path_);
    const bool ok = !failed_ && ::fsync(fd_) == 0;
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || !ok || ::rename(temp_.c_str(), path_.c_str()) != 0) {
        ::unlink(temp_.c_str());
        raiseCannotWrite(path_);
    }
    const int dirFd = ::open(parentFolder(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void writeFileAtomic(const std::string& nativePath, const void* data, size_t size) {
    TAtomicFileWriter out(nativePath);
    out.Write(data, size);
    out.Commit();
}

const std::string& processTempFolder() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::string pattern = joinPath(systemTempFolder(), "nuvo-XXXXXX");
        if (!::mkdtemp(pattern.data())) raiseError(sjisText("作業用ファイルが作れません"));
        TempFolderState& s = tempState();
        s.path = pattern + "/";
        s.owner = ::getpid();
        std::atexit(removeTempFolderAtExit);
    });
    return tempState().path;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    std::string out = folder;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    size_t start = 0;
    while (start < name.size() && name[start] == '/') ++start;
    if (out != "/") out += '/';
    out.append(name, start);
    return out;
}

} // namespace nuvo::platform
