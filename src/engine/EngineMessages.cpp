#include "engine/EngineMessages.h"

#include "base/Error.h"

#include <array>

namespace nuvo {
namespace {

constexpr std::array<const char*, 13> kTexts = {
    "情報",
    "警告",
    "プロジェクトがありません",
    "このバージョンには対応していません",
    "スタートページがありません",
    "インストールし直してください",
    "ディスクを入れてください",
    "ディスク%dを入れてから[OK]をクリックしてください",
    "終了します",
    "リビルドしてください",
    "不正なコマンド",
    "データファイルを作成することができません",
    "プロパティ指定が不正です",
};

} // namespace

const std::string& engineText(EngineText which) {
    static const std::array<std::string, kTexts.size()> converted = [] {
        std::array<std::string, kTexts.size()> out;
        for (size_t i = 0; i < kTexts.size(); ++i)
            out[i] = sjisText(kTexts[i]);
        return out;
    }();
    return converted[static_cast<size_t>(which)];
}

void raiseEngineError(EngineText which) { raiseError(engineText(which)); }

} // namespace nuvo
