// "install.dat", written by a title's installer: which disk this is, the
// title it belongs to and whether everything was copied to the hard disk.
// Only those fields matter to the player; the rest is read and skipped.
#pragma once

#include "base/Stream.h"

#include <cstdint>
#include <string>

namespace nuvo {

class TNuvoInstallSet {
public:
    int Version = 0;
    int32_t DiskIndex = 0; // 0 for the first disk
    std::string TitleId;   // Shift-JIS, compared with the project's title
    bool FullyInstalled = false;

    // Raises the broken-data error when the record is cut short.
    void LoadFromStream(TStream& s);
    void LoadFromFile(const std::string& nativePath);
};

} // namespace nuvo
