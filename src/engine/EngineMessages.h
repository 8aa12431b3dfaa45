// The texts the project and the pages show or raise. Each is kept here as a
// UTF-8 literal and converted to Shift-JIS once, on first use.
#pragma once

#include <string>

namespace nuvo {

enum class EngineText {
    Information,          // "情報": caption, and the project's title before the file is read
    Warning,              // "警告": caption
    NoProject,            // "プロジェクトがありません"
    UnsupportedVersion,   // "このバージョンには対応していません"
    NoStartPage,          // "スタートページがありません"
    Reinstall,            // "インストールし直してください"
    InsertDisc,           // "ディスクを入れてください"
    ChangeMedia,          // "ディスク%dを入れてから[OK]をクリックしてください"
    ExitMessage,          // "終了します"
    Rebuild,              // "リビルドしてください"
    BadCommand,           // "不正なコマンド"
    CannotCreateDataFile, // "データファイルを作成することができません"
    BadProperty,          // "プロパティ指定が不正です"
};

// The Shift-JIS text.
const std::string& engineText(EngineText which);

[[noreturn]] void raiseEngineError(EngineText which);

} // namespace nuvo
