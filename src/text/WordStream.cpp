// The element stream and the layout record (docs/text-format.md).
//
// Streams come from save files and may hold anything: every count, length
// and style index is checked against what the stream still holds, the
// styles' reference counts are counted again from the elements, and a stream
// too short for its header is never moved back before its start.
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "text/KvWord.h"

#include <cstdio>
#include <cstring>

namespace nuvo {

namespace {

constexpr char kMagic[] = "KvWord";

// The smallest style record of a version, and the smallest element.
int64_t styleRecordBytes(int32_t version) { return 4 * 4 + 1 + 1 + (version < 100 ? 1 : 4) + 4 + 4 + (version >= 100 ? 8 : 0); }
constexpr int64_t kElementBytes = 1 + 4 * 4;

std::unique_ptr<TWdGlyph> newElement(TKvWord& word, uint8_t type) {
    switch (type) {
    case kWdChar: return std::make_unique<TWdChar>(&word, 0, nullptr, nullptr);
    case kWdAlign: return std::make_unique<TWdOpeAlign>(&word, kAlignLeft);
    case kWdReturn: return std::make_unique<TWdOpeReturn>(&word, false);
    case kWdIndent: return std::make_unique<TWdOpeIndent>(&word);
    case kWdUndent: return std::make_unique<TWdOpeUndent>(&word);
    case kWdEvent: return std::make_unique<TWdOpeEvent>(&word, std::string(), 0);
    case kWdVar: return std::make_unique<TWdOpeVar>(&word, std::string(), nullptr, nullptr);
    case kWdImg: return std::make_unique<TWdImg>(&word);
    case kWdHistChar: return std::make_unique<TWdOpeHistChar>(&word, std::string(), nullptr, nullptr);
    default: raiseBrokenData();
    }
}

} // namespace

void TKvWord::SaveToStream(TStream& s, int32_t version) {
    Styles.Compact();
    if (version > 0) {
        char header[16];
        std::snprintf(header, sizeof header, "%s%03d", kMagic, static_cast<int>(version % 1000));
        s.write(header, 9);
    }
    WriteInt(s, static_cast<int32_t>(Styles.Count()));
    for (size_t i = 0; i < Styles.Count(); ++i) {
        const TDecorate& d = *Styles.At(i);
        WriteInt(s, d.Count);
        WriteInt(s, d.Color);
        WriteInt(s, d.BorderColor);
        WriteInt(s, d.Size);
        WriteByte(s, d.Style);
        WriteByte(s, d.NoBreak ? 1 : 0);
        if (version < 100) WriteByte(s, d.BorderWidth > 0 ? 1 : 0);
        else WriteInt(s, d.BorderWidth);
        WriteStr(s, d.Name);
        WriteStr(s, d.Ruby);
        if (version >= 100) {
            WriteInt(s, d.ShadowOffset);
            WriteInt(s, d.ShadowColor);
        }
    }
    WriteInt(s, Count());
    for (const auto& e : Elements) {
        WriteByte(s, e->TypeCode());
        WriteInt(s, e->X);
        WriteInt(s, e->Y);
        WriteInt(s, e->Width);
        WriteInt(s, e->Height);
        e->SaveFields(s);
    }
}

void TKvWord::LoadFromStream(TStream& s) {
    const int64_t start = s.position();
    char header[9] = {};
    const int64_t got = s.read(header, 9);
    int32_t version = 0;
    if (got == 9 && std::memcmp(header, kMagic, 6) == 0) {
        for (int k = 6; k < 9; ++k) {
            if (header[k] < '0' || header[k] > '9') raiseBrokenData();
            version = version * 10 + (header[k] - '0');
        }
    } else {
        // No header: the list starts where the stream stood.
        s.setPosition(start);
    }

    std::vector<std::unique_ptr<TWdGlyph>> loaded;
    std::vector<TDecorate*> styles;
    try {
        const int32_t styleCount = ReadCountChecked(s, styleRecordBytes(version));
        styles.reserve(static_cast<size_t>(styleCount));
        for (int32_t i = 0; i < styleCount; ++i) {
            TDecorate d;
            ReadIntChecked(s); // the stored count is counted again from the elements
            d.Color = ReadIntChecked(s);
            d.BorderColor = ReadIntChecked(s);
            d.Size = ReadIntChecked(s);
            d.Style = ReadByteChecked(s);
            d.NoBreak = ReadByteChecked(s) != 0;
            d.BorderWidth = version < 100 ? (ReadByteChecked(s) ? 1 : 0) : ReadIntChecked(s);
            d.Name = ReadStrChecked(s);
            d.Ruby = ReadStrChecked(s);
            if (version >= 100) {
                d.ShadowOffset = ReadIntChecked(s);
                d.ShadowColor = ReadIntChecked(s);
            }
            styles.push_back(Styles.Append(d));
        }
        const int32_t count = ReadCountChecked(s, kElementBytes);
        loaded.reserve(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            auto e = newElement(*this, ReadByteChecked(s));
            e->X = ReadIntChecked(s);
            e->Y = ReadIntChecked(s);
            e->Width = ReadIntChecked(s);
            e->Height = ReadIntChecked(s);
            e->LoadFields(s, styles);
            loaded.push_back(std::move(e));
        }
    } catch (...) {
        loaded.clear();
        Styles.Compact();
        throw;
    }
    detachPages();
    Elements = std::move(loaded);
    reindex();
    Styles.Compact();
}

void TKvWord::SaveLayout(TStream& s) const {
    WriteInt(s, FontSize);
    WriteStr(s, FontName);
    WriteInt(s, FontColor);
    WriteInt(s, PageHeight);
    WriteInt(s, Width);
    WriteInt(s, LineSpace);
    WriteInt(s, OriginX);
    WriteInt(s, OriginY);
    WriteBool(s, Paging);
    WriteInt(s, LinkColor);
    WriteInt(s, HoverColor);
    WriteInt(s, Delay);
    WriteInt(s, BorderColor);
    WriteInt(s, Alpha);
    WriteBool(s, TextPaused);
    WriteInt(s, CaretX);
    WriteInt(s, CaretY);
    WriteInt(s, CaretHeight);
    WriteInt(s, TextDelayRate);
    WriteByte(s, Flag);
    WriteInt(s, Antialias);
    WriteInt(s, ShadowColor);
    WriteInt(s, BorderWidth);
    WriteInt(s, ShadowOffset);
}

void TKvWord::LoadLayout(TStream& s) {
    // The record is read whole before anything changes.
    {
        const int64_t start = s.position();
        ReadIntChecked(s);
        ReadStrChecked(s);
        RequireBytes(s, 19 * 4 + 3);
        s.setPosition(start);
    }
    FontSize = ReadIntChecked(s);
    FontName = ReadStrChecked(s);
    FontColor = ReadIntChecked(s);
    PageHeight = ReadIntChecked(s);
    Width = ReadIntChecked(s);
    LineSpace = ReadIntChecked(s);
    OriginX = ReadIntChecked(s);
    OriginY = ReadIntChecked(s);
    Paging = ReadBoolChecked(s);
    LinkColor = ReadIntChecked(s);
    HoverColor = ReadIntChecked(s);
    Delay = ReadIntChecked(s);
    BorderColor = ReadIntChecked(s);
    Alpha = ReadIntChecked(s);
    TextPaused = ReadBoolChecked(s);
    CaretX = ReadIntChecked(s);
    CaretY = ReadIntChecked(s);
    CaretHeight = ReadIntChecked(s);
    TextDelayRate = ReadIntChecked(s);
    Flag = ReadByteChecked(s);
    Antialias = ReadIntChecked(s);
    ShadowColor = ReadIntChecked(s);
    BorderWidth = ReadIntChecked(s);
    ShadowOffset = ReadIntChecked(s);
}

} // namespace nuvo
