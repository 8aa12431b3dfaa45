// Message boxes and the other native dialogs. Text and captions are Shift-JIS
// as the system holds them; a backend converts them for display. The desktop
// backend shows GTK dialogs; the headless one answers from its input script.
#pragma once

#include <string>

namespace nuvo::platform {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageResult { Ok, Cancel, Yes, No };

class IDialogs {
public:
    virtual ~IDialogs() = default;

    // Shows a modal message box and returns the button chosen. Closing the
    // box without a choice answers Cancel (or No when there is no Cancel).
    virtual MessageResult MessageBox(const std::string& sjisText, const std::string& sjisCaption,
                                     MessageButtons buttons, MessageIcon icon) = 0;
};

} // namespace nuvo::platform
