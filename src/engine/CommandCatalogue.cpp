// The command catalogue: code, the two name tables of the codes, the class
// created for each code.
#include "base/Error.h"
#include "engine/Commands.h"
#include "engine/EngineMessages.h"

#include <array>

namespace nuvo {
namespace {

template <class T> std::unique_ptr<TCommand> make(TComList& owner) { return std::make_unique<T>(owner); }

template <class T> constexpr CommandKindInfo kind(const char* name, const char* caption, const char* className) {
    return {T::kCode, name, caption, className, std::is_base_of_v<TComComponent, T>, &make<T>};
}

constexpr std::array<CommandKindInfo, kCommandKindCount> kKinds = {{
    kind<TComIf>("If", "IF", "TComIf"),
    kind<TComElseif>("Elseif", "ELSE IF", "TComElseif"),
    kind<TComElse>("Else", "ELSE", "TComElse"),
    kind<TComLabel>("Label", "ラベル", "TComLabel"),
    kind<TComJump>("Jump", "ジャンプ", "TComJump"),
    kind<TComCall>("Call", "コール", "TComCall"),
    kind<TComExit>("Exit", "リターン", "TComExit"),
    kind<TComWait>("Wait", "ウエイト", "TComWait"),
    kind<TComBoxNew>("BoxNew", "矩形サーフェス作成", "TComBoxNew"),
    kind<TComImgNew>("ImgNew", "画像サーフェス作成", "TComImgNew"),
    kind<TComMesNew>("MesNew", "メッセージボックス作成", "TComMesNew"),
    kind<TComTimer>("Timer", "タイマー", "TComTimer"),
    kind<TComMovie>("Movie", "ムービー再生", "TComMovie"),
    kind<TComFlip>("Flip", "フリップ", "TComFlip"),
    kind<TComCalc>("Calc", "計算", "TComCalc"),
    kind<TComVarNew>("VarNew", "変数作成", "TComVarNew"),
    kind<TComVarDel>("VarDel", "変数削除", "TComVarDel"),
    kind<TComGetProp>("GetProp", "プロパティ取得", "TComGetProp"),
    kind<TComSetProp>("SetProp", "プロパティ設定", "TComSetProp"),
    kind<TComObjDel>("ObjDel", "コンポーネント削除", "TComObjDel"),
    kind<TComTextIns>("TextIns", "テキスト挿入", "TComTextIns"),
    kind<TComMovieStop>("MovieStop", "メディア停止", "TComMovieStop"),
    kind<TComClrHist>("ClrHist", "履歴クリア", "TComClrHist"),
    kind<TComCinema>("Cinema", "シネマサーフェス作成", "TComCinema"),
    kind<TComCaption>("Caption", "キャプション作成", "TComCaption"),
    kind<TComMenu>("Menu", "メニュー作成", "TComMenu"),
    kind<TComMenuClose>("MenuClose", "メニュークローズ", "TComMenuClose"),
    kind<TComComment>("Comment", "コメント", "TComComment"),
    kind<TComTextClr>("TextClr", "テキストクリア", "TComTextClr"),
    kind<TComCallHist>("CallHist", "履歴呼出", "TComCallHist"),
    kind<TComBtnNew>("Button", "ボタン作成", "TComBtnNew"),
    kind<TComWhile>("While", "ループ", "TComWhile"),
    kind<TComWhileInit>("WhileInit", "ループ初期化", "TComWhileInit"),
    kind<TComWhileLoop>("WhileLoop", "ループ再初期化", "TComWhileLoop"),
    kind<TComBreak>("Break", "ループ脱出", "TComBreak"),
    kind<TComContinue>("Continue", "ループ先頭へ", "TComContinue"),
    kind<TComParticleNew>("ParticleNew", "パーティクルサーフェス作成", "TComParticleNew"),
    kind<TComFireNew>("FireNew", "炎サーフェス作成", "TComFireNew"),
    kind<TComGameSave>("GameSave", "ゲームセーブ", "TComGameSave"),
    kind<TComGameLoad>("GameLoad", "ゲームロード", "TComGameLoad"),
    kind<TComPCReset>("PCReset", "PCリセット", "TComPCReset"),
    kind<TComReset>("Reset", "リセット", "TComReset"),
    kind<TComSound>("Sound", "サウンド再生", "TComSound"),
    kind<TComEditNew>("EditNew", "エディット作成", "TComEditNew"),
    kind<TComMemoNew>("MemoNew", "メモ作成", "TComMemoNew"),
    kind<TComTerminate>("Terminate", "終了", "TComTerminate"),
    kind<TComDoEvent>("DoEvent", "DoEvent", "TComDoEvent"),
    kind<TComClrRead>("ClrRead", "既読クリア", "TComClrRead"),
    kind<TComMapImgNew>("MapImgNew", "選択画像作成", "TComMapImgNew"),
    kind<TComWaveNew>("WaveNew", "ウエーブサーフェス作成", "TComWaveNew"),
    kind<TComTileNew>("TileNew", "タイルサーフェス作成", "TComTileNew"),
    kind<TComSliderNew>("SliderNew", "スライダー作成", "TComSliderNew"),
    kind<TComScrollbarNew>("ScrollbarNew", "スクロールバー作成", "TComScrollbarNew"),
    kind<TComGaugeNew>("GaugeNew", "ゲージ作成", "TComGaugeNew"),
    kind<TComCGCaption>("CGCaption", "画像キャプション作成", "TComCGCaption"),
    kind<TComMediaPlay>("MediaPlay", "メディア再生", "TComMediaPlay"),
    kind<TComPrevMenuNew>("PrevMenuNew", "プレビューメニュー作成", "TComPrevMenuNew"),
    kind<TComPropMotion>("PropMotion", "プロパティモーション", "TComPropMotion"),
    kind<TComEntryHist>("FormatHist", "履歴書式登録", "TComEntryHist"),
    kind<TComCabinetSave>("SaveCabinet", "キャビネット保存", "TComCabinetSave"),
    kind<TComCabinetLoad>("LoadCabinet", "キャビネット復帰", "TComCabinetLoad"),
}};

// The table is indexed by code: every entry must sit at its own code.
constexpr bool tableInCodeOrder() {
    for (size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i].code != i) return false;
    return true;
}
static_assert(tableInCodeOrder());

} // namespace

const CommandKindInfo* commandKind(int code) {
    return code >= 0 && code < kCommandKindCount ? &kKinds[static_cast<size_t>(code)] : nullptr;
}

const CommandKindInfo* commandKindByName(std::string_view name) {
    for (const CommandKindInfo& k : kKinds)
        if (name == k.name) return &k;
    return nullptr;
}

const std::string& commandCaption(int code) {
    static const std::array<std::string, kCommandKindCount> captions = [] {
        std::array<std::string, kCommandKindCount> out;
        for (size_t i = 0; i < kKinds.size(); ++i)
            out[i] = sjisText(kKinds[i].caption);
        return out;
    }();
    return captions.at(static_cast<size_t>(code));
}

std::unique_ptr<TCommand> createCommand(uint8_t code, TComList& owner) {
    const CommandKindInfo* k = commandKind(code & 0x7F);
    if (!k) raiseEngineError(EngineText::BadCommand);
    return k->create(owner);
}

} // namespace nuvo
