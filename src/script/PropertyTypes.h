// The numbered component properties and component types: the one catalogue
// from which every table of them is made. Compiled pages and save files store
// these numbers, so the numbering is binding.
//
// Each list below is an X-macro: a row per entry, expanded here into the
// enumerations and the constexpr tables, and by any layer that needs another
// view of the same rows. Captions are the system's own texts in UTF-8 (a
// "\r\n" inside one is a line break of the caption).
//
// A property row: number, name, the type its value has in a script variable
// (PT_INT, PT_BOOL, PT_FLOAT or PT_STR), caption, access, and the component
// types whose class implements it (every other object reads the default and
// ignores writes). "All controls" means every object derived from the control
// class, whatever its type number (base screens and internal pictures
// included).
#pragma once

#include "script/Param.h"

#include <cstdint>

namespace nuvo {

// ---- Component types ----------------------------------------------------------
// number, name, caption
// clang-format off
#define NUVO_COMPONENT_TYPE_LIST(X) \
    X(0, LT_NONE, "なし") \
    X(1, LT_AUDIO, "オーディオ") \
    X(2, LT_BOX, "矩形サーフェス") \
    X(3, LT_BUTTON, "ボタン") \
    X(4, LT_CINEMA, "シネマサーフェス") \
    X(5, LT_EDIT, "エディット") \
    X(6, LT_FIRE, "炎サーフェス") \
    X(7, LT_HTTP, "HTTP") \
    X(8, LT_IMAGES, "画像サーフェス") \
    X(9, LT_LABEL, "キャプション") \
    X(10, LT_MAP, "マップ") \
    X(11, LT_MEMO, "メモ") \
    X(12, LT_MENU, "メニュー") \
    X(13, LT_MES, "メッセージボックス") \
    X(14, LT_PARTICLE, "パーティクルサーフェス") \
    X(15, LT_TIMER, "タイマー") \
    X(16, LT_VIDEO, "ムービー") \
    X(17, LT_SOUND, "サウンド") \
    X(18, LT_MAPIMG, "選択画像") \
    X(19, LT_WAVE, "ウェーブサーフェス") \
    X(20, LT_TILE, "タイルサーフェス") \
    X(21, LT_SLIDER, "スライダー") \
    X(22, LT_SCROLLBAR, "スクロールバー") \
    X(23, LT_GAUGE, "ゲージ") \
    X(24, LT_CGLABEL, "画像キャプション") \
    X(25, LT_PREVMENU, "プレビューメニュー") \
    X(26, LT_PROPMOTION, "プロパティモーション") \
    X(27, LT_CABINET, "キャビネット")
// clang-format on

enum ComponentType : uint8_t {
#define NUVO_X(number, name, caption) name = number,
    NUVO_COMPONENT_TYPE_LIST(NUVO_X)
#undef NUVO_X
};

constexpr int kComponentTypeCount = 28; // LT_NONE = 0 ... LT_CABINET = 27

struct ComponentTypeInfo {
    int8_t number;
    const char* name;    // LT_NONE ... LT_CABINET
    const char* caption; // UTF-8
};

inline constexpr ComponentTypeInfo kComponentTypes[kComponentTypeCount] = {
#define NUVO_X(number, name, caption) {number, #name, caption},
    NUVO_COMPONENT_TYPE_LIST(NUVO_X)
#undef NUVO_X
};

// The entry of a type number, or none outside 0 .. kComponentTypeCount - 1.
const ComponentTypeInfo* componentTypeInfo(int32_t number);

// ---- Properties -----------------------------------------------------------------
enum PropertyAccess : uint8_t {
    PA_READWRITE,  // read and written through the component's accessors
    PA_READONLY,   // writing does nothing
    PA_WRITEFAILS, // reading gives 0, writing fails
};

// Carrier sets: one bit per component type, plus two bits for the open sets.
constexpr uint32_t kCarriedByAllControls = 1u << 30;
constexpr uint32_t kCarriedByEveryObject = 1u << 31;
template <typename... T> constexpr uint32_t carriedBy(T... types) {
    return ((1u << static_cast<unsigned>(types)) | ... | 0u);
}

// number, name, type, caption, access, carriers
// clang-format off
#define NUVO_PROPERTY_LIST(X) \
    X(0, PR_NAME, PT_STR, "名前", PA_READWRITE, kCarriedByEveryObject) \
    X(1, PR_PARENT, PT_STR, "親", PA_READWRITE, kCarriedByEveryObject) \
    X(2, PR_SOURCE, PT_STR, "ソース", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_CINEMA, LT_HTTP, LT_IMAGES, LT_LABEL, LT_PARTICLE, LT_VIDEO, LT_SOUND, LT_MAPIMG, LT_TILE, LT_SLIDER, LT_SCROLLBAR, LT_GAUGE, LT_CGLABEL, LT_PREVMENU)) \
    X(3, PR_LEFT, PT_INT, "X座標", PA_READWRITE, kCarriedByAllControls) \
    X(4, PR_TOP, PT_INT, "Y座標", PA_READWRITE, kCarriedByAllControls) \
    X(5, PR_WIDTH, PT_INT, "幅", PA_READWRITE, kCarriedByAllControls) \
    X(6, PR_HEIGHT, PT_INT, "高さ", PA_READWRITE, kCarriedByAllControls) \
    X(7, PR_ZOOMX, PT_INT, "ズームX", PA_READWRITE, carriedBy(LT_BUTTON, LT_FIRE, LT_IMAGES, LT_LABEL, LT_VIDEO, LT_TILE)) \
    X(8, PR_COLOR, PT_INT, "色", PA_READWRITE, kCarriedByAllControls) \
    X(9, PR_BORDERWIDTH, PT_INT, "枠幅", PA_READWRITE, carriedBy(LT_BOX, LT_MENU)) \
    X(10, PR_BORDERCOLOR, PT_INT, "枠色", PA_READWRITE, carriedBy(LT_BOX, LT_MENU)) \
    X(11, PR_ALPHA, PT_INT, "アルファ", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_IMAGES, LT_LABEL, LT_MENU, LT_MES, LT_PARTICLE, LT_VIDEO, LT_MAPIMG, LT_TILE, LT_SLIDER, LT_SCROLLBAR, LT_GAUGE, LT_CGLABEL)) \
    X(12, PR_PRIORITY, PT_INT, "プライオリティ", PA_READWRITE, kCarriedByEveryObject) \
    X(13, PR_OFFSETX, PT_INT, "X中心座標", PA_READWRITE, kCarriedByAllControls) \
    X(14, PR_OFFSETY, PT_INT, "Y中心座標", PA_READWRITE, kCarriedByAllControls) \
    X(15, PR_FONTNAME, PT_STR, "フォント名", PA_READWRITE, carriedBy(LT_BUTTON, LT_EDIT, LT_LABEL, LT_MEMO, LT_MENU, LT_MES)) \
    X(16, PR_FONTHEIGHT, PT_INT, "フォントサイズ", PA_READWRITE, carriedBy(LT_BUTTON, LT_EDIT, LT_LABEL, LT_MEMO, LT_MENU, LT_MES)) \
    X(17, PR_FONTSTYLE, PT_INT, "フォントスタイル", PA_READWRITE, carriedBy(LT_BUTTON, LT_EDIT, LT_LABEL, LT_MEMO, LT_MENU)) \
    X(18, PR_LINESPACE, PT_INT, "行間", PA_READWRITE, carriedBy(LT_LABEL, LT_MENU, LT_MES, LT_CGLABEL)) \
    X(19, PR_FONTCOLOR, PT_INT, "フォント色", PA_READWRITE, carriedBy(LT_BUTTON, LT_EDIT, LT_LABEL, LT_MEMO, LT_MENU, LT_MES)) \
    X(20, PR_FONTLINKCOLOR, PT_INT, "リンクの色", PA_READWRITE, carriedBy(LT_MES)) \
    X(21, PR_FONTBORDERCOLOR, PT_INT, "フォントの縁の色", PA_READWRITE, carriedBy(LT_MENU, LT_MES)) \
    X(22, PR_FONTHOVERCOLOR, PT_INT, "マウスオーバー時の\r\nフォント色", PA_READWRITE, carriedBy(LT_MENU, LT_MES)) \
    X(23, PR_FONTHOVERSTYLE, PT_INT, "マウスオーバー時の\r\nフォントスタイル", PA_READWRITE, carriedBy(LT_MENU)) \
    X(24, PR_HOVERCOLOR, PT_INT, "マウスオーバー時の色", PA_READWRITE, carriedBy(LT_MENU)) \
    X(25, PR_ANTIALIAS, PT_BOOL, "アンチエイリアス", PA_READWRITE, carriedBy(LT_BUTTON, LT_LABEL, LT_MENU, LT_MES)) \
    X(26, PR_DELAY, PT_INT, "ウエイト", PA_READWRITE, carriedBy(LT_MENU, LT_MES, LT_TIMER, LT_VIDEO, LT_SOUND, LT_WAVE, LT_GAUGE)) \
    X(27, PR_PAUSED, PT_BOOL, "停止", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_CINEMA, LT_EDIT, LT_FIRE, LT_IMAGES, LT_LABEL, LT_MEMO, LT_MENU, LT_MES, LT_PARTICLE, LT_TIMER, LT_VIDEO, LT_SOUND, LT_MAPIMG, LT_WAVE, LT_TILE, LT_SLIDER, LT_SCROLLBAR, LT_GAUGE, LT_CGLABEL, LT_PREVMENU, LT_PROPMOTION)) \
    X(28, PR_VOLUME, PT_INT, "音量", PA_READWRITE, carriedBy(LT_CINEMA, LT_VIDEO, LT_SOUND)) \
    X(29, PR_REPEAT, PT_BOOL, "リピート", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_CINEMA, LT_IMAGES, LT_LABEL, LT_VIDEO, LT_SOUND, LT_MAPIMG, LT_TILE)) \
    X(30, PR_BALANCE, PT_INT, "バランス", PA_READWRITE, carriedBy(LT_VIDEO, LT_SOUND)) \
    X(31, PR_ANGLE, PT_INT, "角度", PA_READWRITE, carriedBy(LT_BUTTON, LT_IMAGES, LT_LABEL, LT_VIDEO, LT_TILE)) \
    X(32, PR_ONPLAYING, PT_STR, "再生中", PA_READWRITE, carriedBy(LT_MES)) \
    X(33, PR_ONNOTIFY, PT_STR, "汎用イベント", PA_READWRITE, carriedBy(LT_BUTTON, LT_EDIT, LT_MEMO, LT_MES, LT_TIMER, LT_SLIDER, LT_SCROLLBAR)) \
    X(34, PR_ONMOUSEMOVE, PT_STR, "マウス移動", PA_READWRITE, kCarriedByAllControls) \
    X(35, PR_ONMOUSEOUT, PT_STR, "マウスアウト", PA_READWRITE, kCarriedByAllControls) \
    X(36, PR_ONLBTNDOWN, PT_STR, "左ボタンダウン", PA_READWRITE, kCarriedByAllControls) \
    X(37, PR_ONLBTNUP, PT_STR, "左ボタンアップ", PA_READWRITE, kCarriedByAllControls) \
    X(38, PR_ONRBTNDOWN, PT_STR, "右ボタンダウン", PA_READWRITE, kCarriedByAllControls) \
    X(39, PR_ONRBTNUP, PT_STR, "右ボタンアップ", PA_READWRITE, kCarriedByAllControls) \
    X(40, PR_ONWHEELDOWN, PT_STR, "ホイールダウン", PA_READWRITE, kCarriedByAllControls) \
    X(41, PR_ONWHEELUP, PT_STR, "ホイールアップ", PA_READWRITE, kCarriedByAllControls) \
    X(42, PR_BRIGHTNESS, PT_INT, "明るさ", PA_READWRITE, carriedBy(LT_BUTTON, LT_IMAGES, LT_MAPIMG, LT_TILE)) \
    X(43, PR_ONPLAYEND, PT_STR, "再生終了", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_CINEMA, LT_HTTP, LT_IMAGES, LT_LABEL, LT_MES, LT_VIDEO, LT_SOUND, LT_PREVMENU)) \
    X(44, PR_INDEX, PT_INT, "インデックス", PA_READWRITE, carriedBy(LT_BUTTON, LT_CINEMA, LT_IMAGES, LT_MENU, LT_MES, LT_PARTICLE, LT_VIDEO, LT_SOUND, LT_TILE)) \
    X(45, PR_COUNT, PT_INT, "カウント", PA_READWRITE, carriedBy(LT_BUTTON, LT_CINEMA, LT_IMAGES, LT_MENU, LT_MES, LT_VIDEO, LT_SOUND, LT_TILE, LT_PREVMENU)) \
    X(46, PR_ONLINK, PT_STR, "リンク", PA_READWRITE, carriedBy(LT_MES)) \
    X(47, PR_VISIBLE, PT_BOOL, "可視", PA_READWRITE, kCarriedByAllControls) \
    X(48, PR_COLCOUNT, PT_INT, "列数", PA_READWRITE, 0) \
    X(49, PR_ROWCOUNT, PT_INT, "行数", PA_READWRITE, carriedBy(LT_MENU)) \
    X(50, PR_TEXT, PT_STR, "テキスト", PA_READWRITE, carriedBy(LT_BUTTON, LT_EDIT, LT_HTTP, LT_LABEL, LT_MEMO, LT_MENU, LT_MES, LT_CGLABEL, LT_PREVMENU)) \
    X(51, PR_MARGINX, PT_INT, "左右の余白", PA_READWRITE, carriedBy(LT_MENU)) \
    X(52, PR_MARGINY, PT_INT, "上下の余白", PA_READWRITE, carriedBy(LT_MENU)) \
    X(53, PR_HALIGN, PT_INT, "横の揃え", PA_READWRITE, carriedBy(LT_LABEL, LT_MEMO, LT_MENU, LT_CGLABEL)) \
    X(54, PR_BORDERSOURCETL, PT_STR, "枠画像(左上)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(55, PR_BORDERSOURCETC, PT_STR, "枠画像(上)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(56, PR_BORDERSOURCETR, PT_STR, "枠画像(右上)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(57, PR_BORDERSOURCECL, PT_STR, "枠画像(左)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(58, PR_BORDERSOURCECC, PT_STR, "枠画像(背景)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(59, PR_BORDERSOURCECR, PT_STR, "枠画像(右)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(60, PR_BORDERSOURCEBL, PT_STR, "枠画像(左下)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(61, PR_BORDERSOURCEBC, PT_STR, "枠画像(下)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(62, PR_BORDERSOURCEBR, PT_STR, "枠画像(右下)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(63, PR_BORDERHALIGNT, PT_INT, "枠横揃え(上)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(64, PR_BORDERHALIGNC, PT_INT, "枠横揃え(背景)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(65, PR_BORDERHALIGNB, PT_INT, "枠横揃え(下)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(66, PR_BORDERVALIGNL, PT_INT, "枠縦揃え(左)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(67, PR_BORDERVALIGNC, PT_INT, "枠縦揃え(背景)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(68, PR_BORDERVALIGNR, PT_INT, "枠縦揃え(右)", PA_READWRITE, carriedBy(LT_MENU)) \
    X(69, PR_SCROLLSOURCE, PT_STR, "スクロールバー画像", PA_READWRITE, carriedBy(LT_MENU)) \
    X(70, PR_CHECKSOURCE, PT_STR, "チェック画像", PA_READWRITE, carriedBy(LT_MENU)) \
    X(71, PR_AUTOSCRAP, PT_BOOL, "自動破棄", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_CINEMA, LT_IMAGES, LT_LABEL, LT_MENU, LT_TIMER, LT_VIDEO, LT_SOUND, LT_MAPIMG, LT_PREVMENU)) \
    X(72, PR_ONSELECT, PT_STR, "選択", PA_READWRITE, carriedBy(LT_MENU, LT_MAPIMG, LT_PREVMENU)) \
    X(73, PR_RCLICKSCRAP, PT_BOOL, "右クリックで破棄", PA_READWRITE, carriedBy(LT_MENU, LT_MAPIMG, LT_PREVMENU)) \
    X(74, PR_ONOPENING, PT_STR, "オープン前", PA_READWRITE, carriedBy(LT_MENU)) \
    X(75, PR_ONOPENED, PT_STR, "オープン後", PA_READWRITE, carriedBy(LT_MENU)) \
    X(76, PR_ONCLOSING, PT_STR, "クローズ前", PA_READWRITE, carriedBy(LT_MENU)) \
    X(77, PR_ONCLOSED, PT_STR, "クローズ後", PA_READWRITE, carriedBy(LT_MENU)) \
    X(78, PR_CARETX, PT_INT, "キャレットX", PA_READONLY, carriedBy(LT_MES)) \
    X(79, PR_CARETY, PT_INT, "キャレットY", PA_READONLY, carriedBy(LT_MES)) \
    X(80, PR_IGNOREMOUSE, PT_INT, "マウス透過", PA_READWRITE, kCarriedByAllControls) \
    X(81, PR_TEXTPAUSED, PT_BOOL, "テキスト一時停止", PA_READWRITE, carriedBy(LT_MES)) \
    X(82, PR_TEXTDELAY, PT_INT, "テキストウエイト率", PA_READWRITE, carriedBy(LT_MES)) \
    X(83, PR_HOVERSOURCE, PT_STR, "マウスオーバー時の\r\n画像", PA_READWRITE, carriedBy(LT_BUTTON, LT_MAPIMG)) \
    X(84, PR_PRESSEDSOURCE, PT_STR, "押された時の画像", PA_READWRITE, carriedBy(LT_BUTTON)) \
    X(85, PR_GROUPINDEX, PT_INT, "グループ番号", PA_READWRITE, carriedBy(LT_BUTTON)) \
    X(86, PR_ALLOWALLUP, PT_BOOL, "全解除許可", PA_READWRITE, carriedBy(LT_BUTTON)) \
    X(87, PR_SELECTED, PT_BOOL, "選択", PA_READWRITE, carriedBy(LT_BUTTON)) \
    X(88, PR_CAPTUREMASK, PT_BOOL, "マウス位置を\r\nマスクで判断", PA_READWRITE, carriedBy(LT_BUTTON, LT_IMAGES, LT_VIDEO, LT_TILE, LT_SLIDER, LT_SCROLLBAR)) \
    X(89, PR_POWER, PT_INT, "強さ", PA_READWRITE, carriedBy(LT_FIRE)) \
    X(90, PR_ORIGWIDTH, PT_INT, "元の幅", PA_READWRITE, carriedBy(LT_BUTTON, LT_FIRE, LT_IMAGES, LT_VIDEO, LT_TILE, LT_CGLABEL)) \
    X(91, PR_ORIGHEIGHT, PT_INT, "元の高さ", PA_READWRITE, carriedBy(LT_BUTTON, LT_FIRE, LT_IMAGES, LT_MENU, LT_VIDEO, LT_TILE, LT_CGLABEL)) \
    X(92, PR_APPEARX, PT_INT, "X発生座標", PA_WRITEFAILS, 0) \
    X(93, PR_APPEARY, PT_INT, "Y発生座標", PA_WRITEFAILS, 0) \
    X(94, PR_PARTMOTION, PT_INT, "動作タイプ", PA_READWRITE, carriedBy(LT_PARTICLE)) \
    X(95, PR_PARAM1, PT_FLOAT, "パラメータ1", PA_READWRITE, carriedBy(LT_PARTICLE)) \
    X(96, PR_PARAM2, PT_FLOAT, "パラメータ2", PA_READWRITE, carriedBy(LT_PARTICLE)) \
    X(97, PR_TOPINDEX, PT_INT, "最上部インデックス", PA_READWRITE, carriedBy(LT_MENU)) \
    X(98, PR_READONLY, PT_BOOL, "編集禁止", PA_READWRITE, carriedBy(LT_EDIT, LT_MEMO)) \
    X(99, PR_CURSOR, PT_STR, "カーソル", PA_READWRITE, kCarriedByAllControls) \
    X(100, PR_POSZOOMED, PT_BOOL, "ズーム座標", PA_READWRITE, kCarriedByAllControls) \
    X(101, PR_ONPLAYSTART, PT_STR, "再生開始", PA_READWRITE, carriedBy(LT_MES)) \
    X(102, PR_PARAM3, PT_FLOAT, "パラメータ3", PA_READWRITE, carriedBy(LT_PARTICLE)) \
    X(103, PR_ONMOUSEIN, PT_STR, "マウスイン", PA_READWRITE, kCarriedByAllControls) \
    X(104, PR_ONMAPIN, PT_STR, "マップイン", PA_READWRITE, carriedBy(LT_MENU, LT_MAPIMG, LT_PREVMENU)) \
    X(105, PR_ONMAPOUT, PT_STR, "マップアウト", PA_READWRITE, carriedBy(LT_MENU, LT_MAPIMG, LT_PREVMENU)) \
    X(106, PR_MAPSOURCE, PT_STR, "マップ", PA_READWRITE, carriedBy(LT_MAPIMG)) \
    X(107, PR_AMP, PT_INT, "振幅", PA_READWRITE, carriedBy(LT_WAVE)) \
    X(108, PR_WAVELEN, PT_INT, "波長", PA_READWRITE, carriedBy(LT_WAVE)) \
    X(109, PR_SCROLLX, PT_INT, "スクロールX", PA_READWRITE, carriedBy(LT_TILE)) \
    X(110, PR_SCROLLY, PT_INT, "スクロールY", PA_READWRITE, carriedBy(LT_MES, LT_TILE)) \
    X(111, PR_FLIPH, PT_BOOL, "横反転", PA_READWRITE, carriedBy(LT_BUTTON, LT_IMAGES, LT_LABEL, LT_VIDEO, LT_TILE)) \
    X(112, PR_FLIPV, PT_BOOL, "縦反転", PA_READWRITE, carriedBy(LT_BUTTON, LT_IMAGES, LT_LABEL, LT_VIDEO, LT_TILE)) \
    X(113, PR_ONIDLE, PT_STR, "アイドル", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_CINEMA, LT_FIRE, LT_IMAGES, LT_LABEL, LT_MENU, LT_MES, LT_PARTICLE, LT_VIDEO, LT_MAPIMG, LT_WAVE, LT_TILE, LT_SLIDER, LT_SCROLLBAR, LT_GAUGE, LT_CGLABEL, LT_PREVMENU)) \
    X(114, PR_DISTANCEX, PT_INT, "横の間隔", PA_READWRITE, carriedBy(LT_TILE)) \
    X(115, PR_DISTANCEY, PT_INT, "縦の間隔", PA_READWRITE, carriedBy(LT_TILE)) \
    X(116, PR_CLIPLEFT, PT_INT, "クリップX", PA_READWRITE, kCarriedByAllControls) \
    X(117, PR_CLIPTOP, PT_INT, "クリップY", PA_READWRITE, kCarriedByAllControls) \
    X(118, PR_CLIPWIDTH, PT_INT, "クリップ幅", PA_READWRITE, kCarriedByAllControls) \
    X(119, PR_CLIPHEIGHT, PT_INT, "クリップ高さ", PA_READWRITE, kCarriedByAllControls) \
    X(120, PR_DURATION, PT_INT, "持続時間", PA_READWRITE, carriedBy(LT_PARTICLE, LT_GAUGE)) \
    X(121, PR_THUMBSOURCE, PT_STR, "つまみ画像", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR)) \
    X(122, PR_BUTTONSOURCE, PT_STR, "ボタン画像", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR)) \
    X(123, PR_MIN, PT_INT, "最小値", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR, LT_GAUGE)) \
    X(124, PR_MAX, PT_INT, "最大値", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR, LT_GAUGE)) \
    X(125, PR_VALUE, PT_INT, "値", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR, LT_GAUGE)) \
    X(126, PR_ORIENTATION, PT_INT, "方向", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR, LT_GAUGE)) \
    X(127, PR_SMALLCHANGE, PT_INT, "変化量", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR)) \
    X(128, PR_LARGECHANGE, PT_INT, "大きい変化量", PA_READWRITE, carriedBy(LT_SCROLLBAR)) \
    X(129, PR_MAPTEXT, PT_STR, "マップテキスト", PA_READWRITE, carriedBy(LT_CGLABEL)) \
    X(130, PR_GLYPHWIDTH, PT_INT, "１個の幅", PA_READWRITE, carriedBy(LT_CGLABEL)) \
    X(131, PR_GLYPHHEIGHT, PT_INT, "１個の高さ", PA_READWRITE, carriedBy(LT_CGLABEL)) \
    X(132, PR_ZOOMY, PT_INT, "ズームY", PA_READWRITE, carriedBy(LT_BUTTON, LT_FIRE, LT_IMAGES, LT_LABEL, LT_VIDEO, LT_TILE)) \
    X(133, PR_CLICKEDSOURCE, PT_STR, "クリック後の画像", PA_READWRITE, carriedBy(LT_BUTTON)) \
    X(134, PR_ANIPAUSED, PT_BOOL, "動画停止", PA_READWRITE, kCarriedByAllControls | carriedBy(LT_SOUND)) \
    X(135, PR_ONHOLD, PT_STR, "ホールド", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR)) \
    X(136, PR_ONRELEASE, PT_STR, "リリース", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR)) \
    X(137, PR_REVERSE, PT_BOOL, "逆方向", PA_READWRITE, carriedBy(LT_GAUGE)) \
    X(138, PR_PLAYING, PT_BOOL, "再生中", PA_READONLY, kCarriedByAllControls | carriedBy(LT_SOUND, LT_PROPMOTION)) \
    X(139, PR_REWINDONLOAD, PT_BOOL, "ロード時巻き戻し", PA_READWRITE, carriedBy(LT_CINEMA, LT_VIDEO, LT_SOUND)) \
    X(140, PR_COMPOTYPE, PT_INT, "コンポーネントの種類", PA_READONLY, kCarriedByEveryObject) \
    X(141, PR_FONTSHADOWCOLOR, PT_INT, "フォントの影の色", PA_READWRITE, carriedBy(LT_MENU, LT_MES)) \
    X(142, PR_FONTBORDER, PT_INT, "フォントの縁の幅", PA_READWRITE, carriedBy(LT_MENU, LT_MES)) \
    X(143, PR_FONTSHADOW, PT_INT, "フォントの影の位置", PA_READWRITE, carriedBy(LT_MENU, LT_MES)) \
    X(144, PR_ONKEYDOWN, PT_STR, "キーダウン", PA_READWRITE, kCarriedByAllControls) \
    X(145, PR_ONKEYUP, PT_STR, "キーアップ", PA_READWRITE, kCarriedByAllControls) \
    X(146, PR_ONKEYREPEAT, PT_STR, "キーリピート", PA_READWRITE, kCarriedByAllControls) \
    X(147, PR_HANDLEKEY, PT_BOOL, "キー処理", PA_READWRITE, kCarriedByAllControls) \
    X(148, PR_ONFOCUSIN, PT_STR, "フォーカスイン", PA_READWRITE, kCarriedByAllControls) \
    X(149, PR_ONFOCUSOUT, PT_STR, "フォーカスアウト", PA_READWRITE, kCarriedByAllControls) \
    X(150, PR_OVERLAY, PT_BOOL, "オーバーレイ", PA_READWRITE, carriedBy(LT_VIDEO)) \
    X(151, PR_TAG, PT_STR, "タグ", PA_READWRITE, kCarriedByEveryObject) \
    X(152, PR_CAPTURELINK, PT_BOOL, "マウス判定を\r\nリンク文字のみ", PA_READWRITE, carriedBy(LT_MES)) \
    X(153, PR_FONTHOVERBORDER, PT_INT, "マウスオーバー時の\r\nフォントの縁の幅", PA_READWRITE, carriedBy(LT_MENU)) \
    X(154, PR_FONTHOVERBORDERCOLOR, PT_INT, "マウスオーバー時の\r\nフォントの縁の色", PA_READWRITE, carriedBy(LT_MENU)) \
    X(155, PR_FONTHOVERSHADOW, PT_INT, "マウスオーバー時の\r\nフォントの影の位置", PA_READWRITE, carriedBy(LT_MENU)) \
    X(156, PR_FONTHOVERSHADOWCOLOR, PT_INT, "マウスオーバー時の\r\nフォントの影の色", PA_READWRITE, carriedBy(LT_MENU)) \
    X(157, PR_BARSIZE, PT_INT, "バーの長さ", PA_READWRITE, carriedBy(LT_SLIDER, LT_SCROLLBAR, LT_GAUGE)) \
    X(158, PR_MUTEONLOAD, PT_BOOL, "ロード時ミュート", PA_READWRITE, carriedBy(LT_CINEMA, LT_VIDEO, LT_SOUND)) \
    X(159, PR_PLUSX, PT_INT, "X座標加算値", PA_READWRITE, kCarriedByAllControls) \
    X(160, PR_PLUSY, PT_INT, "Y座標加算値", PA_READWRITE, kCarriedByAllControls) \
    X(161, PR_CARETHEIGHT, PT_INT, "キャレットの高さ", PA_READONLY, carriedBy(LT_MES)) \
    X(162, PR_REPEATPOS, PT_INT, "リピート位置", PA_READWRITE, carriedBy(LT_SOUND)) \
    X(163, PR_BLURSPAN, PT_INT, "残像発生時間", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_IMAGES, LT_VIDEO, LT_TILE)) \
    X(164, PR_BLURDELAY, PT_INT, "残像消滅時間", PA_READWRITE, carriedBy(LT_BOX, LT_BUTTON, LT_IMAGES, LT_VIDEO, LT_TILE))
// clang-format on

enum PropertyNumber : int32_t {
#define NUVO_X(number, name, type, caption, access, carriers) name = number,
    NUVO_PROPERTY_LIST(NUVO_X)
#undef NUVO_X
};

constexpr int kPropertyCount = 165; // PR_NAME = 0 ... PR_BLURDELAY = 164

struct PropertyTypeInfo {
    const char* name; // PR_NAME ... PR_BLURDELAY
    uint8_t type;     // PT_INT, PT_FLOAT, PT_BOOL or PT_STR
    int16_t number;
    const char* caption; // UTF-8
    PropertyAccess access;
    uint32_t carriers; // carriedBy(...) bits and the kCarriedBy... bits

    // Whether an object of that type number (a control or not) implements it.
    constexpr bool isCarriedBy(uint8_t componentType, bool isControl) const {
        if (carriers & kCarriedByEveryObject) return true;
        if (isControl && (carriers & kCarriedByAllControls)) return true;
        return componentType < 30 && (carriers & (1u << componentType)) != 0;
    }
    // Properties whose names begin PR_ON hold event handlers.
    bool isEventHandler() const;
};

inline constexpr PropertyTypeInfo kPropertyCatalogue[kPropertyCount] = {
#define NUVO_X(number, name, type, caption, access, carriers) {#name, type, number, caption, access, carriers},
    NUVO_PROPERTY_LIST(NUVO_X)
#undef NUVO_X
};

// The entry of a property number, or none outside 0 .. kPropertyCount - 1.
const PropertyTypeInfo* propertyTypeInfo(int32_t number);

// ---- Value codes shared by several properties -------------------------------------
// property (the first that takes the code), code, name, caption. The IM_ codes
// decide which mouse events reach a control; FS_ are the bits of the font
// style sets; HA_ and VA_ the horizontal and vertical alignments.
// clang-format off
#define NUVO_VALUE_CODE_LIST(X) \
    X(PR_IGNOREMOUSE, 0, IM_NONE, "通常") \
    X(PR_IGNOREMOUSE, 1, IM_ALL, "全て無視") \
    X(PR_IGNOREMOUSE, 2, IM_CLICK, "クリックを無視") \
    X(PR_IGNOREMOUSE, 3, IM_LCLICK, "左クリックを無視") \
    X(PR_IGNOREMOUSE, 4, IM_RCLICK, "右クリックを無視") \
    X(PR_FONTSTYLE, 1, FS_BOLD, "太字") \
    X(PR_FONTSTYLE, 2, FS_ITALIC, "斜体") \
    X(PR_FONTSTYLE, 4, FS_UNDERLINE, "下線") \
    X(PR_FONTSTYLE, 8, FS_STRIKEOUT, "抹消線") \
    X(PR_HALIGN, 0, HA_LEFT, "左寄せ") \
    X(PR_HALIGN, 1, HA_CENTER, "中央寄せ") \
    X(PR_HALIGN, 2, HA_RIGHT, "右寄せ") \
    X(PR_BORDERVALIGNC, 0, VA_TOP, "上寄せ") \
    X(PR_BORDERVALIGNC, 1, VA_CENTER, "中央寄せ") \
    X(PR_BORDERVALIGNC, 2, VA_BOTTOM, "下寄せ")
// clang-format on

enum ValueCode : int32_t {
#define NUVO_X(property, code, name, caption) name = code,
    NUVO_VALUE_CODE_LIST(NUVO_X)
#undef NUVO_X
};

struct ValueCodeInfo {
    int16_t property;
    int32_t code;
    const char* name;
    const char* caption; // UTF-8
};

inline constexpr ValueCodeInfo kValueCodes[] = {
#define NUVO_X(property, code, name, caption) {property, code, #name, caption},
    NUVO_VALUE_CODE_LIST(NUVO_X)
#undef NUVO_X
};

} // namespace nuvo
