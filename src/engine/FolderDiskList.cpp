#include "engine/FolderDiskList.h"

#include "base/Cp932.h"
#include "base/StreamIO.h"

namespace nuvo {

int32_t TFolderDiskList::DiskOf(std::string_view path) const {
    // Cutting after the last backslash walks up one folder per round, so the
    // longest listed folder that contains the path is met first.
    std::string current = sjisUpper(path);
    while (!current.empty()) {
        const std::string key = current + '\\';
        for (const Entry& e : entries_)
            if (sjisSameText(e.Folder + '\\', key)) return e.Disk;
        size_t lastSep = std::string::npos;
        for (size_t i = 0; i < current.size(); i += charLength(current, i))
            if (current[i] == '\\') lastSep = i;
        current.resize(lastSep == std::string::npos ? 0 : lastSep);
    }
    return 0;
}

void TFolderDiskList::SaveToStream(TStream& s) const {
    WriteInt(s, static_cast<int32_t>(entries_.size()));
    for (const Entry& e : entries_) {
        WriteStr(s, e.Folder);
        WriteInt(s, e.Disk);
    }
}

void TFolderDiskList::LoadFromStream(TStream& s) {
    std::vector<Entry> entries;
    const int32_t count = ReadCountChecked(s, 8); // an empty name and a disk number
    entries.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        Entry e;
        e.Folder = ReadStrChecked(s);
        e.Disk = ReadIntChecked(s);
        entries.push_back(std::move(e));
    }
    entries_ = std::move(entries);
}

} // namespace nuvo
