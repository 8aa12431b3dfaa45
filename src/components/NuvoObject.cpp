#include "components/NuvoObject.h"

#include "base/Cp932.h"
#include "base/StreamIO.h"
#include "components/NuvoBaseList.h"
#include "components/PropertyDispatch.h"
#include "script/NuvoParser.h"

#include <charconv>
#include <vector>

namespace nuvo {

TNuvoObject::TNuvoObject(TNuvoBaseList* owner) : owner_(owner), life_(std::make_shared<TNuvoObject*>(this)) {}

TNuvoObject::~TNuvoObject() { *life_ = nullptr; }

void TNuvoObject::SetPriority(int32_t priority) {
    priority_ = priority;
    priorityOffset_ = 0;
    priorityChanged();
}

void TNuvoObject::SetPriorityOffset(int32_t offset) {
    priorityOffset_ = offset;
    priorityChanged();
}

void TNuvoObject::SetName(std::string_view name) {
    if (name == name_) return;
    if (owner_ && !name.empty()) {
        if (TNuvoObject* other = owner_->FindNamed(name); other && other != this) other->Delete();
    }
    AssignName(std::string(name));
}

void TNuvoObject::Delete() {
    if (owner_) owner_->MarkPendingDeletion(this);
    AssignName({});
}

void TNuvoObject::AppendText(std::string_view s) {
    std::string text = GetText();
    text += s;
    SetText(text);
}

void TNuvoObject::TakeExpression(int32_t, std::unique_ptr<TNuvoParser>) {}

void TNuvoObject::AssignName(std::string name) {
    if (name == name_) return;
    if (owner_ && listed_) owner_->indexName(this, name_, name);
    name_ = std::move(name);
}

namespace {

// The counter after a "_" when the rest of the name is a decimal number above
// 1 (an optional "+" allowed, as the number conversion takes it).
bool counterAfter(std::string_view suffix, int64_t& counter) {
    if (!suffix.empty() && suffix[0] == '+') suffix.remove_prefix(1);
    if (suffix.empty()) return false;
    int32_t n = 0;
    const auto [end, ec] = std::from_chars(suffix.data(), suffix.data() + suffix.size(), n);
    if (ec != std::errc() || end != suffix.data() + suffix.size() || n <= 1) return false;
    counter = n;
    return true;
}

} // namespace

std::string TNuvoObject::renamedName(const TNuvoBaseList& registry, const std::string& taken) {
    std::vector<size_t> underscores;
    for (size_t i = 0; i < taken.size(); i += charLength(taken, i))
        if (taken[i] == '_' && i >= 1) underscores.push_back(i);
    std::string_view stem = taken;
    int64_t counter = 2;
    for (size_t k = underscores.size(); k-- > 0;) {
        if (counterAfter(std::string_view(taken).substr(underscores[k] + 1), counter)) {
            stem = std::string_view(taken).substr(0, underscores[k]);
            break;
        }
    }
    for (;; ++counter) {
        std::string candidate(stem);
        candidate += '_';
        candidate += std::to_string(counter);
        if (!registry.NameInUse(candidate)) return candidate;
    }
}

bool TNuvoObject::RaiseEvent(int32_t kind, std::span<const std::string> args, bool once) {
    if (!owner_) return false;
    std::string handler = HandlerOf(kind);
    if (handler.empty() || GetPaused() || AsBase() || IsMouseBlocked()) return false;
    if (once && owner_->Events.Contains(this, static_cast<uint8_t>(kind))) return false;
    TTimerData event;
    event.Handler = std::move(handler);
    event.Sender.reset(this);
    event.Kind = static_cast<uint8_t>(kind);
    event.Args.assign(args.begin(), args.end());
    owner_->Events.Add(std::move(event));
    return true;
}

std::string TNuvoObject::HandlerOf(int32_t kind) const {
    const PropertyTypeInfo* info = propertyTypeInfo(kind);
    if (!info || !info->isEventHandler()) return {};
    return readStringProperty(*this, kind);
}

void TNuvoObject::SaveToStream(TStream& s) const {
    WriteStr(s, name_);
    WriteInt(s, priority_);
    WriteInt(s, priorityOffset_);
    WriteStr(s, Tag);
}

void TNuvoObject::LoadFromStream(TStream& s, int32_t version) {
    std::string name = ReadStrChecked(s);
    priority_ = ReadIntChecked(s);
    if (version > 103) priorityOffset_ = ReadIntChecked(s);
    if (version >= 120) Tag = ReadStrChecked(s);
    AssignName(std::move(name));
}

} // namespace nuvo
