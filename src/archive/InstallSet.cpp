#include "archive/InstallSet.h"

#include "base/StreamIO.h"

namespace nuvo {
namespace {

void skipStr(TStream& s) { (void)ReadStrChecked(s); }

void skipBytes(TStream& s, int64_t count) {
    RequireBytes(s, count);
    s.seek(count, SeekOrigin::Current);
}

void skipStrList(TStream& s) {
    const int32_t n = ReadIntChecked(s);
    for (int32_t i = 0; i < n; ++i) skipStr(s);
}

} // namespace

void TNuvoInstallSet::LoadFromStream(TStream& s) {
    const int64_t start = s.position();
    Version = 0;
    uint8_t tag[5] = {};
    if (s.read(tag, 5) == 5 && tag[0] == 'i' && tag[1] == 's') {
        for (int i = 2; i < 5; ++i) {
            if (tag[i] < '0' || tag[i] > '9') {
                Version = 0;
                break;
            }
            Version = Version * 10 + (tag[i] - '0');
        }
    } else if (!(tag[0] == 'i' && tag[1] == 's')) {
        s.setPosition(start);
    } else {
        raiseBrokenData();
    }
    const int64_t wide = Version >= 100 ? 8 : 4;
    DiskIndex = ReadIntChecked(s);
    TitleId = ReadStrChecked(s);
    skipStr(s);
    skipStr(s);
    skipStr(s);
    skipBytes(s, 1);
    skipStr(s);
    skipBytes(s, 1);
    const int32_t tableRows = ReadIntChecked(s);
    skipStr(s);
    skipBytes(s, 4 + 1 + 1);
    skipStr(s);
    skipStr(s);
    if (tableRows > 0) skipBytes(s, int64_t{tableRows} * 4 * wide);
    skipBytes(s, 4 * wide + 1 + (Version >= 101 ? 1 : 0));
    if (Version >= 102) skipStrList(s);
    FullyInstalled = Version >= 103 && ReadByteChecked(s) != 0;
    if (Version >= 104) skipBytes(s, Version >= 105 ? 2 : 1);
    if (Version >= 106) skipStrList(s);
    if (Version >= 107) skipStr(s);
    if (Version >= 108) {
        skipStr(s);
        skipStr(s);
    }
}

void TNuvoInstallSet::LoadFromFile(const std::string& nativePath) {
    TKvMemoryStream s(readWholeFile(nativePath));
    LoadFromStream(s);
}

} // namespace nuvo
