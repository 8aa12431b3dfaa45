// The project file "nuvo.npb": the title's name, screen sizes, start and exit
// pages, behaviour switches, the two disk messages, the variables the title
// defines before any page runs and the folder-disk table. Fields appear by
// file version; a version above kMaxProjectVersion is refused.
#pragma once

#include "engine/FolderDiskList.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

class TStream;

constexpr int32_t kMaxProjectVersion = 116;

// One variable the project defines (TParamData). Type 1 integer, 2 real,
// 3 flag, 4 string; a record of any other type carries only its name. The
// value is kept as stored so that a file is written back byte for byte.
struct TParamData {
    uint8_t Type = 0;
    std::string Name;
    int32_t IntValue = 0;                 // type 1
    std::array<uint8_t, 10> FloatBytes{}; // type 2: the 10-byte extended real
    uint8_t FlagValue = 0;                // type 3
    std::string StrValue;                 // type 4

    long double FloatValue() const;
    void SetFloatValue(long double x);
    bool operator==(const TParamData&) const = default;
};

class TProjectSetting {
public:
    // Defaults of a fresh setting; the messages are the player's own.
    TProjectSetting();

    int32_t Version = kMaxProjectVersion;
    std::string Title;
    int32_t ScreenWidth = 0, ScreenHeight = 0;
    int32_t FullScreenWidth = 0, FullScreenHeight = 0;
    std::string StartPage;
    std::string ExitPage; // version >= 110
    std::string RegistryKey;
    int32_t ImageSeed = 0;
    uint8_t SaveStatus = 0;                                      // version >= 104
    uint8_t YieldBetweenFrames = 0;                              // version >= 106
    std::string NoPromptExtensions = kDefaultNoPromptExtensions; // version >= 109
    uint8_t PauseWhenInactive = 0;                               // version >= 113
    uint8_t UnusedFlag = 0;                                      // version >= 114; no effect on the player
    uint8_t ShowToolbar = 1;                                     // version >= 116
    std::array<std::string, 2> Messages;                         // CHANGEMEDIA, EXIT
    std::vector<TParamData> Variables;
    TFolderDiskList FolderDisks;

    // What a file older than version 109 stands for.
    static constexpr const char* kDefaultNoPromptExtensions = ".wav.wma.ogg.mid";

    // Reads the fields in stream order. A version above kMaxProjectVersion
    // raises "このバージョンには対応していません"; truncated data or counts the
    // stream cannot hold raise the broken-data error. Fields a version lacks
    // keep the defaults above.
    void LoadFromStream(TStream& s);
    // Writes the fields Version carries (the toolkit builds project files).
    void SaveToStream(TStream& s) const;

    bool operator==(const TProjectSetting&) const = default;
};

} // namespace nuvo
