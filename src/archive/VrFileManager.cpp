#include "archive/VrFileManager.h"

#include "archive/ArchiveNames.h"
#include "archive/InstallSet.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace nuvo {
namespace {

std::string notFound(std::string_view name) { return formatSjis(sjisText("%s:ファイルがありません"), {name}); }

[[noreturn]] void raiseNoWorkFile() { raiseError(sjisText("作業用ファイルが作れません")); }

bool asciiStartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (prefix.size() > s.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = s[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
        if (a != b) return false;
    }
    return true;
}

// The prompt text comes from the project file: only "%d" (the disk number)
// and "%%" are replaced, whatever else it holds.
std::string formatDiskNumber(std::string_view text, int n) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t len = charLength(text, i);
        if (len == 1 && text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 'd' || text[i + 1] == '%')) {
            out += text[i + 1] == 'd' ? std::to_string(n) : "%";
            i += 2;
            continue;
        }
        out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

// A title file found under a native folder.
std::string titleFileUnder(const std::string& folder, std::string_view name) {
    if (folder.empty() || name.empty()) return {};
    auto path = platform::resolveTitlePath(folder, name);
    return path && platform::isFile(*path) ? *path : std::string();
}

} // namespace

TVrFileManager::TVrFileManager(platform::ISystem* system, platform::IDialogs* dialogs) : dialogs_(dialogs) {
    if (system) cdRoots_ = system->CdRoots();
    prompt_.changeMedia = sjisText("ディスク%dを入れてから[OK]をクリックしてください");
    prompt_.exitMessage = sjisText("終了します");
}

TVrFileManager::~TVrFileManager() {
    archives_.clear();
    for (const TVrLockData& lock : locks_) pendingDeletion_.push_back(lock.Path);
    locks_.clear();
    DeleteTempFiles();
}

void TVrFileManager::SetBaseFolder(const std::string& folder) {
    baseFolder_ = folder;
    if (!baseFolder_.empty() && baseFolder_.back() != '/') baseFolder_ += '/';
}

int TVrFileManager::AddArchive(const std::string& nativePath) {
    for (const auto& a : archives_)
        if (a->Folder().size() == nativePath.size() && asciiStartsWithNoCase(a->Folder(), nativePath)) return -1;
    auto archive = std::make_unique<TVrFileCollection>(volumeSize_);
    archive->Open(nativePath);
    archives_.push_back(std::move(archive));
    return ArchiveCount() - 1;
}

void TVrFileManager::RemoveArchive(int index) {
    if (index >= 0 && index < ArchiveCount()) archives_.erase(archives_.begin() + index);
}

std::string TVrFileManager::baseFile(std::string_view name) const { return titleFileUnder(baseFolder_, name); }

std::string TVrFileManager::rootFile(std::string_view name) const {
    for (const std::string& root : cdRoots_)
        if (std::string path = titleFileUnder(root, name); !path.empty()) return path;
    return {};
}

bool TVrFileManager::Exists(std::string_view name) {
    if (name.empty()) return false;
    for (const auto& a : archives_)
        if (a->IndexOf(name) >= 0) return true;
    return !baseFile(name).empty() || !rootFile(name).empty();
}

TVrFile* TVrFileManager::FindEntry(std::string_view name) {
    for (const auto& a : archives_)
        if (TVrFile* e = a->FindItem(name)) return e;
    return nullptr;
}

void TVrFileManager::loadDiskFile(TStream& stream, const std::string& path) {
    if (stream.isMemoryStream()) {
        static_cast<TKvMemoryStream&>(stream).loadFromFile(path);
    } else {
        TFileStream file(path, TFileStream::Mode::Read);
        const int64_t size = file.size();
        if (size > 0 && CopyStream(stream, file, size) != size) raiseError(sjisText("ファイルに書き込めません"));
    }
    stream.setPosition(0);
}

void TVrFileManager::LoadToStream(TStream& stream, std::string_view name) {
    if (stream.isMemoryStream()) static_cast<TKvMemoryStream&>(stream).clear();
    if (std::string path = baseFile(name); !path.empty()) {
        loadDiskFile(stream, path);
        return;
    }
    for (const auto& a : archives_) {
        const int index = a->IndexOf(name);
        if (index < 0) continue;
        const TVrFile& entry = *a->At(index);
        if (entry.Data) {
            CopyStream(stream, *entry.Data, 0);
            stream.setPosition(0);
            return;
        }
        if (a->Stream()) {
            a->ReadEntry(entry, stream);
            return;
        }
    }
    if (std::string path = rootFile(name); !path.empty()) {
        loadDiskFile(stream, path);
        return;
    }
    raiseError(notFound(name));
}

std::unique_ptr<TRangeStream> TVrFileManager::OpenRangeStream(std::string_view name) {
    if (std::string path = baseFile(name); !path.empty()) return std::make_unique<TFileRangeStream>(path, -1, 0);
    for (const auto& a : archives_)
        if (auto range = a->OpenEntryRange(name)) return range;
    if (std::string path = rootFile(name); !path.empty()) return std::make_unique<TFileRangeStream>(path, -1, 0);
    raiseError(notFound(name));
}

std::string TVrFileManager::extractCopy(std::string_view name) {
    TVrLockData lock;
    lock.Id = nextLockId_;
    lock.Name = std::string(name);
    auto inUse = [this](int id) {
        return std::any_of(locks_.begin(), locks_.end(), [id](const TVrLockData& l) { return l.Id == id; });
    };
    do {
        ++nextLockId_;
    } while (inUse(nextLockId_));

    std::string ext = platform::nativeRelativeName(FileExtension(name));
    std::replace(ext.begin(), ext.end(), '/', '_');
    char id[16];
    std::snprintf(id, sizeof id, "~nv%08X", static_cast<unsigned>(lock.Id));
    std::string folder;
    try {
        folder = platform::processTempFolder();
    } catch (const ENuvoError&) {
        raiseNoWorkFile();
    }
    lock.Path = platform::joinPath(folder, id + ext);
    platform::clearReadOnly(lock.Path);

    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(lock.Path, TFileStream::Mode::Create);
    } catch (const ENuvoError&) {
        raiseNoWorkFile();
    }
    // A copy cut short by a full disk or a broken entry must not be handed
    // out now or reused later.
    try {
        LoadToStream(*file, name);
        file->flush();
        if (platform::fileSize(lock.Path) != file->size()) raiseNoWorkFile();
    } catch (...) {
        file.reset();
        platform::removeFile(lock.Path);
        throw;
    }
    locks_.push_back(lock);
    return lock.Path;
}

std::string TVrFileManager::GetLocalPath(std::string_view name) {
    if (std::string path = baseFile(name); !path.empty()) return path;
    for (const auto& a : archives_) {
        if (a->IndexOf(name) < 0) continue;
        for (TVrLockData& lock : locks_)
            if (sjisSameText(lock.Name, name)) {
                ++lock.Uses;
                return lock.Path;
            }
        return extractCopy(name);
    }
    if (std::string path = rootFile(name); !path.empty()) return path;
    return std::string(name);
}

void TVrFileManager::DropLocalCopies(std::string_view name) {
    for (auto it = locks_.begin(); it != locks_.end();) {
        if (sjisSameText(it->Name, name)) {
            pendingDeletion_.push_back(it->Path);
            it = locks_.erase(it);
        } else {
            ++it;
        }
    }
}

void TVrFileManager::DeleteTempFiles() {
    for (const std::string& path : pendingDeletion_) platform::removeFile(path);
    pendingDeletion_.clear();
}

void TVrFileManager::ListFolder(std::string_view folder, std::vector<std::string>& list) {
    std::unordered_set<std::string> present;
    for (const std::string& s : list) present.insert(sjisLower(s));
    auto append = [&](std::string name) {
        present.insert(sjisLower(name));
        list.push_back(std::move(name));
    };
    for (const auto& a : archives_) {
        for (int i = 0; i < a->Count(); ++i) {
            const TVrFile& e = *a->At(i);
            if (TVrFileCollection::IsSentinel(e)) continue;
            if (!sjisSameText(SplitFolder(e.Name()), folder)) continue;
            if (present.count(sjisLower(BareFileName(e.Name())))) continue;
            append(e.Name());
        }
    }
    auto listDisk = [&](const std::string& root) {
        if (root.empty()) return;
        std::string dir = root;
        if (!folder.empty()) {
            auto found = platform::resolveTitlePath(root, folder);
            if (!found || !platform::isDirectory(*found)) return;
            dir = *found;
        }
        for (const std::string& file : platform::listFiles(dir)) {
            platform::clearReadOnly(platform::joinPath(dir, file));
            append(std::string(folder) + platform::titleNameFromNative(file));
        }
    };
    listDisk(baseFolder_);
    for (const std::string& root : cdRoots_) listDisk(root);
}

bool TVrFileManager::AskForDisk(int n) {
    for (int i = ArchiveCount() - 1; i >= 0; --i)
        for (const std::string& root : cdRoots_)
            if (asciiStartsWithNoCase(archives_[static_cast<size_t>(i)]->Folder(), root)) {
                RemoveArchive(i);
                break;
            }
    if (!dialogs_) return false;
    for (;;) {
        const auto answer = dialogs_->MessageBox(formatDiskNumber(prompt_.changeMedia, n), prompt_.caption,
                                                 platform::MessageButtons::OkCancel, platform::MessageIcon::Information);
        if (answer == platform::MessageResult::Ok) {
            if (MountDisk(n - 1)) return true;
            continue;
        }
        if (dialogs_->MessageBox(prompt_.exitMessage, prompt_.caption, platform::MessageButtons::OkCancel,
                                 platform::MessageIcon::Information) == platform::MessageResult::Ok) {
            if (prompt_.requestQuit) prompt_.requestQuit();
            return false;
        }
    }
}

bool TVrFileManager::MountDisk(int index) {
    bool added = false;
    for (const std::string& root : cdRoots_) {
        const std::string data = titleFileUnder(root, "game.dat");
        const std::string install = titleFileUnder(root, "install.dat");
        if (data.empty() || install.empty()) continue;
        TNuvoInstallSet set;
        try {
            set.LoadFromFile(install);
        } catch (const ENuvoError&) {
            continue; // an unreadable record names no title
        }
        if (set.TitleId == prompt_.titleId && set.DiskIndex == index) {
            AddArchive(data);
            added = true;
        }
    }
    return added;
}

} // namespace nuvo
