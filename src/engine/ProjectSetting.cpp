#include "engine/ProjectSetting.h"

#include "base/StreamIO.h"
#include "engine/EngineMessages.h"

#include <cstring>

namespace nuvo {

long double TParamData::FloatValue() const { return float80FromBytes(FloatBytes.data()); }

void TParamData::SetFloatValue(long double x) { float80ToBytes(x, FloatBytes.data()); }

namespace {

TParamData readParamData(TStream& s) {
    TParamData d;
    d.Type = ReadByteChecked(s);
    d.Name = ReadStrChecked(s);
    switch (d.Type) {
    case 1:
        d.IntValue = ReadIntChecked(s);
        break;
    case 2:
        ReadExact(s, d.FloatBytes.data(), 10);
        break;
    case 3:
        d.FlagValue = ReadByteChecked(s);
        break;
    case 4:
        d.StrValue = ReadStrChecked(s);
        break;
    default:
        break;
    }
    return d;
}

void writeParamData(TStream& s, const TParamData& d) {
    WriteByte(s, d.Type);
    WriteStr(s, d.Name);
    switch (d.Type) {
    case 1:
        WriteInt(s, d.IntValue);
        break;
    case 2:
        s.write(d.FloatBytes.data(), 10);
        break;
    case 3:
        WriteByte(s, d.FlagValue);
        break;
    case 4:
        WriteStr(s, d.StrValue);
        break;
    default:
        break;
    }
}

} // namespace

TProjectSetting::TProjectSetting()
    : Messages{engineText(EngineText::ChangeMedia), engineText(EngineText::ExitMessage)} {}

void TProjectSetting::LoadFromStream(TStream& s) {
    TProjectSetting p;
    p.Version = ReadIntChecked(s);
    if (p.Version > kMaxProjectVersion) raiseEngineError(EngineText::UnsupportedVersion);
    p.Title = ReadStrChecked(s);
    p.ScreenWidth = ReadIntChecked(s);
    p.ScreenHeight = ReadIntChecked(s);
    p.FullScreenWidth = ReadIntChecked(s);
    p.FullScreenHeight = ReadIntChecked(s);
    p.StartPage = ReadStrChecked(s);
    if (p.Version >= 110) p.ExitPage = ReadStrChecked(s);
    p.RegistryKey = ReadStrChecked(s);
    p.ImageSeed = ReadIntChecked(s);
    if (p.Version >= 104) p.SaveStatus = ReadByteChecked(s);
    if (p.Version >= 106) p.YieldBetweenFrames = ReadByteChecked(s);
    if (p.Version >= 109) p.NoPromptExtensions = ReadStrChecked(s);
    if (p.Version >= 113) p.PauseWhenInactive = ReadByteChecked(s);
    if (p.Version >= 114) p.UnusedFlag = ReadByteChecked(s);
    if (p.Version >= 116) p.ShowToolbar = ReadByteChecked(s);
    p.Messages[0] = ReadStrChecked(s);
    p.Messages[1] = ReadStrChecked(s);
    const int32_t n = ReadCountChecked(s, 5); // type byte and an empty name
    p.Variables.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        p.Variables.push_back(readParamData(s));
    p.FolderDisks.LoadFromStream(s);
    *this = std::move(p);
}

void TProjectSetting::SaveToStream(TStream& s) const {
    WriteInt(s, Version);
    WriteStr(s, Title);
    WriteInt(s, ScreenWidth);
    WriteInt(s, ScreenHeight);
    WriteInt(s, FullScreenWidth);
    WriteInt(s, FullScreenHeight);
    WriteStr(s, StartPage);
    if (Version >= 110) WriteStr(s, ExitPage);
    WriteStr(s, RegistryKey);
    WriteInt(s, ImageSeed);
    if (Version >= 104) WriteByte(s, SaveStatus);
    if (Version >= 106) WriteByte(s, YieldBetweenFrames);
    if (Version >= 109) WriteStr(s, NoPromptExtensions);
    if (Version >= 113) WriteByte(s, PauseWhenInactive);
    if (Version >= 114) WriteByte(s, UnusedFlag);
    if (Version >= 116) WriteByte(s, ShowToolbar);
    WriteStr(s, Messages[0]);
    WriteStr(s, Messages[1]);
    WriteInt(s, static_cast<int32_t>(Variables.size()));
    for (const TParamData& d : Variables)
        writeParamData(s, d);
    FolderDisks.SaveToStream(s);
}

} // namespace nuvo
