// Which folder of a title lies on which disk of a multi-disk set, so that a
// file that is not found can be asked for by disk number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TStream;

class TFolderDiskList {
public:
    struct Entry {
        std::string Folder; // Shift-JIS, backslash-separated, as stored
        int32_t Disk = 0;   // from 1; 0 = not set
        bool operator==(const Entry&) const = default;
    };

    // The disk of the deepest listed folder that contains path (a file or
    // folder name, backslash-separated), compared without regard to letter
    // case; 0 when no listed folder contains it. Of several entries for one
    // folder the first counts.
    int32_t DiskOf(std::string_view path) const;

    void Add(std::string folder, int32_t disk) { entries_.push_back({std::move(folder), disk}); }
    void Clear() { entries_.clear(); }
    const std::vector<Entry>& Entries() const { return entries_; }

    // Int count, then per entry Str folder and Int disk. Loading checks the
    // count against the stream and raises on truncated data.
    void SaveToStream(TStream& s) const;
    void LoadFromStream(TStream& s);

    bool operator==(const TFolderDiskList&) const = default;

private:
    std::vector<Entry> entries_;
};

} // namespace nuvo
