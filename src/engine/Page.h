// A compiled page (extension "nsb"): its version, the type of the value it
// returns to a caller, the property masks that decide which property
// expressions its component commands carry, and its commands.
#pragma once

#include "engine/Command.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nuvo {

class TKvMemoryStream;
class TParamCollection;
class TStream;
struct TProgramContext;

constexpr int32_t kMinPageVersion = 103;
constexpr int32_t kMaxPageVersion = 116;

using TMask = std::array<uint8_t, kMaskBytes>;
using TMasks = std::array<TMask, kCommandKindCount>;

inline bool maskHas(const TMask& m, int bit) { return (m[static_cast<size_t>(bit / 8)] >> (bit % 8)) & 1; }
inline void maskSet(TMask& m, int bit) { m[static_cast<size_t>(bit / 8)] |= static_cast<uint8_t>(1u << (bit % 8)); }

class TPage {
public:
    enum class LoadResult { Loaded, TooNew, TooOld };

    // An empty page: ResultType 1, Version 104, the built-in masks. With vars,
    // the page's own variable ("\x01" followed by its name) is freed with it.
    explicit TPage(TParamCollection* vars = nullptr);
    ~TPage();
    TPage(const TPage&) = delete;
    TPage& operator=(const TPage&) = delete;

    uint8_t ResultType = 1;
    TComList Commands;
    std::string Name;
    TMasks Masks{};
    int32_t Version = 104;

    // Loads the named page through the context's file manager. A missing file
    // raises the file manager's error; a version above 116 leaves the page
    // empty; a version below 103 stops the title (message, QuitRequested,
    // close request) and leaves the page empty. An unknown command code
    // raises "不正なコマンド" and broken data the broken-data error.
    void LoadFromFile(TProgramContext& context, std::string_view name);
    // The page file's format from the stream's position, without the file
    // manager and without messages. The page keeps a copy of the bytes from
    // there on (its expressions are views of them until first used); the
    // stream is read to its end.
    LoadResult LoadFromStream(TStream& s);
    // Writes the page file: Version, ResultType, 61 masks of 21 bytes, the
    // commands as that version stores them.
    void SaveToStream(TStream& s) const;

    // The masks of a page object that was never loaded.
    static TMasks DefaultMasks();

private:
    TParamCollection* vars_;
    std::unique_ptr<TKvMemoryStream> bytes_;
};

} // namespace nuvo
