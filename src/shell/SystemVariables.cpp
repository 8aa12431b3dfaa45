#include "shell/SystemVariables.h"

#include "base/Cp932.h"
#include "base/IntMath.h"
#include "components/NuvoBaseList.h"
#include "engine/CallMan.h"
#include "engine/ProgramContext.h"
#include "engine/Project.h"
#include "render/ScreenManager.h"
#include "script/NumberText.h"
#include "script/ParamCollection.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace nuvo {

namespace {

// ---- The value of one read, in the variable's own type -----------------------------

struct TSysValue {
    int32_t i = 0;
    long double f = 0;
    bool b = false;
    std::string s;
};

TSysValue intValue(int32_t v) {
    TSysValue x;
    x.i = v;
    return x;
}
TSysValue realValue(long double v) {
    TSysValue x;
    x.f = v;
    return x;
}
TSysValue boolValue(bool v) {
    TSysValue x;
    x.b = v;
    return x;
}
TSysValue strValue(std::string v) {
    TSysValue x;
    x.s = std::move(v);
    return x;
}

// One variable: its type, its size, its read (index -1 for a scalar read;
// only array variables see other indices) and its write (none: read-only).
struct TSysVarDef {
    uint8_t Type = PT_INT;
    bool Indexed = false;
    std::function<int32_t()> Count;
    std::function<TSysValue(int32_t index)> Read;
    std::function<void(const TSysValue&)> Write;
};

// A system variable computed from the player's state. Every operation first
// converts between the requested type and the variable's own.
class TSysVarAccessor final : public TCustomParam {
public:
    explicit TSysVarAccessor(TSysVarDef def) : def_(std::move(def)) {}

    int32_t Count() const override { return def_.Count ? def_.Count() : 1; }
    void SetCount(int32_t) override {}
    uint8_t ParamType() const override { return def_.Type; }

    bool AsBool() const override { return toBool(read(-1)); }
    long double AsFloat() const override { return toReal(read(-1)); }
    int32_t AsInteger() const override { return toInt(read(-1)); }
    std::string AsString() const override { return toText(read(-1)); }
    void SetBool(bool b) override { writeBool(b); }
    void SetFloat(long double x) override { writeReal(x); }
    void SetInteger(int32_t i) override { writeInt(i); }
    void SetString(std::string_view s) override { writeText(s); }

    int32_t GetIntAt(int32_t i) const override { return toInt(read(element(i))); }
    void SetIntAt(int32_t, int32_t v) override { writeInt(v); }
    long double GetFloatAt(int32_t i) const override { return toReal(read(element(i))); }
    void SetFloatAt(int32_t, long double x) override { writeReal(x); }
    bool GetBoolAt(int32_t i) const override { return toBool(read(element(i))); }
    void SetBoolAt(int32_t, bool b) override { writeBool(b); }
    std::string GetStrAt(int32_t i) const override { return toText(read(element(i))); }
    void SetStrAt(int32_t, std::string_view s) override { writeText(s); }

    int32_t DimCount() const override { return 1; }
    int32_t DimSize(int32_t k) const override { return k == 0 ? Count() : 1; }
    // Shape-changing and bulk operations mean nothing here.
    void AssignFrom(const TCustomParam&) override {}
    void SetDims(std::span<const int32_t>) override {}
    void FillInt(int32_t) override {}
    void FillFloat(long double) override {}
    void FillBool(bool) override {}
    void FillStr(std::string_view) override {}
    void CopyMem(const TCustomParam&) override {}
    void SaveToStream(TStream&) const override {}
    void LoadFromStream(TStream&) override {}
    void MakeScalar() override {}
    int32_t IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const override {
        (void)caseSensitive, (void)partial;
        return AsString() == s ? 0 : -1;
    }

private:
    // Variables that are not arrays ignore the index.
    int32_t element(int32_t i) const { return def_.Indexed ? i : -1; }
    TSysValue read(int32_t index) const { return def_.Read ? def_.Read(index) : TSysValue{}; }

    int32_t toInt(const TSysValue& v) const {
        switch (def_.Type) {
        case PT_FLOAT: return truncToInt32(v.f);
        case PT_BOOL: return v.b ? 1 : 0;
        case PT_STR: return textToInt(v.s);
        default: return v.i;
        }
    }
    long double toReal(const TSysValue& v) const {
        switch (def_.Type) {
        case PT_FLOAT: return v.f;
        case PT_BOOL: return v.b ? 1.0L : 0.0L;
        // Read as an integer: a string "1.5" reads as 0.0.
        case PT_STR: return textToInt(v.s);
        default: return v.i;
        }
    }
    bool toBool(const TSysValue& v) const {
        switch (def_.Type) {
        case PT_FLOAT: return v.f != 0;
        case PT_BOOL: return v.b;
        case PT_STR: return !v.s.empty();
        default: return v.i != 0;
        }
    }
    std::string toText(const TSysValue& v) const {
        switch (def_.Type) {
        case PT_FLOAT: return realToText(v.f);
        case PT_BOOL: return v.b ? "TRUE" : "FALSE";
        case PT_STR: return v.s;
        default: return intToText(v.i);
        }
    }

    void store(TSysValue v) {
        if (def_.Write) def_.Write(v);
    }
    void writeInt(int32_t i) {
        switch (def_.Type) {
        case PT_FLOAT: return store(realValue(i));
        case PT_BOOL: return store(boolValue(i != 0));
        case PT_STR: return store(strValue(intToText(i)));
        default: return store(intValue(i));
        }
    }
    void writeReal(long double x) {
        switch (def_.Type) {
        case PT_FLOAT: return store(realValue(x));
        case PT_BOOL: return store(boolValue(x != 0));
        case PT_STR: return store(strValue(realToText(x)));
        default: return store(intValue(truncToInt32(x)));
        }
    }
    void writeBool(bool b) {
        switch (def_.Type) {
        case PT_FLOAT: return store(realValue(b ? 1 : 0));
        case PT_BOOL: return store(boolValue(b));
        case PT_STR: return store(strValue(b ? "TRUE" : "FALSE"));
        default: return store(intValue(b ? 1 : 0));
        }
    }
    void writeText(std::string_view s) {
        switch (def_.Type) {
        case PT_FLOAT:
            if (const auto x = parseReal(s)) store(realValue(*x));
            return;
        // Only a non-zero integer text is TRUE: the text TRUE stores FALSE.
        case PT_BOOL: return store(boolValue(parseInt(s).value_or(0) != 0));
        case PT_STR: return store(strValue(std::string(s)));
        default:
            if (const auto i = parseInt(s)) store(intValue(*i));
            return;
        }
    }

    TSysVarDef def_;
};

// @Result and @Temp: every operation goes to the value they stand for.
class TAliasAccessor final : public TCustomParam {
public:
    explicit TAliasAccessor(std::function<TCustomParam*()> target) : target_(std::move(target)) {}

    int32_t Count() const override { return with<int32_t>([](TCustomParam& t) { return t.Count(); }, 1); }
    void SetCount(int32_t n) override { act([&](TCustomParam& t) { t.SetCount(n); }); }
    uint8_t ParamType() const override { return with<uint8_t>([](TCustomParam& t) { return t.ParamType(); }, 0); }
    bool AsBool() const override { return with<bool>([](TCustomParam& t) { return t.AsBool(); }, false); }
    long double AsFloat() const override {
        return with<long double>([](TCustomParam& t) { return t.AsFloat(); }, 0.0L);
    }
    int32_t AsInteger() const override { return with<int32_t>([](TCustomParam& t) { return t.AsInteger(); }, 0); }
    std::string AsString() const override {
        return with<std::string>([](TCustomParam& t) { return t.AsString(); }, {});
    }
    void SetBool(bool b) override { act([&](TCustomParam& t) { t.SetBool(b); }); }
    void SetFloat(long double x) override { act([&](TCustomParam& t) { t.SetFloat(x); }); }
    void SetInteger(int32_t i) override { act([&](TCustomParam& t) { t.SetInteger(i); }); }
    void SetString(std::string_view s) override { act([&](TCustomParam& t) { t.SetString(s); }); }
    int32_t GetIntAt(int32_t i) const override {
        return with<int32_t>([&](TCustomParam& t) { return t.GetIntAt(i); }, 0);
    }
    void SetIntAt(int32_t i, int32_t v) override { act([&](TCustomParam& t) { t.SetIntAt(i, v); }); }
    long double GetFloatAt(int32_t i) const override {
        return with<long double>([&](TCustomParam& t) { return t.GetFloatAt(i); }, 0.0L);
    }
    void SetFloatAt(int32_t i, long double x) override { act([&](TCustomParam& t) { t.SetFloatAt(i, x); }); }
    bool GetBoolAt(int32_t i) const override {
        return with<bool>([&](TCustomParam& t) { return t.GetBoolAt(i); }, false);
    }
    void SetBoolAt(int32_t i, bool b) override { act([&](TCustomParam& t) { t.SetBoolAt(i, b); }); }
    std::string GetStrAt(int32_t i) const override {
        return with<std::string>([&](TCustomParam& t) { return t.GetStrAt(i); }, {});
    }
    void SetStrAt(int32_t i, std::string_view s) override { act([&](TCustomParam& t) { t.SetStrAt(i, s); }); }
    int32_t DimCount() const override { return with<int32_t>([](TCustomParam& t) { return t.DimCount(); }, 1); }
    int32_t DimSize(int32_t k) const override {
        return with<int32_t>([&](TCustomParam& t) { return t.DimSize(k); }, 1);
    }
    void AssignFrom(const TCustomParam& other) override { act([&](TCustomParam& t) { t.AssignFrom(other); }); }
    void SetDims(std::span<const int32_t> sizes) override { act([&](TCustomParam& t) { t.SetDims(sizes); }); }
    void FillInt(int32_t v) override { act([&](TCustomParam& t) { t.FillInt(v); }); }
    void FillFloat(long double x) override { act([&](TCustomParam& t) { t.FillFloat(x); }); }
    void FillBool(bool b) override { act([&](TCustomParam& t) { t.FillBool(b); }); }
    void FillStr(std::string_view s) override { act([&](TCustomParam& t) { t.FillStr(s); }); }
    void CopyMem(const TCustomParam& other) override { act([&](TCustomParam& t) { t.CopyMem(other); }); }
    void SaveToStream(TStream&) const override {}
    void LoadFromStream(TStream&) override {}
    void MakeScalar() override { act([](TCustomParam& t) { t.MakeScalar(); }); }
    int32_t IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const override {
        return with<int32_t>([&](TCustomParam& t) { return t.IndexOfStr(s, caseSensitive, partial); }, -1);
    }

private:
    template <typename R, typename F> R with(F f, R none) const {
        TCustomParam* t = target_();
        return t ? f(*t) : none;
    }
    template <typename F> void act(F f) const {
        if (TCustomParam* t = target_()) f(*t);
    }

    std::function<TCustomParam*()> target_;
};

// ---- The table ---------------------------------------------------------------------------

constexpr long double kPi = 3.14159265358979323846264338327950288L;
constexpr int32_t kKeyArraySize = 258;

// What every accessor reads through: copied into each one, so the accessors
// outlive the builder that made them.
struct TSysEnv {
    TParamCollection* vars;
    ISystemVariableHost* host;

    TNuvoBaseList* bases() const { return host->Bases(); }
    TNuvoBase* base() const { return bases() ? bases()->ActiveBase() : nullptr; }
    TProject* project() const { return host->Context().Project; }
    TCallMan* callMan() const { return project() ? project()->CallMan.get() : nullptr; }
    TCustomParam* resultSlot() const { return callMan() ? callMan()->CurrentReturnValue() : nullptr; }

    TCustomParam* tempTarget() const {
        if (vars->TempAlias.empty()) return nullptr;
        TParamCollectionItem* entry = vars->Find(vars->TempAlias);
        // @Temp naming itself (or @Result) would forward forever.
        if (!entry || entry->Value() == vars->SystemVariable(44) || entry->Value() == vars->SystemVariable(0))
            return nullptr;
        return entry->Value();
    }
};

class TTableBuilder {
public:
    TTableBuilder(TParamCollection& vars, ISystemVariableHost& host) : e(TSysEnv{&vars, &host}) {}

    void build() {
        alias(0, [e = e] { return e.resultSlot(); });
        flag(1, [e = e] { return e.base() && e.base()->LClick; }, [e = e](bool b) { if (e.base()) e.base()->LClick = b; });
        flag(2, [e = e] { return e.base() && e.base()->RClick; }, [e = e](bool b) { if (e.base()) e.base()->RClick = b; });
        flag(3, [e = e] { return e.base() && e.base()->LHeld; });
        flag(4, [e = e] { return e.base() && e.base()->RHeld; });
        integer(5, [e = e] { return e.base() ? e.base()->MouseX : 0; }, [e = e](int32_t x) { e.host->SetCursorX(x); });
        integer(6, [e = e] { return e.base() ? e.base()->MouseY : 0; }, [e = e](int32_t y) { e.host->SetCursorY(y); });
        integer(7, [e = e] { return e.vars->TextDelay; }, [e = e](int32_t v) { e.vars->TextDelay = v; });
        integer(8, [e = e] { return e.host->HistoryCount(); });
        integer(9, [e = e] { return e.callMan() ? e.callMan()->ArgCount() : 0; });
        paramStr(10);
        text(11, [e = e] { return e.callMan() ? e.callMan()->EventSourceName() : std::string(); });
        integer(12, [e = e] { return e.project() ? e.project()->ScreenWidth : 0; });
        integer(13, [e = e] { return e.project() ? e.project()->ScreenHeight : 0; });
        integer(14, [e = e] { return e.host->Context().TimeCounter; });
        integer(15, [e = e] { return static_cast<int32_t>(e.host->SystemTickMs()); });
        integer(16, [e = e] { return e.host->Context().FrameCount; });
        integer(17, [e = e] { return e.host->FrameLocalTime().year; });
        integer(18, [e = e] { return e.host->FrameLocalTime().month; });
        integer(19, [e = e] { return e.host->FrameLocalTime().day; });
        integer(20, [e = e] { return e.host->FrameLocalTime().dayOfWeek + 1; });
        integer(21, [e = e] { return e.host->FrameLocalTime().hour; });
        integer(22, [e = e] { return e.host->FrameLocalTime().minute; });
        integer(23, [e = e] { return e.host->FrameLocalTime().second; });
        text(24, [e = e] { return JoinFontNames(e.host->FontNames(false)); });
        text(25, [e = e] { return JoinFontNames(e.host->FontNames(true)); });
        flag(26, [e = e] { return e.host->IsFullScreen(); }, [e = e](bool b) { e.host->SetFullScreen(b); });
        text(27, [e = e] { return e.vars->CursorName; }, [e = e](const std::string& s) { e.vars->CursorName = s; });
        text(28, [e = e] { return e.vars->SelStr; }, [e = e](const std::string& s) { e.vars->SelStr = s; });
        integer(29, [e = e] { return e.vars->SelIndex; }, [e = e](int32_t v) { e.vars->SelIndex = v; });
        real(30, kPi);
        flag(31, [e = e] { return e.host->CGDither(); }, [e = e](bool b) { e.host->SetCGDither(b); });
        real(32, 1.0L / 24);
        real(33, 1.0L / 1440);
        real(34, 1.0L / 86400);
        keys(35, TNuvoBaseList::TKeyTable::Held);
        keys(36, TNuvoBaseList::TKeyTable::RawPressLast);
        integer(37, [e = e] { return e.host->Screen() ? e.host->Screen()->ModeCount() : 0; });
        integer(38, [e = e] { return e.host->DisplayModeIndex(); }, [e = e](int32_t i) { e.host->SelectDisplayMode(i); });
        text(39, [e = e] { return e.project() ? e.project()->Title : std::string(); });
        flag(40, [e = e] { return e.bases() && e.bases()->SoundEnabled(); },
             [e = e](bool b) { if (e.bases()) e.bases()->SetSoundEnabled(b); });
        activeCompo(41);
        keys(42, TNuvoBaseList::TKeyTable::PressOrRepeatLast);
        integer(43, [e = e] { return e.host->HistoryMaxCount(); }, [e = e](int32_t n) { e.host->SetHistoryMaxCount(n); });
        alias(44, [e = e] { return e.tempTarget(); });
        text(45, [e = e] { return e.host->MidiPort(); }, [e = e](const std::string& s) { e.host->SetMidiPort(s); });
        midiPorts(46);
        flag(47, [e = e] { return e.base() && e.base()->WheelDown; });
        flag(48, [e = e] { return e.base() && e.base()->WheelUp; });
        flag(49, [] { return false; });
        integer(50, [e = e] { return e.callMan() ? e.callMan()->Stack.Count() : 0; });
    }

private:
    void install(int index, TSysVarDef def) {
        e.vars->SystemVariable(index)->SetAccessor(std::make_unique<TSysVarAccessor>(std::move(def)));
    }

    void alias(int index, std::function<TCustomParam*()> target) {
        e.vars->SystemVariable(index)->SetAccessor(std::make_unique<TAliasAccessor>(std::move(target)));
    }

    void integer(int index, std::function<int32_t()> get, std::function<void(int32_t)> set = {}) {
        TSysVarDef d;
        d.Type = PT_INT;
        d.Read = [get](int32_t) { return intValue(get()); };
        if (set) d.Write = [set](const TSysValue& v) { set(v.i); };
        install(index, std::move(d));
    }

    void flag(int index, std::function<bool()> get, std::function<void(bool)> set = {}) {
        TSysVarDef d;
        d.Type = PT_BOOL;
        d.Read = [get](int32_t) { return boolValue(get()); };
        if (set) d.Write = [set](const TSysValue& v) { set(v.b); };
        install(index, std::move(d));
    }

    void text(int index, std::function<std::string()> get, std::function<void(const std::string&)> set = {}) {
        TSysVarDef d;
        d.Type = PT_STR;
        d.Read = [get](int32_t) { return strValue(get()); };
        if (set) d.Write = [set](const TSysValue& v) { set(v.s); };
        install(index, std::move(d));
    }

    void real(int index, long double value) {
        TSysVarDef d;
        d.Type = PT_FLOAT;
        d.Read = [value](int32_t) { return realValue(value); };
        install(index, std::move(d));
    }

    // @ParamStr: element i is argument i of the current call; the scalar
    // read is empty.
    void paramStr(int index) {
        TSysVarDef d;
        d.Type = PT_STR;
        d.Indexed = true;
        d.Count = [e = e] { return e.callMan() ? e.callMan()->ArgCount() : 0; };
        d.Read = [e = e](int32_t i) {
            if (i < 0 || !e.callMan()) return strValue({});
            return strValue(e.callMan()->Arg(i));
        };
        install(index, std::move(d));
    }

    // @KeyPush, @KeyClick, @KeyRepeat: 256 keys, then the wheel flags.
    void keys(int index, TNuvoBaseList::TKeyTable table) {
        TSysVarDef d;
        d.Type = PT_BOOL;
        d.Indexed = true;
        d.Count = [] { return kKeyArraySize; };
        d.Read = [e = e, table](int32_t i) {
            if (i < 0 || i >= kKeyArraySize || !e.bases()) return boolValue(false);
            if (i == 256) return boolValue(e.base()->WheelDown);
            if (i == 257) return boolValue(e.base()->WheelUp);
            return boolValue(e.bases()->KeyState(table, i));
        };
        install(index, std::move(d));
    }

    // @ActiveCompo: the focused component's name; writing gives the focus to
    // a control that can take it.
    void activeCompo(int index) {
        text(
            index,
            [e = e] {
                TNuvoControl* c = e.bases() ? e.bases()->FocusedControl() : nullptr;
                return c ? c->Name() : std::string();
            },
            [e = e](const std::string& name) {
                if (!e.bases() || name.empty()) return;
                TNuvoControl* c = e.bases()->FindControlByName(name);
                if (c && c->GetHandleKey() && !c->GetPaused()) e.bases()->SetFocus(c);
            });
    }

    // @MidiPorts: element i is port i; the scalar read is element 0.
    void midiPorts(int index) {
        TSysVarDef d;
        d.Type = PT_STR;
        d.Indexed = true;
        d.Count = [e = e] { return static_cast<int32_t>(e.host->MidiPorts().size()); };
        d.Read = [e = e](int32_t i) {
            const std::vector<std::string> ports = e.host->MidiPorts();
            if (i < 0) i = 0;
            return strValue(static_cast<size_t>(i) < ports.size() ? ports[static_cast<size_t>(i)] : std::string());
        };
        install(index, std::move(d));
    }

    TSysEnv e;
};

} // namespace

void InstallSystemVariables(TParamCollection& vars, ISystemVariableHost& host) { TTableBuilder(vars, host).build(); }

namespace {

// Sorted as the system sorts names: ASCII letters without regard to case,
// everything else by its bytes.
bool fontNameLess(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

} // namespace

std::vector<std::string> ScriptFontNames(const std::vector<platform::FontFace>& faces, bool fixedPitchOnly,
                                         bool japanese) {
    std::vector<std::string> names;
    for (const platform::FontFace& f : faces) {
        if (!f.trueType || f.family.empty() || f.family[0] == '@') continue;
        if (fixedPitchOnly && !f.fixedPitch) continue;
        if (japanese && !f.japanese) continue;
        // A name without an exact Shift-JIS form cannot be asked for by a
        // title.
        std::string sjis = utf8ToSjis(f.family);
        if (sjisToUtf8(sjis) != f.family) continue;
        names.push_back(std::move(sjis));
    }
    std::stable_sort(names.begin(), names.end(), fontNameLess);
    // Equal names regardless of ASCII case count once.
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string& a, const std::string& b) {
                                return !fontNameLess(a, b) && !fontNameLess(b, a);
                            }),
                names.end());
    return names;
}

std::string JoinFontNames(const std::vector<std::string>& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) out += "\r\n";
        out += names[i];
    }
    return out;
}

} // namespace nuvo
