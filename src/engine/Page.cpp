#include "engine/Page.h"

#include "archive/VrFileManager.h"
#include "base/Error.h"
#include "base/StreamIO.h"
#include "engine/Commands.h"
#include "engine/EngineMessages.h"
#include "engine/ProgramContext.h"
#include "script/ParamCollection.h"

namespace nuvo {

TPage::TPage(TParamCollection* vars) : Commands(this), Masks(DefaultMasks()), vars_(vars) {}

TPage::~TPage() {
    Commands.Clear();
    if (!vars_) return;
    if (TParamCollectionItem* own = vars_->Find(std::string("\x01") + Name)) vars_->Delete(own);
}

TMasks TPage::DefaultMasks() {
    // Only a page that is never loaded uses these; its component commands
    // then carry every property.
    static constexpr uint8_t kComponentCodes[] = {8,  9,  10, 11, 12, 23, 24, 25, 30, 36, 37, 42,
                                                  43, 44, 48, 49, 50, 51, 52, 53, 54, 56, 59, 60};
    TMasks masks{};
    for (uint8_t code : kComponentCodes)
        for (int p = 0; p < kPropCount; ++p)
            maskSet(masks[code], p);
    return masks;
}

TPage::LoadResult TPage::LoadFromStream(TStream& source) {
    Commands.Clear();
    bytes_.reset();
    auto bytes = std::make_unique<TKvMemoryStream>();
    const int64_t size = std::max<int64_t>(0, source.remaining());
    bytes->bytes().resize(static_cast<size_t>(size));
    ReadExact(source, bytes->memory(), size);
    TStream& s = *bytes;
    const uint8_t* base = bytes->memory();

    Version = ReadIntChecked(s);
    if (Version > kMaxPageVersion) return LoadResult::TooNew;
    if (Version < kMinPageVersion) return LoadResult::TooOld;
    ResultType = ReadByteChecked(s);

    // Masks come before any command: component commands size themselves from
    // them. Only the first 21 bytes of a mask carry properties; a shorter mask
    // leaves the rest zero.
    const int32_t n = ReadIntChecked(s);
    const int32_t m = ReadIntChecked(s);
    if (n < 0 || m < 0) raiseBrokenData();
    RequireBytes(s, static_cast<int64_t>(n) * m);
    Masks = TMasks{};
    const int64_t kept = std::min<int64_t>(m, kMaskBytes);
    // With empty masks there is nothing to step over, however many are declared.
    for (int32_t k = 0; m > 0 && k < n; ++k) {
        if (k < kCommandKindCount) {
            ReadExact(s, Masks[static_cast<size_t>(k)].data(), kept);
            s.seek(m - kept, SeekOrigin::Current);
        } else {
            s.seek(m, SeekOrigin::Current);
        }
    }

    const int32_t c = ReadCountChecked(s, 11); // code byte and the common record
    Commands.Reserve(static_cast<size_t>(c));
    for (int32_t i = 0; i < c; ++i) {
        std::unique_ptr<TCommand> command = createCommand(ReadByteChecked(s), Commands);
        command->LoadFromStream(s, Version, base);
        Commands.Add(std::move(command));
    }
    bytes_ = std::move(bytes);
    return LoadResult::Loaded;
}

void TPage::LoadFromFile(TProgramContext& context, std::string_view name) {
    Commands.Clear();
    Name = std::string(name);
    TKvMemoryStream stream;
    context.Files->LoadToStream(stream, name);
    LoadResult result;
    try {
        result = LoadFromStream(stream);
    } catch (...) {
        Commands.Clear();
        throw;
    }
    if (result != LoadResult::TooOld) return;
    context.QuitRequested = true;
    context.ShowMessage(Name + "\r\n" + engineText(EngineText::Rebuild), engineText(EngineText::Warning),
                        platform::MessageButtons::Ok, platform::MessageIcon::Warning);
    if (context.RequestClose) context.RequestClose();
}

void TPage::SaveToStream(TStream& s) const {
    WriteInt(s, Version);
    WriteByte(s, ResultType);
    WriteInt(s, kCommandKindCount);
    WriteInt(s, kMaskBytes);
    for (const TMask& mask : Masks)
        s.write(mask.data(), kMaskBytes);
    WriteInt(s, Commands.Count());
    for (int i = 0; i < Commands.Count(); ++i)
        Commands.At(i)->SaveToStream(s, Version);
}

} // namespace nuvo
