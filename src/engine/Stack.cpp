#include "engine/Stack.h"

#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "script/Param.h"
#include "script/ParamCollection.h"

namespace nuvo {
namespace {

// The smallest frame record: three empty strings, PC, two flags, no
// arguments, no state, no result slot.
constexpr int64_t kMinFrameBytes = 4 + 4 + 1 + 1 + 4 + 4 + 4 + 4 + 1;

void writeArgs(TStream& s, const std::vector<std::string>& args) {
    WriteInt(s, static_cast<int32_t>(args.size()));
    for (const std::string& a : args)
        WriteStr(s, a);
}

std::vector<std::string> readArgs(TStream& s) {
    const int32_t n = ReadCountChecked(s, 4);
    std::vector<std::string> args;
    args.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        args.push_back(ReadStrChecked(s));
    return args;
}

std::string senderName(const TEventSenderRef& sender) { return sender ? sender->Name() : std::string(); }

TEventSenderRef findSender(IScriptEvents* events, const std::string& name) {
    return events && !name.empty() ? events->FindSender(name) : nullptr;
}

} // namespace

TStack::TStack() = default;
TStack::~TStack() = default;
TStack::TStack(TStack&&) noexcept = default;
TStack& TStack::operator=(TStack&&) noexcept = default;

TStack TStack::Clone() const {
    TStack c;
    c.PageName = PageName;
    c.PC = PC;
    c.Started = Started;
    c.ResultVar = ResultVar;
    c.Args = Args;
    c.EventSource = EventSource;
    c.Running = Running;
    if (SavedState) c.SavedState = std::make_unique<TKvMemoryStream>(SavedState->bytes());
    if (ReturnValue) {
        c.ReturnValue = CreateValue(ReturnValue->ParamType());
        if (c.ReturnValue) c.ReturnValue->AssignFrom(*ReturnValue);
    }
    return c;
}

void TStack::SaveToStream(TStream& s) const {
    WriteStr(s, PageName);
    WriteInt(s, PC);
    WriteByte(s, Started);
    WriteByte(s, Running);
    WriteStr(s, ResultVar);
    writeArgs(s, Args);
    WriteStr(s, senderName(EventSource));
    if (SavedState) {
        WriteInt(s, static_cast<int32_t>(SavedState->size()));
        s.write(SavedState->memory(), SavedState->size());
    } else {
        WriteInt(s, 0);
    }
    const uint8_t type = ReturnValue ? ReturnValue->ParamType() : uint8_t{PT_NONE};
    WriteByte(s, type);
    if (type != PT_NONE) ReturnValue->SaveToStream(s);
}

void TStack::LoadFromStream(TStream& s, IScriptEvents* events) {
    TStack f;
    f.PageName = ReadStrChecked(s);
    f.PC = ReadIntChecked(s);
    f.Started = ReadByteChecked(s);
    f.Running = ReadByteChecked(s);
    f.ResultVar = ReadStrChecked(s);
    f.Args = readArgs(s);
    const std::string source = ReadStrChecked(s);
    const int32_t stateBytes = ReadCountChecked(s, 1);
    if (stateBytes > 0) {
        f.SavedState = std::make_unique<TKvMemoryStream>();
        f.SavedState->bytes().resize(static_cast<size_t>(stateBytes));
        ReadExact(s, f.SavedState->memory(), stateBytes);
    }
    const uint8_t type = ReadByteChecked(s);
    if (type != PT_NONE) {
        if (type > PT_STR) raiseBrokenData();
        f.ReturnValue = CreateValue(type);
        f.ReturnValue->LoadFromStream(s);
    }
    // Looked up last, so that bad data never reaches the registry.
    f.EventSource = findSender(events, source);
    *this = std::move(f);
}

void TStackList::Push(std::unique_ptr<TStack> frame) {
    items_.push_back(std::move(frame));
    syncDepth();
}

std::unique_ptr<TStack> TStackList::Pop() {
    if (items_.empty()) raiseError(sjisText("スタックエラー"));
    std::unique_ptr<TStack> frame = std::move(items_.back());
    items_.pop_back();
    Scratch = frame->Clone();
    syncDepth();
    return frame;
}

void TStackList::Clear() {
    items_.clear();
    syncDepth();
}

void TStackList::syncDepth() {
    if (vars_) vars_->CurrentDepth = Count();
}

void TStackList::SaveToStream(TStream& s) const {
    Scratch.SaveToStream(s);
    WriteInt(s, Count());
    for (const auto& frame : items_)
        frame->SaveToStream(s);
}

void TStackList::LoadFromStream(TStream& s, IScriptEvents* events) {
    TStack scratch;
    scratch.LoadFromStream(s, events);
    const int32_t n = ReadCountChecked(s, kMinFrameBytes);
    std::vector<std::unique_ptr<TStack>> frames;
    frames.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        auto frame = std::make_unique<TStack>();
        frame->LoadFromStream(s, events);
        frames.push_back(std::move(frame));
    }
    Scratch = std::move(scratch);
    items_ = std::move(frames);
    syncDepth();
}

} // namespace nuvo
