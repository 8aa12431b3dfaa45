// Stand-ins for what the interpreter meets around it in the player: an event
// queue with components that raise events, and the call-state "@" variables
// (@Result, @ParamCount, @ParamStr, @Sender) wired to a call manager the way
// the player's system variables will be. Shared by the engine tests and the
// end-to-end title tests.
#pragma once

#include "engine/CallMan.h"
#include "engine/ScriptEvents.h"
#include "script/Param.h"
#include "script/ParamCollection.h"
#include "script/ParamStorage.h"
#include "script/ParamSystem.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace nuvo::test {

class FakeSender final : public TEventSender {
public:
    explicit FakeSender(std::string name) : name_(std::move(name)) {}
    bool Exists() const override { return alive; }
    std::string Name() const override { return alive ? name_ : std::string(); }
    bool alive = true;

private:
    std::string name_;
};

// The event queue: records in order, each waiting (level 0) or taken.
class FakeEvents final : public IScriptEvents {
public:
    struct Record {
        std::string Handler;
        TEventSenderRef Sender;
        std::vector<std::string> Args;
        int32_t Level = 0;
    };
    std::vector<Record> records;
    std::map<std::string, std::shared_ptr<FakeSender>> components;
    int componentResets = 0;

    std::shared_ptr<FakeSender> component(const std::string& name) {
        auto& c = components[name];
        if (!c) c = std::make_shared<FakeSender>(name);
        return c;
    }
    void Raise(const std::string& handler, const std::string& sender, std::vector<std::string> args = {}) {
        records.push_back({handler, component(sender), std::move(args), 0});
    }
    int Waiting() const {
        int n = 0;
        for (const Record& r : records)
            n += r.Level == 0;
        return n;
    }

    bool FirstPending(TScriptEvent& event) override {
        Record* r = first();
        if (!r) return false;
        event = {r->Handler, r->Sender, r->Args};
        return true;
    }
    void TakeFirstPending(int32_t level) override { first()->Level = level; }
    void RemoveFirstPending() override { records.erase(records.begin() + (first() - records.data())); }
    void RemoveLevel(int32_t level) override {
        std::erase_if(records, [&](const Record& r) { return r.Level == level; });
    }
    void RemoveTaken() override {
        std::erase_if(records, [](const Record& r) { return r.Level != 0; });
    }
    void RemoveAll() override { records.clear(); }
    TEventSenderRef FindSender(std::string_view name) override {
        auto it = components.find(std::string(name));
        return it != components.end() && it->second->alive ? it->second : nullptr;
    }
    void ResetComponents() override {
        ++componentResets;
        components.clear();
    }

private:
    Record* first() {
        for (Record& r : records)
            if (r.Level == 0) return &r;
        return nullptr;
    }
};

// A value that forwards every operation to the value its source gives at the
// time, or to a blank scalar (reads give defaults, writes are lost) when the
// source gives none.
class ForwardParam final : public TCustomParam {
public:
    explicit ForwardParam(std::function<TCustomParam*()> source) : source_(std::move(source)) {}

    int32_t Count() const override { return t().Count(); }
    void SetCount(int32_t n) override { t().SetCount(n); }
    uint8_t ParamType() const override { return t().ParamType(); }
    bool AsBool() const override { return t().AsBool(); }
    long double AsFloat() const override { return t().AsFloat(); }
    int32_t AsInteger() const override { return t().AsInteger(); }
    std::string AsString() const override { return t().AsString(); }
    void SetBool(bool b) override { t().SetBool(b); }
    void SetFloat(long double x) override { t().SetFloat(x); }
    void SetInteger(int32_t i) override { t().SetInteger(i); }
    void SetString(std::string_view s) override { t().SetString(s); }
    int32_t GetIntAt(int32_t i) const override { return t().GetIntAt(i); }
    void SetIntAt(int32_t i, int32_t v) override { t().SetIntAt(i, v); }
    long double GetFloatAt(int32_t i) const override { return t().GetFloatAt(i); }
    void SetFloatAt(int32_t i, long double x) override { t().SetFloatAt(i, x); }
    bool GetBoolAt(int32_t i) const override { return t().GetBoolAt(i); }
    void SetBoolAt(int32_t i, bool b) override { t().SetBoolAt(i, b); }
    std::string GetStrAt(int32_t i) const override { return t().GetStrAt(i); }
    void SetStrAt(int32_t i, std::string_view s) override { t().SetStrAt(i, s); }
    int32_t DimCount() const override { return t().DimCount(); }
    int32_t DimSize(int32_t k) const override { return t().DimSize(k); }
    void AssignFrom(const TCustomParam& other) override { t().AssignFrom(other); }
    void SetDims(std::span<const int32_t> sizes) override { t().SetDims(sizes); }
    void FillInt(int32_t v) override { t().FillInt(v); }
    void FillFloat(long double x) override { t().FillFloat(x); }
    void FillBool(bool b) override { t().FillBool(b); }
    void FillStr(std::string_view s) override { t().FillStr(s); }
    void CopyMem(const TCustomParam& other) override { t().CopyMem(other); }
    void SaveToStream(TStream& s) const override { t().SaveToStream(s); }
    void LoadFromStream(TStream& s) override { t().LoadFromStream(s); }
    void MakeScalar() override { t().MakeScalar(); }
    int32_t IndexOfStr(std::string_view s, bool c, bool p) const override { return t().IndexOfStr(s, c, p); }

private:
    TCustomParam& t() const {
        if (TCustomParam* target = source_()) return *target;
        blank_ = std::make_unique<TParamInt>();
        return *blank_;
    }
    std::function<TCustomParam*()> source_;
    mutable std::unique_ptr<TCustomParam> blank_;
};

// Wires @Result, @ParamCount, @ParamStr and @Sender to callMan (which must
// outlive the table's use of them). callMan is asked anew on every access.
inline void wireCallVariables(TParamCollection& vars, std::function<TCallMan*()> callMan) {
    auto install = [&](int index, std::function<TCustomParam*()> source) {
        vars.SystemVariable(index)->SetAccessor(std::make_unique<ForwardParam>(std::move(source)));
    };
    auto scratch = std::make_shared<std::unique_ptr<TCustomParam>>();
    install(0, [callMan] { return callMan() ? callMan()->CurrentReturnValue() : nullptr; });
    install(9, [callMan, scratch] {
        auto v = std::make_unique<TParamInt>();
        v->SetInteger(callMan() ? callMan()->ArgCount() : 0);
        *scratch = std::move(v);
        return scratch->get();
    });
    install(10, [callMan, scratch] {
        auto v = std::make_unique<TParamStr>();
        const int32_t n = callMan() ? callMan()->ArgCount() : 0;
        if (n > 0) {
            const int32_t dims[] = {n};
            v->SetDims(dims);
            for (int32_t i = 0; i < n; ++i)
                v->SetStrAt(i, callMan()->Arg(i));
        }
        *scratch = std::move(v);
        return scratch->get();
    });
    install(11, [callMan, scratch] {
        auto v = std::make_unique<TParamStr>();
        v->SetString(callMan() ? callMan()->EventSourceName() : std::string());
        *scratch = std::move(v);
        return scratch->get();
    });
}

} // namespace nuvo::test
