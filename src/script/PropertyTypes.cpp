#include "script/PropertyTypes.h"

#include "script/Param.h"

#include <array>

namespace nuvo {
namespace {

constexpr std::array<PropertyTypeInfo, kPropertyCount> kProperties = {{
    {"PR_NAME", PT_STR}, // 0
    {"PR_PARENT", PT_STR}, // 1
    {"PR_SOURCE", PT_STR}, // 2
    {"PR_LEFT", PT_INT}, // 3
    {"PR_TOP", PT_INT}, // 4
    {"PR_WIDTH", PT_INT}, // 5
    {"PR_HEIGHT", PT_INT}, // 6
    {"PR_ZOOMX", PT_INT}, // 7
    {"PR_COLOR", PT_INT}, // 8
    {"PR_BORDERWIDTH", PT_INT}, // 9
    {"PR_BORDERCOLOR", PT_INT}, // 10
    {"PR_ALPHA", PT_INT}, // 11
    {"PR_PRIORITY", PT_INT}, // 12
    {"PR_OFFSETX", PT_INT}, // 13
    {"PR_OFFSETY", PT_INT}, // 14
    {"PR_FONTNAME", PT_STR}, // 15
    {"PR_FONTHEIGHT", PT_INT}, // 16
    {"PR_FONTSTYLE", PT_INT}, // 17
    {"PR_LINESPACE", PT_INT}, // 18
    {"PR_FONTCOLOR", PT_INT}, // 19
    {"PR_FONTLINKCOLOR", PT_INT}, // 20
    {"PR_FONTBORDERCOLOR", PT_INT}, // 21
    {"PR_FONTHOVERCOLOR", PT_INT}, // 22
    {"PR_FONTHOVERSTYLE", PT_INT}, // 23
    {"PR_HOVERCOLOR", PT_INT}, // 24
    {"PR_ANTIALIAS", PT_BOOL}, // 25
    {"PR_DELAY", PT_INT}, // 26
    {"PR_PAUSED", PT_BOOL}, // 27
    {"PR_VOLUME", PT_INT}, // 28
    {"PR_REPEAT", PT_BOOL}, // 29
    {"PR_BALANCE", PT_INT}, // 30
    {"PR_ANGLE", PT_INT}, // 31
    {"PR_ONPLAYING", PT_STR}, // 32
    {"PR_ONNOTIFY", PT_STR}, // 33
    {"PR_ONMOUSEMOVE", PT_STR}, // 34
    {"PR_ONMOUSEOUT", PT_STR}, // 35
    {"PR_ONLBTNDOWN", PT_STR}, // 36
    {"PR_ONLBTNUP", PT_STR}, // 37
    {"PR_ONRBTNDOWN", PT_STR}, // 38
    {"PR_ONRBTNUP", PT_STR}, // 39
    {"PR_ONWHEELDOWN", PT_STR}, // 40
    {"PR_ONWHEELUP", PT_STR}, // 41
    {"PR_BRIGHTNESS", PT_INT}, // 42
    {"PR_ONPLAYEND", PT_STR}, // 43
    {"PR_INDEX", PT_INT}, // 44
    {"PR_COUNT", PT_INT}, // 45
    {"PR_ONLINK", PT_STR}, // 46
    {"PR_VISIBLE", PT_BOOL}, // 47
    {"PR_COLCOUNT", PT_INT}, // 48
    {"PR_ROWCOUNT", PT_INT}, // 49
    {"PR_TEXT", PT_STR}, // 50
    {"PR_MARGINX", PT_INT}, // 51
    {"PR_MARGINY", PT_INT}, // 52
    {"PR_HALIGN", PT_INT}, // 53
    {"PR_BORDERSOURCETL", PT_STR}, // 54
    {"PR_BORDERSOURCETC", PT_STR}, // 55
    {"PR_BORDERSOURCETR", PT_STR}, // 56
    {"PR_BORDERSOURCECL", PT_STR}, // 57
    {"PR_BORDERSOURCECC", PT_STR}, // 58
    {"PR_BORDERSOURCECR", PT_STR}, // 59
    {"PR_BORDERSOURCEBL", PT_STR}, // 60
    {"PR_BORDERSOURCEBC", PT_STR}, // 61
    {"PR_BORDERSOURCEBR", PT_STR}, // 62
    {"PR_BORDERHALIGNT", PT_INT}, // 63
    {"PR_BORDERHALIGNC", PT_INT}, // 64
    {"PR_BORDERHALIGNB", PT_INT}, // 65
    {"PR_BORDERVALIGNL", PT_INT}, // 66
    {"PR_BORDERVALIGNC", PT_INT}, // 67
    {"PR_BORDERVALIGNR", PT_INT}, // 68
    {"PR_SCROLLSOURCE", PT_STR}, // 69
    {"PR_CHECKSOURCE", PT_STR}, // 70
    {"PR_AUTOSCRAP", PT_BOOL}, // 71
    {"PR_ONSELECT", PT_STR}, // 72
    {"PR_RCLICKSCRAP", PT_BOOL}, // 73
    {"PR_ONOPENING", PT_STR}, // 74
    {"PR_ONOPENED", PT_STR}, // 75
    {"PR_ONCLOSING", PT_STR}, // 76
    {"PR_ONCLOSED", PT_STR}, // 77
    {"PR_CARETX", PT_INT}, // 78
    {"PR_CARETY", PT_INT}, // 79
    {"PR_IGNOREMOUSE", PT_INT}, // 80
    {"PR_TEXTPAUSED", PT_BOOL}, // 81
    {"PR_TEXTDELAY", PT_INT}, // 82
    {"PR_HOVERSOURCE", PT_STR}, // 83
    {"PR_PRESSEDSOURCE", PT_STR}, // 84
    {"PR_GROUPINDEX", PT_INT}, // 85
    {"PR_ALLOWALLUP", PT_BOOL}, // 86
    {"PR_SELECTED", PT_BOOL}, // 87
    {"PR_CAPTUREMASK", PT_BOOL}, // 88
    {"PR_POWER", PT_INT}, // 89
    {"PR_ORIGWIDTH", PT_INT}, // 90
    {"PR_ORIGHEIGHT", PT_INT}, // 91
    {"PR_APPEARX", PT_INT}, // 92
    {"PR_APPEARY", PT_INT}, // 93
    {"PR_PARTMOTION", PT_INT}, // 94
    {"PR_PARAM1", PT_FLOAT}, // 95
    {"PR_PARAM2", PT_FLOAT}, // 96
    {"PR_TOPINDEX", PT_INT}, // 97
    {"PR_READONLY", PT_BOOL}, // 98
    {"PR_CURSOR", PT_STR}, // 99
    {"PR_POSZOOMED", PT_BOOL}, // 100
    {"PR_ONPLAYSTART", PT_STR}, // 101
    {"PR_PARAM3", PT_FLOAT}, // 102
    {"PR_ONMOUSEIN", PT_STR}, // 103
    {"PR_ONMAPIN", PT_STR}, // 104
    {"PR_ONMAPOUT", PT_STR}, // 105
    {"PR_MAPSOURCE", PT_STR}, // 106
    {"PR_AMP", PT_INT}, // 107
    {"PR_WAVELEN", PT_INT}, // 108
    {"PR_SCROLLX", PT_INT}, // 109
    {"PR_SCROLLY", PT_INT}, // 110
    {"PR_FLIPH", PT_BOOL}, // 111
    {"PR_FLIPV", PT_BOOL}, // 112
    {"PR_ONIDLE", PT_STR}, // 113
    {"PR_DISTANCEX", PT_INT}, // 114
    {"PR_DISTANCEY", PT_INT}, // 115
    {"PR_CLIPLEFT", PT_INT}, // 116
    {"PR_CLIPTOP", PT_INT}, // 117
    {"PR_CLIPWIDTH", PT_INT}, // 118
    {"PR_CLIPHEIGHT", PT_INT}, // 119
    {"PR_DURATION", PT_INT}, // 120
    {"PR_THUMBSOURCE", PT_STR}, // 121
    {"PR_BUTTONSOURCE", PT_STR}, // 122
    {"PR_MIN", PT_INT}, // 123
    {"PR_MAX", PT_INT}, // 124
    {"PR_VALUE", PT_INT}, // 125
    {"PR_ORIENTATION", PT_INT}, // 126
    {"PR_SMALLCHANGE", PT_INT}, // 127
    {"PR_LARGECHANGE", PT_INT}, // 128
    {"PR_MAPTEXT", PT_STR}, // 129
    {"PR_GLYPHWIDTH", PT_INT}, // 130
    {"PR_GLYPHHEIGHT", PT_INT}, // 131
    {"PR_ZOOMY", PT_INT}, // 132
    {"PR_CLICKEDSOURCE", PT_STR}, // 133
    {"PR_ANIPAUSED", PT_BOOL}, // 134
    {"PR_ONHOLD", PT_STR}, // 135
    {"PR_ONRELEASE", PT_STR}, // 136
    {"PR_REVERSE", PT_BOOL}, // 137
    {"PR_PLAYING", PT_BOOL}, // 138
    {"PR_REWINDONLOAD", PT_BOOL}, // 139
    {"PR_COMPOTYPE", PT_INT}, // 140
    {"PR_FONTSHADOWCOLOR", PT_INT}, // 141
    {"PR_FONTBORDER", PT_INT}, // 142
    {"PR_FONTSHADOW", PT_INT}, // 143
    {"PR_ONKEYDOWN", PT_STR}, // 144
    {"PR_ONKEYUP", PT_STR}, // 145
    {"PR_ONKEYREPEAT", PT_STR}, // 146
    {"PR_HANDLEKEY", PT_BOOL}, // 147
    {"PR_ONFOCUSIN", PT_STR}, // 148
    {"PR_ONFOCUSOUT", PT_STR}, // 149
    {"PR_OVERLAY", PT_BOOL}, // 150
    {"PR_TAG", PT_STR}, // 151
    {"PR_CAPTURELINK", PT_BOOL}, // 152
    {"PR_FONTHOVERBORDER", PT_INT}, // 153
    {"PR_FONTHOVERBORDERCOLOR", PT_INT}, // 154
    {"PR_FONTHOVERSHADOW", PT_INT}, // 155
    {"PR_FONTHOVERSHADOWCOLOR", PT_INT}, // 156
    {"PR_BARSIZE", PT_INT}, // 157
    {"PR_MUTEONLOAD", PT_BOOL}, // 158
    {"PR_PLUSX", PT_INT}, // 159
    {"PR_PLUSY", PT_INT}, // 160
    {"PR_CARETHEIGHT", PT_INT}, // 161
    {"PR_REPEATPOS", PT_INT}, // 162
    {"PR_BLURSPAN", PT_INT}, // 163
    {"PR_BLURDELAY", PT_INT}, // 164
}};

} // namespace

const PropertyTypeInfo* propertyTypeInfo(int32_t number) {
    if (number < 0 || number >= kPropertyCount) return nullptr;
    return &kProperties[static_cast<size_t>(number)];
}

} // namespace nuvo
