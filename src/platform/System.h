// Operating-system services the player asks for outside the window: drive
// types, the named single-instance lock, special folders, the shell. Linux
// answers them in platform/linux; tests may substitute their own.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nuvo::platform {

// A held system-wide lock; released when destroyed.
class INamedLock {
public:
    virtual ~INamedLock() = default;
};

class ISystem {
public:
    virtual ~ISystem() = default;

    // True when the native path lies on a CD-ROM drive (never on Linux).
    virtual bool IsOnCdRom(const std::string& nativePath) = 0;
    // Roots of CD-ROM drives holding a disc, as native folders ending in '/'
    // (empty on Linux).
    virtual std::vector<std::string> CdRoots() = 0;
    // Takes the lock named guardName (any Shift-JIS bytes); nullptr when
    // another process holds it.
    virtual std::unique_ptr<INamedLock> TryLock(const std::string& guardName) = 0;
    // The running program's own file, and its folder (ending in '/').
    virtual std::string ExecutablePath() = 0;
    virtual std::string ExecutableFolder() = 0;
    // The per-user folder for configuration ($XDG_CONFIG_HOME) and for
    // application data ($XDG_DATA_HOME), each ending in '/'.
    virtual std::string ConfigFolder() = 0;
    virtual std::string UserDataFolder() = 0;
    // Opens a URL or a document with the desktop's handler; false on failure.
    virtual bool OpenDocument(const std::string& urlOrPath) = 0;
};

// The Linux implementation.
std::unique_ptr<ISystem> createLinuxSystem();

} // namespace nuvo::platform
