// The desktop's native dialogs, made with GTK 3 beside the SDL window: the
// message boxes of the player and the settings dialog of "/config".
//
// GTK never owns the main loop here. A dialog is shown without a modal loop
// of GTK's own: while it is open, the caller's loop runs, iterating GTK's
// events and calling the frame loop's modal service (SetWhileOpen) between
// them, so the player's frames keep composing behind an open dialog. The
// pacing thread ends each wait early through Wake.
#pragma once

#include "platform/Dialogs.h"

#include <functional>
#include <memory>
#include <string>

namespace nuvo::platform {

class GtkDialogs : public IDialogs {
public:
    // Called repeatedly while a dialog is open (main thread).
    virtual void SetWhileOpen(std::function<void()> whileOpen) = 0;
};

// Starts GTK on first use (without taking the main loop). None when GTK
// cannot open the display. japanese: button captions in Japanese.
std::unique_ptr<GtkDialogs> createGtkDialogs(bool japanese);

// Ends the current wait of an open dialog's loop; safe from any thread.
void wakeGtkDialogs();

// The settings dialog's content: captions in UTF-8 with "&" marking the
// access key, the controls' values, and the rules the dialog follows.
struct SettingsDialogContent {
    std::string caption;
    std::string checkCaption;
    std::string labelCaption;
    std::string okCaption;
    std::string cancelCaption;
    bool checked = true;
    int position = 5;
    int minPosition = 1;
    int maxPosition = 5;
    // The info label's text for a track bar position.
    std::function<std::string(int position)> infoText;
    // Whether the delay controls are enabled for a check box state.
    std::function<bool(bool checked)> delayEnabled;
};

// Shows the settings dialog until it is closed. True when closed with OK;
// content then holds the chosen values. False also when GTK cannot start
// (error says why then).
bool runSettingsDialog(SettingsDialogContent& content, std::string& error);

} // namespace nuvo::platform
