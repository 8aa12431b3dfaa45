// ISystem on Linux: no CD-ROM drives, the named lock is an exclusive flock on
// a file in the runtime folder, special folders follow the XDG conventions and
// documents open through xdg-open.
#include "platform/System.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace nuvo::platform {
namespace {

std::string withSlash(std::string s) {
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v == '/') ? std::string(v) : fallback;
}

std::string homeFolder() {
    const char* h = std::getenv("HOME");
    return (h && *h) ? std::string(h) : std::string("/tmp");
}

// A file name that stands for any guard name: safe bytes kept, others as %XX,
// and long names cut and completed by a hash so they stay unique and short.
std::string lockFileName(std::string_view guard) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (unsigned char c : guard) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.') {
            name += static_cast<char>(c);
        } else {
            name += '%';
            name += kHex[c >> 4];
            name += kHex[c & 15];
        }
    }
    if (name.size() > 180) {
        uint64_t h = 1469598103934665603ull; // FNV-1a over the whole guard name
        for (unsigned char c : guard) h = (h ^ c) * 1099511628211ull;
        char tail[20];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(h));
        name = name.substr(0, 160) + tail;
    }
    return name + ".lock";
}

std::string runtimeFolder() {
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r == '/') return withSlash(r) + "nuvoplayer/";
    return std::filesystem::temp_directory_path().string() + "/nuvoplayer-" + std::to_string(getuid()) + "/";
}

class FlockLock final : public INamedLock {
public:
    explicit FlockLock(int fd) : fd_(fd) {}
    ~FlockLock() override {
        flock(fd_, LOCK_UN);
        close(fd_);
    }

private:
    int fd_;
};

class LinuxSystem final : public ISystem {
public:
    bool IsOnCdRom(const std::string&) override { return false; }
    std::vector<std::string> CdRoots() override { return {}; }

    std::unique_ptr<INamedLock> TryLock(const std::string& guardName) override {
        const std::string folder = runtimeFolder();
        // The folder holds only our lock files; keep it private to the user.
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return nullptr;
        struct stat st{};
        if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return nullptr;
        const std::string path = folder + lockFileName(guardName);
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return nullptr;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return nullptr;
        }
        return std::make_unique<FlockLock>(fd);
    }

    std::string ExecutablePath() override {
        std::error_code ec;
        auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::string() : p.string();
    }

    std::string ExecutableFolder() override {
        const std::string exe = ExecutablePath();
        const auto slash = exe.rfind('/');
        return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
    }

    std::string ConfigFolder() override { return withSlash(envOr("XDG_CONFIG_HOME", homeFolder() + "/.config")); }
    std::string UserDataFolder() override { return withSlash(envOr("XDG_DATA_HOME", homeFolder() + "/.local/share")); }

    bool OpenDocument(const std::string& urlOrPath) override {
        const char* argv[] = {"xdg-open", urlOrPath.c_str(), nullptr};
        pid_t pid;
        if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
        // xdg-open hands the document over and returns at once.
        int status = 0;
        return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

} // namespace

std::unique_ptr<ISystem> createLinuxSystem() { return std::make_unique<LinuxSystem>(); }

} // namespace nuvo::platform
