#include "engine/ProgramContext.h"

#include <cstdio>

namespace nuvo {

platform::MessageResult TProgramContext::ShowMessage(const std::string& sjisText, const std::string& sjisCaption,
                                                     platform::MessageButtons buttons, platform::MessageIcon icon) {
    ++Reported;
    if (!Dialogs) return platform::MessageResult::Ok;
    return Dialogs->MessageBox(sjisText, sjisCaption, buttons, icon);
}

void TProgramContext::ReportLine(const std::string& utf8Line) {
    ++Reported;
    if (Report) {
        Report(utf8Line);
        return;
    }
    std::fprintf(stderr, "nuvoplayer: %s\n", utf8Line.c_str());
}

void TProgramContext::ReportOnce(const std::string& utf8Line) {
    if (ReportedOnce.insert(utf8Line).second) ReportLine(utf8Line);
}

void TProgramContext::Quit() {
    QuitRequested = true;
    if (RequestClose) RequestClose();
}

} // namespace nuvo
