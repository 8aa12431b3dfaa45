// The settings dialog as a real GTK window, where a display is available
// (skipped otherwise): its captions, the track bar's range and position,
// the enabling rule, the info label, and what OK hands back.
#include "platform/GtkDialogs.h"
#include "shell/Settings.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace nuvo {
namespace {

void collect(GtkWidget* widget, std::vector<GtkWidget*>& out) {
    out.push_back(widget);
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* c = children; c; c = c->next) collect(GTK_WIDGET(c->data), out);
        g_list_free(children);
    }
}

GtkWidget* openWindow(const char* title) {
    GtkWidget* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next) {
        const char* t = gtk_window_get_title(GTK_WINDOW(w->data));
        if (t && std::string(t) == title && gtk_widget_get_visible(GTK_WIDGET(w->data))) found = GTK_WIDGET(w->data);
    }
    g_list_free(windows);
    return found;
}

struct Seen {
    std::string checkLabel, labelText, info, infoAfter, okLabel, cancelLabel;
    double lower = 0, upper = 0, position = 0;
    bool checked = false, enabledWhileChecked = true, enabledWhileUnchecked = false;
    bool driven = false;
};

// Runs once the dialog shows: reads it, changes it, presses OK.
gboolean drive(gpointer data) {
    auto* seen = static_cast<Seen*>(data);
    GtkWidget* window = openWindow("動作設定");
    if (!window) return G_SOURCE_CONTINUE;
    std::vector<GtkWidget*> widgets;
    collect(window, widgets);
    GtkWidget *check = nullptr, *scale = nullptr, *ok = nullptr, *delayLabel = nullptr, *info = nullptr;
    for (GtkWidget* w : widgets) {
        if (GTK_IS_CHECK_BUTTON(w)) check = w;
        else if (GTK_IS_SCALE(w)) scale = w;
        else if (GTK_IS_BUTTON(w)) {
            const std::string label = gtk_button_get_label(GTK_BUTTON(w));
            if (label == "OK") ok = w, seen->okLabel = label;
            else seen->cancelLabel = label;
        } else if (GTK_IS_LABEL(w) && GTK_IS_SCALE(gtk_label_get_mnemonic_widget(GTK_LABEL(w)))) {
            delayLabel = w;
        } else if (GTK_IS_LABEL(w) && std::string(gtk_label_get_text(GTK_LABEL(w))).find("ms") != std::string::npos) {
            info = w;
        }
    }
    if (!check || !scale || !ok || !delayLabel || !info) return G_SOURCE_CONTINUE;
    seen->driven = true;
    seen->checkLabel = gtk_button_get_label(GTK_BUTTON(check));
    seen->labelText = gtk_label_get_label(GTK_LABEL(delayLabel));
    GtkAdjustment* a = gtk_range_get_adjustment(GTK_RANGE(scale));
    seen->lower = gtk_adjustment_get_lower(a);
    seen->upper = gtk_adjustment_get_upper(a);
    seen->position = gtk_range_get_value(GTK_RANGE(scale));
    seen->info = gtk_label_get_text(GTK_LABEL(info));
    seen->checked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check));
    seen->enabledWhileChecked = gtk_widget_get_sensitive(scale) || gtk_widget_get_sensitive(delayLabel) ||
                                gtk_widget_get_sensitive(info);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), FALSE);
    seen->enabledWhileUnchecked = gtk_widget_get_sensitive(scale) && gtk_widget_get_sensitive(delayLabel) &&
                                  gtk_widget_get_sensitive(info);
    gtk_range_set_value(GTK_RANGE(scale), 3);
    seen->infoAfter = gtk_label_get_text(GTK_LABEL(info));
    gtk_button_clicked(GTK_BUTTON(ok));
    return G_SOURCE_REMOVE;
}

TEST(SettingsDialog, ControlsRulesAndOk) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    if (!platform::createGtkDialogs(true)) GTEST_SKIP() << "GTK cannot open the display";
    TConfigDialogModel model(TIniFile::Parse("[Sound]\r\nDirectSound=1\r\nDelayTime=250\r\n[Video]\r\nUseWMP=1\r\n"));
    platform::SettingsDialogContent content;
    content.caption = TConfigDialogModel::kCaption;
    content.checkCaption = TConfigDialogModel::kCheckSoundCaption;
    content.labelCaption = TConfigDialogModel::kLabelBuffCaption;
    content.okCaption = TConfigDialogModel::kOkCaption;
    content.cancelCaption = TConfigDialogModel::kCancelCaption;
    content.minPosition = TConfigDialogModel::kTrackMin;
    content.maxPosition = TConfigDialogModel::kTrackMax;
    content.checked = model.CheckSound();
    content.position = model.TrackPosition();
    content.infoText = [&](int p) {
        model.SetTrackPosition(p);
        return model.BuffInfoText();
    };
    content.delayEnabled = [&](bool checked) {
        model.SetCheckSound(checked);
        return model.DelayControlsEnabled();
    };
    Seen seen;
    const guint driver = g_timeout_add(20, drive, &seen);
    std::string error;
    const bool accepted = platform::runSettingsDialog(content, error);
    if (!seen.driven) g_source_remove(driver);
    ASSERT_TRUE(seen.driven) << error;
    EXPECT_TRUE(accepted);
    EXPECT_EQ(seen.checkLabel, "DirectSoundを使用する(_S)");
    EXPECT_EQ(seen.labelText, "サウンドの遅延時間(_D)：");
    EXPECT_EQ(seen.cancelLabel, "キャンセル");
    EXPECT_EQ(seen.lower, 1);
    EXPECT_EQ(seen.upper, 5);
    EXPECT_EQ(seen.position, 2) << "250 ms shows as position 2";
    EXPECT_EQ(seen.info, "200ms");
    EXPECT_TRUE(seen.checked);
    EXPECT_FALSE(seen.enabledWhileChecked) << "the delay controls are off while DirectSound is used";
    EXPECT_TRUE(seen.enabledWhileUnchecked);
    EXPECT_EQ(seen.infoAfter, "300ms");
    EXPECT_FALSE(content.checked);
    EXPECT_EQ(content.position, 3);
    model.SetCheckSound(content.checked);
    model.SetTrackPosition(content.position);
    const std::string text = model.ApplyOk().Text();
    EXPECT_NE(text.find("DirectSound=0"), std::string::npos) << text;
    EXPECT_NE(text.find("DelayTime=300"), std::string::npos) << text;
    EXPECT_NE(text.find("UseWMP=1"), std::string::npos) << text;
}

} // namespace
} // namespace nuvo
