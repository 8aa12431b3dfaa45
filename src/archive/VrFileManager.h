// The virtual file manager: finds a title's files by their relative
// Shift-JIS names in the base folder, in the archives (in the order they were
// added) and on the roots of discs, and hands back their bytes, a window on
// their stored bytes, or a real file on disk.
//
// Archive 0 is by convention the in-memory archive that receives "mem:" and
// "save:" entries. Temporary copies made for GetLocalPath live in a folder
// private to the process and are deleted when the manager goes.
#pragma once

#include "archive/VrFileCollection.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

namespace platform {
class ISystem;
class IDialogs;
} // namespace platform

// One temporary extracted copy.
struct TVrLockData {
    int Id = 0;
    std::string Name; // the entry it was extracted from
    int Uses = 1;
    std::string Path; // native
};

class TVrFileManager {
public:
    // system gives the CD roots (collected once, here); dialogs shows the disk
    // prompts. Either may be null: no discs, no prompts.
    TVrFileManager(platform::ISystem* system, platform::IDialogs* dialogs);
    ~TVrFileManager();
    TVrFileManager(const TVrFileManager&) = delete;
    TVrFileManager& operator=(const TVrFileManager&) = delete;

    // A native folder; a separator is appended when missing (empty stays empty).
    void SetBaseFolder(const std::string& nativeFolder);
    const std::string& BaseFolder() const { return baseFolder_; }

    // Opens the archive at a native path and appends it; an empty path gives
    // the in-memory archive. -1 when an archive's folder already equals path.
    // Raises the broken-data error on a directory that does not hold together.
    int AddArchive(const std::string& nativePath);
    void RemoveArchive(int index);
    int ArchiveCount() const { return static_cast<int>(archives_.size()); }
    TVrFileCollection& Archive(int index) { return *archives_[static_cast<size_t>(index)]; }

    bool Exists(std::string_view name);
    // Fills stream with the file's bytes (decompressed), positioned at 0;
    // raises "%s:ファイルがありません".
    void LoadToStream(TStream& stream, std::string_view name);
    // A window on the stored bytes (the caller owns it); raises
    // "%s:ファイルがありません". Meant for entries packed stored.
    std::unique_ptr<TRangeStream> OpenRangeStream(std::string_view name);
    // A native path of a real file holding the bytes: the base-folder file,
    // else a temporary copy (made once, then reused), else a disc file, else
    // the name unchanged. Raises "作業用ファイルが作れません".
    std::string GetLocalPath(std::string_view name);
    // Forgets the temporary copies of a name (after its contents changed);
    // their files go on the pending-deletion list.
    void DropLocalCopies(std::string_view name);
    TVrFile* FindEntry(std::string_view name);
    // Appends the names found in a relative folder ("" or ending in a
    // backslash): archive entries, then base-folder files, then disc files.
    void ListFolder(std::string_view folder, std::vector<std::string>& list);

    // The texts of the disk prompts (Shift-JIS; the change-media text takes
    // the disk number at "%d"), the caption, the title id compared with
    // "install.dat", and what a refused prompt does (set the stop flag and
    // ask the main window to close).
    struct DiskPrompt {
        std::string changeMedia;
        std::string exitMessage;
        std::string caption;
        std::string titleId;
        std::function<void()> requestQuit;
    };
    DiskPrompt& Prompt() { return prompt_; }
    // Asks for disk n (from 1) until it is mounted or the player gives up.
    bool AskForDisk(int n);
    // Adds "game.dat" of every disc whose "install.dat" names this title and
    // disk index.
    bool MountDisk(int index);

    // Deletes the files waiting for deletion; called every frame and at the end.
    void DeleteTempFiles();
    const std::vector<std::string>& CdRoots() const { return cdRoots_; }
    const std::vector<TVrLockData>& Locks() const { return locks_; }
    // For tests: the volume size of archives added from now on.
    void SetVolumeSize(int64_t bytes) { volumeSize_ = bytes; }

private:
    std::string baseFile(std::string_view name) const;
    std::string rootFile(std::string_view name) const;
    void loadDiskFile(TStream& stream, const std::string& path);
    std::string extractCopy(std::string_view name);

    platform::IDialogs* dialogs_;
    std::vector<std::string> cdRoots_;
    std::string baseFolder_;
    std::vector<std::unique_ptr<TVrFileCollection>> archives_;
    std::vector<TVrLockData> locks_;
    int nextLockId_ = 0;
    std::vector<std::string> pendingDeletion_;
    DiskPrompt prompt_;
    int64_t volumeSize_ = TKvBigFileStream::kVolumeSize;
};

} // namespace nuvo
