#include "engine/Command.h"

#include "base/Stream.h"
#include "base/StreamIO.h"
#include "engine/CommandOps.h"
#include "engine/Commands.h"
#include "engine/Page.h"
#include "script/NuvoParser.h"

namespace nuvo {
namespace {

// Reads the own fields of a record; the counts it meets are checked against
// what remains in the stream before anything is allocated.
class FieldReader final : public TFieldVisitor {
public:
    FieldReader(TStream& s, int32_t version, const uint8_t* base) : s_(s), version_(version), base_(base) {}

    void Expr(const char*, TExpr& e, int32_t since) override {
        if (version_ >= since) e.LoadFromStream(s_, base_);
    }
    void Str(const char*, std::string& v) override { v = ReadStrChecked(s_); }
    void Int(const char*, int32_t& v, int32_t since) override {
        if (version_ >= since) v = ReadIntChecked(s_);
    }
    void Byte(const char*, uint8_t& v, ByteFieldKind) override { v = ReadByteChecked(s_); }
    void ExprList(const char*, TExprList& list) override {
        const int32_t n = ReadCountChecked(s_, 4); // an empty expression is its count
        list.clear();
        list.reserve(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            list.emplace_back();
            list.back().LoadFromStream(s_, base_);
        }
    }
    void Bytes(const char*, std::string& bytes) override {
        const int32_t n = ReadCountChecked(s_, 1);
        bytes.resize(static_cast<size_t>(n));
        ReadExact(s_, bytes.data(), n);
    }
    void Props(TPropExprs& props) override {
        for (TExpr& e : props.Present())
            e.LoadFromStream(s_, base_);
    }

private:
    TStream& s_;
    int32_t version_;
    const uint8_t* base_;
};

class FieldWriter final : public TFieldVisitor {
public:
    FieldWriter(TStream& s, int32_t version) : s_(s), version_(version) {}

    void Expr(const char*, TExpr& e, int32_t since) override {
        if (version_ >= since) e.SaveToStream(s_);
    }
    void Str(const char*, std::string& v) override { WriteStr(s_, v); }
    void Int(const char*, int32_t& v, int32_t since) override {
        if (version_ >= since) WriteInt(s_, v);
    }
    void Byte(const char*, uint8_t& v, ByteFieldKind) override { WriteByte(s_, v); }
    void ExprList(const char*, TExprList& list) override {
        WriteInt(s_, static_cast<int32_t>(list.size()));
        for (const TExpr& e : list)
            e.SaveToStream(s_);
    }
    void Bytes(const char*, std::string& bytes) override {
        WriteInt(s_, static_cast<int32_t>(bytes.size()));
        s_.write(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    void Props(TPropExprs& props) override {
        for (const TExpr& e : props.Present())
            e.SaveToStream(s_);
    }

private:
    TStream& s_;
    int32_t version_;
};

} // namespace

TPropExprs::TPropExprs() { slot_.fill(kAbsent); }

TPropExprs::~TPropExprs() = default;

TExpr* TPropExprs::operator[](size_t p) {
    return p < slot_.size() && slot_[p] != kAbsent ? &items_[slot_[p]] : nullptr;
}

const TExpr* TPropExprs::operator[](size_t p) const {
    return p < slot_.size() && slot_[p] != kAbsent ? &items_[slot_[p]] : nullptr;
}

TExpr& TPropExprs::Create(size_t p) {
    if (slot_[p] == kAbsent) {
        slot_[p] = static_cast<uint8_t>(items_.size());
        items_.emplace_back();
    }
    return items_[slot_[p]];
}

TCommand::~TCommand() = default;

bool TCommand::IsLabel(std::string_view) const { return false; }

void TCommand::LoadFromStream(TStream& s, int32_t version, const uint8_t* base) {
    Indent = ReadIntChecked(s);
    FDisabled = ReadByteChecked(s);
    FRunOn = ReadByteChecked(s);
    LineNo = ReadIntChecked(s);
    FieldReader reader(s, version, base);
    VisitFields(reader);
}

bool TCommand::BlocksEvents() const {
    const TCommandOps& ops = commandOps(TypeCode());
    return ops.BlocksEvents && ops.BlocksEvents(*this);
}

void TCommand::Begin(TCallMan& callState) {
    if (auto f = commandOps(TypeCode()).Begin) f(callState, *this);
}

void TCommand::Execute(TCallMan& callState, TPage*& page, int32_t& index) {
    if (auto f = commandOps(TypeCode()).Execute)
        f(callState, *this, page, index);
    else
        ++index;
}

void TCommand::SaveState(std::unique_ptr<TKvMemoryStream>& stream) {
    if (auto f = commandOps(TypeCode()).SaveState) f(*this, stream);
}

void TCommand::LoadState(TCallMan& callState, TStream& s) {
    if (auto f = commandOps(TypeCode()).LoadState) f(callState, *this, s);
}

void TCommand::Abort(TCallMan& callState) {
    if (auto f = commandOps(TypeCode()).Abort) f(callState, *this);
}

void TCommand::SaveToStream(TStream& s, int32_t version) {
    WriteByte(s, TypeCode());
    WriteInt(s, Indent);
    WriteByte(s, FDisabled);
    WriteByte(s, FRunOn);
    WriteInt(s, LineNo);
    FieldWriter writer(s, version);
    VisitFields(writer);
}

int TComList::FindLabel(std::string_view name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->IsLabel(name)) return static_cast<int>(i);
    return -1;
}

TComComponent::TComComponent(TComList& owner, uint8_t code) : TCommand(owner) {
    const TPage* page = owner.Page();
    if (!page) return;
    const auto& mask = page->Masks[code];
    for (int p = 0; p < kPropCount; ++p)
        if (mask[static_cast<size_t>(p / 8)] & (1u << (p % 8))) PropExprs.Create(static_cast<size_t>(p));
}

} // namespace nuvo
