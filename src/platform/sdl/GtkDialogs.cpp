// Message boxes and the settings dialog with GTK 3, shown without GTK's
// modal loops: our own loop iterates GTK's events and lets the caller run
// its frames while the dialog is open.
#include "platform/GtkDialogs.h"

#include "base/Cp932.h"

#include <gtk/gtk.h>

#include <string_view>

namespace nuvo::platform {

namespace {

// GTK starts once per process. Its locale setup is left out: the program
// formats numbers itself and must not see a decimal comma.
bool gtkReady() {
    static int state = 0;
    if (state == 0) {
        gtk_disable_setlocale();
        state = gtk_init_check(nullptr, nullptr) ? 1 : 2;
    }
    return state == 1;
}

// Windows' "&" access keys in GTK's "_" form ("&&" is a plain "&").
std::string mnemonic(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else if (text[i] == '_') {
            out += "__";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string displayText(std::string_view sjis) {
    std::string text = sjisToUtf8(sjis);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

struct DialogState {
    bool done = false;
    int response = GTK_RESPONSE_NONE;
};

void onResponse(GtkDialog*, gint response, gpointer data) {
    auto* state = static_cast<DialogState*>(data);
    state->done = true;
    state->response = response;
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* state = static_cast<DialogState*>(data);
    state->done = true;
    state->response = GTK_RESPONSE_DELETE_EVENT;
    return TRUE; // we destroy it ourselves
}

gboolean keepWaking(gpointer) { return G_SOURCE_CONTINUE; }

// Iterates GTK until the dialog is answered; between iterations the
// caller's work runs. A timer bounds every wait, so the caller's work runs
// at least every 50 ms even without the pacing thread's wake-ups.
void runUntilDone(DialogState& state, const std::function<void()>& whileOpen) {
    const guint timer = g_timeout_add(50, keepWaking, nullptr);
    while (!state.done) {
        while (!state.done && g_main_context_iteration(nullptr, FALSE)) {
        }
        if (state.done) break;
        if (whileOpen) whileOpen();
        if (state.done) break;
        g_main_context_iteration(nullptr, TRUE);
    }
    g_source_remove(timer);
}

// Lets a destroyed window disappear before the caller goes on.
void flushGtk() {
    for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
}

GtkMessageType messageType(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return GTK_MESSAGE_INFO;
    case MessageIcon::Warning: return GTK_MESSAGE_WARNING;
    case MessageIcon::Error: return GTK_MESSAGE_ERROR;
    case MessageIcon::Question: return GTK_MESSAGE_QUESTION;
    case MessageIcon::None: break;
    }
    return GTK_MESSAGE_OTHER;
}

class GtkDialogsImpl final : public GtkDialogs {
public:
    explicit GtkDialogsImpl(bool japanese) : japanese_(japanese) {}

    void SetWhileOpen(std::function<void()> whileOpen) override { whileOpen_ = std::move(whileOpen); }

    MessageResult MessageBox(const std::string& sjisText, const std::string& sjisCaption, MessageButtons buttons,
                             MessageIcon icon) override {
        const std::string text = displayText(sjisText);
        GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, messageType(icon), GTK_BUTTONS_NONE,
                                                   "%s", text.c_str());
        gtk_window_set_title(GTK_WINDOW(dialog), displayText(sjisCaption).c_str());
        gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
        gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
        const auto add = [&](const char* ja, const char* en, int response) {
            gtk_dialog_add_button(GTK_DIALOG(dialog), japanese_ ? ja : en, response);
        };
        switch (buttons) {
        case MessageButtons::Ok: add("OK", "_OK", GTK_RESPONSE_OK); break;
        case MessageButtons::OkCancel:
            add("OK", "_OK", GTK_RESPONSE_OK);
            add("キャンセル", "_Cancel", GTK_RESPONSE_CANCEL);
            break;
        case MessageButtons::YesNo:
            add("はい(_Y)", "_Yes", GTK_RESPONSE_YES);
            add("いいえ(_N)", "_No", GTK_RESPONSE_NO);
            break;
        case MessageButtons::YesNoCancel:
            add("はい(_Y)", "_Yes", GTK_RESPONSE_YES);
            add("いいえ(_N)", "_No", GTK_RESPONSE_NO);
            add("キャンセル", "_Cancel", GTK_RESPONSE_CANCEL);
            break;
        }
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), buttons == MessageButtons::YesNo ||
                                                                    buttons == MessageButtons::YesNoCancel
                                                                ? GTK_RESPONSE_YES
                                                                : GTK_RESPONSE_OK);
        DialogState state;
        g_signal_connect(dialog, "response", G_CALLBACK(onResponse), &state);
        g_signal_connect(dialog, "delete-event", G_CALLBACK(onDelete), &state);
        gtk_widget_show_all(dialog);
        gtk_window_present(GTK_WINDOW(dialog));
        runUntilDone(state, whileOpen_);
        gtk_widget_destroy(dialog);
        flushGtk();
        switch (state.response) {
        case GTK_RESPONSE_OK: return MessageResult::Ok;
        case GTK_RESPONSE_YES: return MessageResult::Yes;
        case GTK_RESPONSE_NO: return MessageResult::No;
        default:
            // Closed without a choice (Escape included).
            return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Cancel;
        }
    }

private:
    bool japanese_;
    std::function<void()> whileOpen_;
};

// ---- The settings dialog --------------------------------------------------------------------

struct SettingsWidgets {
    SettingsDialogContent* content = nullptr;
    GtkWidget* check = nullptr;
    GtkWidget* label = nullptr;
    GtkWidget* info = nullptr;
    GtkWidget* track = nullptr;
    DialogState state;
};

int trackPosition(const SettingsWidgets& w) {
    return static_cast<int>(gtk_range_get_value(GTK_RANGE(w.track)) + 0.5);
}

void applyEnabling(SettingsWidgets& w) {
    const bool checked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.check));
    const bool enabled = w.content->delayEnabled ? w.content->delayEnabled(checked) : !checked;
    gtk_widget_set_sensitive(w.label, enabled);
    gtk_widget_set_sensitive(w.track, enabled);
    gtk_widget_set_sensitive(w.info, enabled);
}

void showInfo(SettingsWidgets& w) {
    const std::string text = w.content->infoText ? w.content->infoText(trackPosition(w)) : std::string();
    gtk_label_set_text(GTK_LABEL(w.info), text.c_str());
}

void onToggled(GtkToggleButton*, gpointer data) { applyEnabling(*static_cast<SettingsWidgets*>(data)); }
void onTrackChanged(GtkRange*, gpointer data) { showInfo(*static_cast<SettingsWidgets*>(data)); }
void onOk(GtkButton*, gpointer data) {
    auto* w = static_cast<SettingsWidgets*>(data);
    w->state.done = true;
    w->state.response = GTK_RESPONSE_OK;
}
void onCancel(GtkButton*, gpointer data) {
    auto* w = static_cast<SettingsWidgets*>(data);
    w->state.done = true;
    w->state.response = GTK_RESPONSE_CANCEL;
}
gboolean onSettingsKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    if (event->keyval != GDK_KEY_Escape) return FALSE;
    onCancel(nullptr, data);
    return TRUE;
}

GtkWidget* place(GtkWidget* fixed, GtkWidget* widget, int x, int y, int width = -1, int height = -1) {
    gtk_widget_set_size_request(widget, width, height);
    gtk_fixed_put(GTK_FIXED(fixed), widget, x, y);
    return widget;
}

} // namespace

std::unique_ptr<GtkDialogs> createGtkDialogs(bool japanese) {
    if (!gtkReady()) return nullptr;
    return std::make_unique<GtkDialogsImpl>(japanese);
}

void wakeGtkDialogs() { g_main_context_wakeup(nullptr); }

bool runSettingsDialog(SettingsDialogContent& content, std::string& error) {
    if (!gtkReady()) {
        error = "GTK could not open the display";
        return false;
    }
    SettingsWidgets w;
    w.content = &content;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), content.caption.c_str());
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);

    // The dialog's fixed layout: a client area of 270 x 179 with a
    // framed group above the two buttons. Widgets larger than their place
    // in this theme grow the window.
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, 270, 179);
    gtk_container_add(GTK_CONTAINER(window), fixed);
    place(fixed, gtk_frame_new(nullptr), 8, 8, 253, 113);

    w.check = place(fixed, gtk_check_button_new_with_mnemonic(mnemonic(content.checkCaption).c_str()), 28, 24);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.check), content.checked);
    w.label = place(fixed, gtk_label_new_with_mnemonic(mnemonic(content.labelCaption).c_str()), 28, 56);
    w.info = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(w.info), 1.0f);
    place(fixed, w.info, 161, 56, 80, -1); // right edge at x 241

    w.track = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, content.minPosition, content.maxPosition, 1);
    gtk_scale_set_draw_value(GTK_SCALE(w.track), FALSE);
    gtk_range_set_increments(GTK_RANGE(w.track), 1, 1);
    gtk_range_set_round_digits(GTK_RANGE(w.track), 0);
    for (int p = content.minPosition; p <= content.maxPosition; ++p)
        gtk_scale_add_mark(GTK_SCALE(w.track), p, GTK_POS_BOTTOM, nullptr);
    gtk_range_set_value(GTK_RANGE(w.track), content.position);
    place(fixed, w.track, 28, 72, 221, 25);
    gtk_label_set_mnemonic_widget(GTK_LABEL(w.label), w.track);

    GtkWidget* ok = place(fixed, gtk_button_new_with_mnemonic(mnemonic(content.okCaption).c_str()), 100, 140, 75, 25);
    GtkWidget* cancel =
        place(fixed, gtk_button_new_with_mnemonic(mnemonic(content.cancelCaption).c_str()), 180, 140, 75, 25);
    gtk_widget_set_can_default(ok, TRUE);

    g_signal_connect(w.check, "toggled", G_CALLBACK(onToggled), &w);
    g_signal_connect(w.track, "value-changed", G_CALLBACK(onTrackChanged), &w);
    g_signal_connect(ok, "clicked", G_CALLBACK(onOk), &w);
    g_signal_connect(cancel, "clicked", G_CALLBACK(onCancel), &w);
    g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), &w.state);
    g_signal_connect(window, "key-press-event", G_CALLBACK(onSettingsKey), &w);

    applyEnabling(w);
    showInfo(w);
    gtk_widget_show_all(window);
    gtk_widget_grab_default(ok);
    gtk_window_present(GTK_WINDOW(window));
    runUntilDone(w.state, {});
    const bool accepted = w.state.response == GTK_RESPONSE_OK;
    if (accepted) {
        content.checked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.check));
        content.position = trackPosition(w);
    }
    gtk_widget_destroy(window);
    flushGtk();
    return accepted;
}

} // namespace nuvo::platform
