#include "components/PropertyDispatch.h"

#include "base/Error.h"
#include "components/NuvoBaseList.h"
#include "script/Param.h"

namespace nuvo {

namespace {

using O = TNuvoObject;
using Getter = void (*)(const O&, TCustomParam&);
using Setter = void (*)(O&, const TCustomParam&);
using TextGetter = std::string (*)(const O&);

// How one property number reaches the object: the accessor pair, and the
// value type the accessors take (checked against the catalogue below).
struct Binding {
    int16_t number;
    uint8_t type;
    Getter get;
    Setter set;                // none: read only
    TextGetter text = nullptr; // string properties: the value without a variable
};

template <int32_t (O::*Get)() const, void (O::*Set)(int32_t)> constexpr Binding intProp(int16_t n) {
    return {n, PT_INT, [](const O& o, TCustomParam& v) { v.SetInteger((o.*Get)()); },
            [](O& o, const TCustomParam& v) { (o.*Set)(v.AsInteger()); }};
}

template <int32_t (O::*Get)() const> constexpr Binding intReadOnly(int16_t n) {
    return {n, PT_INT, [](const O& o, TCustomParam& v) { v.SetInteger((o.*Get)()); }, nullptr};
}

template <bool (O::*Get)() const, void (O::*Set)(bool)> constexpr Binding boolProp(int16_t n) {
    return {n, PT_BOOL, [](const O& o, TCustomParam& v) { v.SetBool((o.*Get)()); },
            [](O& o, const TCustomParam& v) { (o.*Set)(v.AsBool()); }};
}

template <bool (O::*Get)() const> constexpr Binding boolReadOnly(int16_t n) {
    return {n, PT_BOOL, [](const O& o, TCustomParam& v) { v.SetBool((o.*Get)()); }, nullptr};
}

template <std::string (O::*Get)() const, void (O::*Set)(std::string_view)> constexpr Binding strProp(int16_t n) {
    return {n, PT_STR, [](const O& o, TCustomParam& v) { v.SetString((o.*Get)()); },
            [](O& o, const TCustomParam& v) { (o.*Set)(v.AsString()); }, [](const O& o) { return (o.*Get)(); }};
}

template <std::string (O::*Get)(int32_t) const, void (O::*Set)(int32_t, std::string_view), int32_t I>
constexpr Binding strAt(int16_t n) {
    return {n, PT_STR, [](const O& o, TCustomParam& v) { v.SetString((o.*Get)(I)); },
            [](O& o, const TCustomParam& v) { (o.*Set)(I, v.AsString()); }, [](const O& o) { return (o.*Get)(I); }};
}

template <int32_t (O::*Get)(int32_t) const, void (O::*Set)(int32_t, int32_t), int32_t I>
constexpr Binding intAt(int16_t n) {
    return {n, PT_INT, [](const O& o, TCustomParam& v) { v.SetInteger((o.*Get)(I)); },
            [](O& o, const TCustomParam& v) { (o.*Set)(I, v.AsInteger()); }};
}

template <double (O::*Get)(int32_t) const, void (O::*Set)(int32_t, double), int32_t I>
constexpr Binding floatAt(int16_t n) {
    return {n, PT_FLOAT, [](const O& o, TCustomParam& v) { v.SetFloat((o.*Get)(I)); },
            [](O& o, const TCustomParam& v) { (o.*Set)(I, static_cast<double>(v.AsFloat())); }};
}

// ---- The properties with rules of their own ---------------------------------------------

std::string nameText(const O& o) { return o.Name(); }
void getName(const O& o, TCustomParam& v) { v.SetString(o.Name()); }
void setName(O& o, const TCustomParam& v) { o.SetName(v.AsString()); }

// The active base reads as "", the other base as 0x01, any other parent by name.
std::string parentText(const O& o) {
    const TNuvoControl* parent = o.GetParent();
    const TNuvoBaseList* registry = o.Owner();
    if (!parent || (registry && parent == registry->ActiveBase())) return {};
    if (registry && parent == registry->InactiveBase()) return "\x01";
    return parent->Name();
}
void getParent(const O& o, TCustomParam& v) { v.SetString(parentText(o)); }
void setParent(O& o, const TCustomParam& v) {
    if (o.AsBase() || !o.Owner()) return;
    if (TNuvoControl* parent = o.Owner()->FindControlByName(v.AsString())) o.SetParent(parent);
}

void getPriority(const O& o, TCustomParam& v) { v.SetInteger(o.GetPriority()); }
void setPriority(O& o, const TCustomParam& v) { o.SetPriority(v.AsInteger()); }

constexpr int32_t kFontStyleBits = FS_BOLD | FS_ITALIC | FS_UNDERLINE | FS_STRIKEOUT;
void getFontStyle(const O& o, TCustomParam& v) { v.SetInteger(o.GetFontStyle() & kFontStyleBits); }
void setFontStyle(O& o, const TCustomParam& v) { o.SetFontStyle(v.AsInteger() & kFontStyleBits); }
void getFontHoverStyle(const O& o, TCustomParam& v) { v.SetInteger(o.GetFontHoverStyle() & kFontStyleBits); }
void setFontHoverStyle(O& o, const TCustomParam& v) { o.SetFontHoverStyle(v.AsInteger() & kFontStyleBits); }

void getCaretX(const O& o, TCustomParam& v) { v.SetInteger(o.GetCaretPos().X); }
void getCaretY(const O& o, TCustomParam& v) { v.SetInteger(o.GetCaretPos().Y); }
void getZero(const O&, TCustomParam& v) { v.SetInteger(0); }
void getCompoType(const O& o, TCustomParam& v) { v.SetInteger(o.GetCompoType()); }
std::string tagText(const O& o) { return o.Tag; }
void getTag(const O& o, TCustomParam& v) { v.SetString(o.Tag); }
void setTag(O& o, const TCustomParam& v) { o.Tag = v.AsString(); }

constexpr Binding special(int16_t n, uint8_t type, Getter get, Setter set, TextGetter text = nullptr) {
    return {n, type, get, set, text};
}

// clang-format off
constexpr Binding kBindings[kPropertyCount] = {
    special(PR_NAME, PT_STR, getName, setName, nameText),
    special(PR_PARENT, PT_STR, getParent, setParent, parentText),
    strProp<&O::GetSource, &O::SetSource>(PR_SOURCE),
    intProp<&O::GetLeft, &O::SetLeft>(PR_LEFT),
    intProp<&O::GetTop, &O::SetTop>(PR_TOP),
    intProp<&O::GetWidth, &O::SetWidth>(PR_WIDTH),
    intProp<&O::GetHeight, &O::SetHeight>(PR_HEIGHT),
    intProp<&O::GetZoomX, &O::SetZoomX>(PR_ZOOMX),
    intProp<&O::GetColor, &O::SetColor>(PR_COLOR),
    intProp<&O::GetBorderWidth, &O::SetBorderWidth>(PR_BORDERWIDTH),
    intProp<&O::GetBorderColor, &O::SetBorderColor>(PR_BORDERCOLOR),
    intProp<&O::GetAlpha, &O::SetAlpha>(PR_ALPHA),
    special(PR_PRIORITY, PT_INT, getPriority, setPriority),
    intProp<&O::GetAnchorX, &O::SetAnchorX>(PR_OFFSETX),
    intProp<&O::GetAnchorY, &O::SetAnchorY>(PR_OFFSETY),
    strProp<&O::GetFontName, &O::SetFontName>(PR_FONTNAME),
    intProp<&O::GetFontHeight, &O::SetFontHeight>(PR_FONTHEIGHT),
    special(PR_FONTSTYLE, PT_INT, getFontStyle, setFontStyle),
    intProp<&O::GetLineSpace, &O::SetLineSpace>(PR_LINESPACE),
    intProp<&O::GetFontColor, &O::SetFontColor>(PR_FONTCOLOR),
    intProp<&O::GetFontLinkColor, &O::SetFontLinkColor>(PR_FONTLINKCOLOR),
    intProp<&O::GetFontBorderColor, &O::SetFontBorderColor>(PR_FONTBORDERCOLOR),
    intProp<&O::GetFontHoverColor, &O::SetFontHoverColor>(PR_FONTHOVERCOLOR),
    special(PR_FONTHOVERSTYLE, PT_INT, getFontHoverStyle, setFontHoverStyle),
    intProp<&O::GetHoverColor, &O::SetHoverColor>(PR_HOVERCOLOR),
    boolProp<&O::GetAntialias, &O::SetAntialias>(PR_ANTIALIAS),
    intProp<&O::GetDelay, &O::SetDelay>(PR_DELAY),
    boolProp<&O::GetPaused, &O::SetPaused>(PR_PAUSED),
    intProp<&O::GetVolume, &O::SetVolume>(PR_VOLUME),
    boolProp<&O::GetRepeat, &O::SetRepeat>(PR_REPEAT),
    intProp<&O::GetBalance, &O::SetBalance>(PR_BALANCE),
    intProp<&O::GetAngle, &O::SetAngle>(PR_ANGLE),
    strProp<&O::GetOnPlaying, &O::SetOnPlaying>(PR_ONPLAYING),
    strProp<&O::GetOnNotify, &O::SetOnNotify>(PR_ONNOTIFY),
    strProp<&O::GetOnMouseMove, &O::SetOnMouseMove>(PR_ONMOUSEMOVE),
    strProp<&O::GetOnMouseOut, &O::SetOnMouseOut>(PR_ONMOUSEOUT),
    strProp<&O::GetOnLBtnDown, &O::SetOnLBtnDown>(PR_ONLBTNDOWN),
    strProp<&O::GetOnLBtnUp, &O::SetOnLBtnUp>(PR_ONLBTNUP),
    strProp<&O::GetOnRBtnDown, &O::SetOnRBtnDown>(PR_ONRBTNDOWN),
    strProp<&O::GetOnRBtnUp, &O::SetOnRBtnUp>(PR_ONRBTNUP),
    strProp<&O::GetOnWheelDown, &O::SetOnWheelDown>(PR_ONWHEELDOWN),
    strProp<&O::GetOnWheelUp, &O::SetOnWheelUp>(PR_ONWHEELUP),
    intProp<&O::GetBrightness, &O::SetBrightness>(PR_BRIGHTNESS),
    strProp<&O::GetOnPlayEnd, &O::SetOnPlayEnd>(PR_ONPLAYEND),
    intProp<&O::GetIndex, &O::SetIndex>(PR_INDEX),
    intProp<&O::GetCount, &O::SetCount>(PR_COUNT),
    strProp<&O::GetOnLink, &O::SetOnLink>(PR_ONLINK),
    boolProp<&O::GetVisible, &O::SetVisible>(PR_VISIBLE),
    intProp<&O::GetColCount, &O::SetColCount>(PR_COLCOUNT),
    intProp<&O::GetRowCount, &O::SetRowCount>(PR_ROWCOUNT),
    strProp<&O::GetText, &O::SetText>(PR_TEXT),
    intProp<&O::GetMarginX, &O::SetMarginX>(PR_MARGINX),
    intProp<&O::GetMarginY, &O::SetMarginY>(PR_MARGINY),
    intProp<&O::GetHAlign, &O::SetHAlign>(PR_HALIGN),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 0>(PR_BORDERSOURCETL),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 1>(PR_BORDERSOURCETC),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 2>(PR_BORDERSOURCETR),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 3>(PR_BORDERSOURCECL),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 4>(PR_BORDERSOURCECC),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 5>(PR_BORDERSOURCECR),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 6>(PR_BORDERSOURCEBL),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 7>(PR_BORDERSOURCEBC),
    strAt<&O::GetBorderSource, &O::SetBorderSource, 8>(PR_BORDERSOURCEBR),
    intAt<&O::GetBorderHAlign, &O::SetBorderHAlign, 1>(PR_BORDERHALIGNT),
    intAt<&O::GetBorderHAlign, &O::SetBorderHAlign, 4>(PR_BORDERHALIGNC),
    intAt<&O::GetBorderHAlign, &O::SetBorderHAlign, 7>(PR_BORDERHALIGNB),
    intAt<&O::GetBorderVAlign, &O::SetBorderVAlign, 3>(PR_BORDERVALIGNL),
    intAt<&O::GetBorderVAlign, &O::SetBorderVAlign, 4>(PR_BORDERVALIGNC),
    intAt<&O::GetBorderVAlign, &O::SetBorderVAlign, 5>(PR_BORDERVALIGNR),
    strProp<&O::GetScrollSource, &O::SetScrollSource>(PR_SCROLLSOURCE),
    strProp<&O::GetCheckSource, &O::SetCheckSource>(PR_CHECKSOURCE),
    boolProp<&O::GetAutoScrap, &O::SetAutoScrap>(PR_AUTOSCRAP),
    strProp<&O::GetOnSelect, &O::SetOnSelect>(PR_ONSELECT),
    boolProp<&O::GetRClickScrap, &O::SetRClickScrap>(PR_RCLICKSCRAP),
    strProp<&O::GetOnOpening, &O::SetOnOpening>(PR_ONOPENING),
    strProp<&O::GetOnOpened, &O::SetOnOpened>(PR_ONOPENED),
    strProp<&O::GetOnClosing, &O::SetOnClosing>(PR_ONCLOSING),
    strProp<&O::GetOnClosed, &O::SetOnClosed>(PR_ONCLOSED),
    special(PR_CARETX, PT_INT, getCaretX, nullptr),
    special(PR_CARETY, PT_INT, getCaretY, nullptr),
    intProp<&O::GetIgnoreMouse, &O::SetIgnoreMouse>(PR_IGNOREMOUSE),
    boolProp<&O::GetTextPaused, &O::SetTextPaused>(PR_TEXTPAUSED),
    intProp<&O::GetTextDelay, &O::SetTextDelay>(PR_TEXTDELAY),
    strProp<&O::GetHoverSource, &O::SetHoverSource>(PR_HOVERSOURCE),
    strProp<&O::GetPressedSource, &O::SetPressedSource>(PR_PRESSEDSOURCE),
    intProp<&O::GetGroupIndex, &O::SetGroupIndex>(PR_GROUPINDEX),
    boolProp<&O::GetAllowAllUp, &O::SetAllowAllUp>(PR_ALLOWALLUP),
    boolProp<&O::GetSelected, &O::SetSelected>(PR_SELECTED),
    boolProp<&O::GetCaptureMask, &O::SetCaptureMask>(PR_CAPTUREMASK),
    intProp<&O::GetPower, &O::SetPower>(PR_POWER),
    intProp<&O::GetOrigWidth, &O::SetOrigWidth>(PR_ORIGWIDTH),
    intProp<&O::GetOrigHeight, &O::SetOrigHeight>(PR_ORIGHEIGHT),
    special(PR_APPEARX, PT_INT, getZero, nullptr),
    special(PR_APPEARY, PT_INT, getZero, nullptr),
    intProp<&O::GetPartMotion, &O::SetPartMotion>(PR_PARTMOTION),
    floatAt<&O::GetParam, &O::SetParam, 0>(PR_PARAM1),
    floatAt<&O::GetParam, &O::SetParam, 1>(PR_PARAM2),
    intProp<&O::GetTopIndex, &O::SetTopIndex>(PR_TOPINDEX),
    boolProp<&O::GetReadOnly, &O::SetReadOnly>(PR_READONLY),
    strProp<&O::GetCursor, &O::SetCursor>(PR_CURSOR),
    boolProp<&O::GetPosZoomed, &O::SetPosZoomed>(PR_POSZOOMED),
    strProp<&O::GetOnPlayStart, &O::SetOnPlayStart>(PR_ONPLAYSTART),
    floatAt<&O::GetParam, &O::SetParam, 2>(PR_PARAM3),
    strProp<&O::GetOnMouseIn, &O::SetOnMouseIn>(PR_ONMOUSEIN),
    strProp<&O::GetOnMapIn, &O::SetOnMapIn>(PR_ONMAPIN),
    strProp<&O::GetOnMapOut, &O::SetOnMapOut>(PR_ONMAPOUT),
    strProp<&O::GetMapSource, &O::SetMapSource>(PR_MAPSOURCE),
    intProp<&O::GetAmp, &O::SetAmp>(PR_AMP),
    intProp<&O::GetWaveLen, &O::SetWaveLen>(PR_WAVELEN),
    intProp<&O::GetScrollX, &O::SetScrollX>(PR_SCROLLX),
    intProp<&O::GetScrollY, &O::SetScrollY>(PR_SCROLLY),
    boolProp<&O::GetFlipH, &O::SetFlipH>(PR_FLIPH),
    boolProp<&O::GetFlipV, &O::SetFlipV>(PR_FLIPV),
    strProp<&O::GetOnIdle, &O::SetOnIdle>(PR_ONIDLE),
    intProp<&O::GetDistanceX, &O::SetDistanceX>(PR_DISTANCEX),
    intProp<&O::GetDistanceY, &O::SetDistanceY>(PR_DISTANCEY),
    intProp<&O::GetClipLeft, &O::SetClipLeft>(PR_CLIPLEFT),
    intProp<&O::GetClipTop, &O::SetClipTop>(PR_CLIPTOP),
    intProp<&O::GetClipWidth, &O::SetClipWidth>(PR_CLIPWIDTH),
    intProp<&O::GetClipHeight, &O::SetClipHeight>(PR_CLIPHEIGHT),
    intProp<&O::GetDuration, &O::SetDuration>(PR_DURATION),
    strProp<&O::GetThumbSource, &O::SetThumbSource>(PR_THUMBSOURCE),
    strProp<&O::GetButtonSource, &O::SetButtonSource>(PR_BUTTONSOURCE),
    intProp<&O::GetMin, &O::SetMin>(PR_MIN),
    intProp<&O::GetMax, &O::SetMax>(PR_MAX),
    intProp<&O::GetValue, &O::SetValue>(PR_VALUE),
    intProp<&O::GetOrientation, &O::SetOrientation>(PR_ORIENTATION),
    intProp<&O::GetSmallChange, &O::SetSmallChange>(PR_SMALLCHANGE),
    intProp<&O::GetLargeChange, &O::SetLargeChange>(PR_LARGECHANGE),
    strProp<&O::GetMapText, &O::SetMapText>(PR_MAPTEXT),
    intProp<&O::GetGlyphWidth, &O::SetGlyphWidth>(PR_GLYPHWIDTH),
    intProp<&O::GetGlyphHeight, &O::SetGlyphHeight>(PR_GLYPHHEIGHT),
    intProp<&O::GetZoomY, &O::SetZoomY>(PR_ZOOMY),
    strProp<&O::GetClickedSource, &O::SetClickedSource>(PR_CLICKEDSOURCE),
    boolProp<&O::GetAniPaused, &O::SetAniPaused>(PR_ANIPAUSED),
    strProp<&O::GetOnHold, &O::SetOnHold>(PR_ONHOLD),
    strProp<&O::GetOnRelease, &O::SetOnRelease>(PR_ONRELEASE),
    boolProp<&O::GetReverse, &O::SetReverse>(PR_REVERSE),
    boolReadOnly<&O::GetPlaying>(PR_PLAYING),
    boolProp<&O::GetRewindOnLoad, &O::SetRewindOnLoad>(PR_REWINDONLOAD),
    special(PR_COMPOTYPE, PT_INT, getCompoType, nullptr),
    intProp<&O::GetFontShadowColor, &O::SetFontShadowColor>(PR_FONTSHADOWCOLOR),
    intProp<&O::GetFontBorder, &O::SetFontBorder>(PR_FONTBORDER),
    intProp<&O::GetFontShadow, &O::SetFontShadow>(PR_FONTSHADOW),
    strProp<&O::GetOnKeyDown, &O::SetOnKeyDown>(PR_ONKEYDOWN),
    strProp<&O::GetOnKeyUp, &O::SetOnKeyUp>(PR_ONKEYUP),
    strProp<&O::GetOnKeyRepeat, &O::SetOnKeyRepeat>(PR_ONKEYREPEAT),
    boolProp<&O::GetHandleKey, &O::SetHandleKey>(PR_HANDLEKEY),
    strProp<&O::GetOnFocusIn, &O::SetOnFocusIn>(PR_ONFOCUSIN),
    strProp<&O::GetOnFocusOut, &O::SetOnFocusOut>(PR_ONFOCUSOUT),
    boolProp<&O::GetOverlay, &O::SetOverlay>(PR_OVERLAY),
    special(PR_TAG, PT_STR, getTag, setTag, tagText),
    boolProp<&O::GetCaptureLink, &O::SetCaptureLink>(PR_CAPTURELINK),
    intProp<&O::GetFontHoverBorder, &O::SetFontHoverBorder>(PR_FONTHOVERBORDER),
    intProp<&O::GetFontHoverBorderColor, &O::SetFontHoverBorderColor>(PR_FONTHOVERBORDERCOLOR),
    intProp<&O::GetFontHoverShadow, &O::SetFontHoverShadow>(PR_FONTHOVERSHADOW),
    intProp<&O::GetFontHoverShadowColor, &O::SetFontHoverShadowColor>(PR_FONTHOVERSHADOWCOLOR),
    intProp<&O::GetBarSize, &O::SetBarSize>(PR_BARSIZE),
    boolProp<&O::GetMuteOnLoad, &O::SetMuteOnLoad>(PR_MUTEONLOAD),
    intProp<&O::GetPlusX, &O::SetPlusX>(PR_PLUSX),
    intProp<&O::GetPlusY, &O::SetPlusY>(PR_PLUSY),
    intReadOnly<&O::GetCaretHeight>(PR_CARETHEIGHT),
    intProp<&O::GetRepeatPos, &O::SetRepeatPos>(PR_REPEATPOS),
    intProp<&O::GetBlurSpan, &O::SetBlurSpan>(PR_BLURSPAN),
    intProp<&O::GetBlurDelay, &O::SetBlurDelay>(PR_BLURDELAY),
};
// clang-format on

// Every binding sits at its number, takes the catalogue's type, and is read
// only exactly where the catalogue says writes do nothing or fail.
constexpr bool bindingsMatchCatalogue() {
    for (int i = 0; i < kPropertyCount; ++i) {
        const Binding& b = kBindings[i];
        const PropertyTypeInfo& info = kPropertyCatalogue[i];
        if (b.number != i || b.type != info.type || !b.get) return false;
        if ((b.set == nullptr) != (info.access != PA_READWRITE)) return false;
        if ((b.text != nullptr) != (info.type == PT_STR)) return false;
    }
    return true;
}
static_assert(bindingsMatchCatalogue());

bool carries(const O& object, const PropertyTypeInfo& info) {
    return info.isCarriedBy(object.GetCompoType(), object.AsControl() != nullptr);
}

void storeDefault(TCustomParam& var, uint8_t type) {
    switch (type) {
    case PT_INT:
        var.SetInteger(0);
        break;
    case PT_FLOAT:
        var.SetFloat(0.0L);
        break;
    case PT_BOOL:
        var.SetBool(false);
        break;
    default:
        var.SetString("");
        break;
    }
}

} // namespace

void GetProperty(TCustomParam& var, const TNuvoObject& object, int32_t number) {
    const PropertyTypeInfo* info = propertyTypeInfo(number);
    if (!info) raiseError(sjisText("GetPropエラー"));
    if (carries(object, *info))
        kBindings[number].get(object, var);
    else
        storeDefault(var, info->type);
}

void SetProperty(TNuvoObject& object, int32_t number, const TCustomParam& value) {
    const PropertyTypeInfo* info = propertyTypeInfo(number);
    if (!info || info->access == PA_WRITEFAILS) raiseError(sjisText("SetPropエラー"));
    if (number == PR_TEXT && CarriesProperty(object, number)) object.ResetInsertionState();
    ApplyProperty(object, number, value);
}

void ApplyProperty(TNuvoObject& object, int32_t number, const TCustomParam& value) {
    const PropertyTypeInfo* info = propertyTypeInfo(number);
    if (!info || !kBindings[number].set || !carries(object, *info)) return;
    kBindings[number].set(object, value);
}

bool CarriesProperty(const TNuvoObject& object, int32_t number) {
    const PropertyTypeInfo* info = propertyTypeInfo(number);
    return info && carries(object, *info);
}

std::string readStringProperty(const TNuvoObject& object, int32_t number) {
    if (number < 0 || number >= kPropertyCount || !kBindings[number].text) return {};
    return kBindings[number].text(object);
}

} // namespace nuvo
