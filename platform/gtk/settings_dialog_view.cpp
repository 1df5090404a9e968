// The settings dialog with GTK 3: a modal dialog with the exit rules and
// the credentials on the left, updates, muting, the proxy and the next
// update time on the right, and OK (the default) and Cancel below.

#include "platform/settings_dialog_view.h"

#include <gtk/gtk.h>

#include <cctype>
#include <cstring>

namespace korv::platform {

namespace {

struct Widgets {
    GtkWidget* dialog = nullptr;
    GtkWidget* standardExit = nullptr;
    GtkWidget* customExit = nullptr;
    GtkWidget* exitBoxes[5] = {};
    GtkWidget* mute = nullptr;
    GtkWidget* noUpdateChecks = nullptr;
    GtkWidget* proxy[3] = {};
    GtkWidget* proxyAddress = nullptr;
    GtkWidget* proxyPort = nullptr;
    GtkWidget* useAuthentication = nullptr;
    GtkWidget* username = nullptr;
    GtkWidget* password = nullptr;
    GtkWidget* nextUpdateCaption = nullptr;
    GtkWidget* nextUpdate = nullptr;
    const SettingsDialogHandlers* handlers = nullptr;
    bool showing = false;  // set while controls are filled, when clicks are ours
};

// The five exit boxes' values, in the boxes' order.
constexpr bool SettingsDialogControls::* kExitValues[5] = {
    &SettingsDialogControls::exitOnMouseMove, &SettingsDialogControls::exitOnClick,
    &SettingsDialogControls::exitOnDoubleClick, &SettingsDialogControls::exitOnKeyPressed,
    &SettingsDialogControls::exitOnEscape};

bool Active(GtkWidget* w) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w)); }
void SetActive(GtkWidget* w, bool on) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), on); }

void Show(Widgets& w, const SettingsDialogControls& c) {
    w.showing = true;
    SetActive(c.exitRules == SettingsExitRules::Custom ? w.customExit : w.standardExit, true);
    for (int box = 0; box < 5; ++box) {
        SetActive(w.exitBoxes[box], c.*kExitValues[box]);
        gtk_widget_set_sensitive(w.exitBoxes[box], c.customBoxesEnabled);
    }
    SetActive(w.mute, c.mute);
    SetActive(w.noUpdateChecks, c.noUpdateChecks);
    SetActive(w.proxy[static_cast<int>(c.proxy)], true);
    gtk_entry_set_text(GTK_ENTRY(w.proxyAddress), c.proxyAddress.c_str());
    gtk_entry_set_text(GTK_ENTRY(w.proxyPort), c.proxyPort.c_str());
    gtk_widget_set_sensitive(w.proxyAddress, c.proxyEditsEnabled);
    gtk_widget_set_sensitive(w.proxyPort, c.proxyEditsEnabled);
    SetActive(w.useAuthentication, c.useAuthentication);
    gtk_entry_set_text(GTK_ENTRY(w.username), c.username.c_str());
    gtk_entry_set_text(GTK_ENTRY(w.password), c.password.c_str());
    gtk_widget_set_sensitive(w.username, c.credentialEditsEnabled);
    gtk_widget_set_sensitive(w.password, c.credentialEditsEnabled);
    gtk_label_set_text(GTK_LABEL(w.nextUpdate), c.nextUpdate ? c.nextUpdate->c_str() : "");
    gtk_widget_set_visible(w.nextUpdate, c.nextUpdate.has_value());
    w.showing = false;
}

SettingsDialogControls Read(const Widgets& w, const std::optional<std::string>& nextUpdate) {
    SettingsDialogControls c;
    c.exitRules = Active(w.customExit) ? SettingsExitRules::Custom : SettingsExitRules::Standard;
    for (int box = 0; box < 5; ++box) c.*kExitValues[box] = Active(w.exitBoxes[box]);
    c.mute = Active(w.mute);
    c.noUpdateChecks = Active(w.noUpdateChecks);
    for (int choice = 0; choice < 3; ++choice)
        if (Active(w.proxy[choice])) c.proxy = static_cast<SettingsProxyChoice>(choice);
    c.proxyAddress = gtk_entry_get_text(GTK_ENTRY(w.proxyAddress));
    c.proxyPort = gtk_entry_get_text(GTK_ENTRY(w.proxyPort));
    c.useAuthentication = Active(w.useAuthentication);
    c.username = gtk_entry_get_text(GTK_ENTRY(w.username));
    c.password = gtk_entry_get_text(GTK_ENTRY(w.password));
    c.nextUpdate = nextUpdate;
    c.customBoxesEnabled = gtk_widget_get_sensitive(w.exitBoxes[0]);
    c.proxyEditsEnabled = gtk_widget_get_sensitive(w.proxyAddress);
    c.credentialEditsEnabled = gtk_widget_get_sensitive(w.username);
    return c;
}

std::optional<std::string> ShownNextUpdate(const Widgets& w) {
    if (!gtk_widget_get_visible(w.nextUpdate)) return std::nullopt;
    return std::string(gtk_label_get_text(GTK_LABEL(w.nextUpdate)));
}

// A radio button's "toggled" comes for the one left as well; only the chosen
// one, and only a user's click, goes to the handler.
void Handle(GtkWidget* button, Widgets& w, const std::function<void(SettingsDialogControls&)>& handler,
            bool onlyWhenActive) {
    if (w.showing || !handler || (onlyWhenActive && !Active(button))) return;
    SettingsDialogControls c = Read(w, ShownNextUpdate(w));
    handler(c);
    Show(w, c);
}

void OnExitRules(GtkWidget* button, gpointer data) {
    auto& w = *static_cast<Widgets*>(data);
    Handle(button, w, w.handlers->exitRulesChosen, true);
}
void OnProxy(GtkWidget* button, gpointer data) {
    auto& w = *static_cast<Widgets*>(data);
    Handle(button, w, w.handlers->proxyChosen, true);
}
void OnAuthentication(GtkWidget* button, gpointer data) {
    auto& w = *static_cast<Widgets*>(data);
    Handle(button, w, w.handlers->authenticationToggled, false);
}

// The port edit takes digits only.
void OnPortInsert(GtkEditable* editable, const gchar* text, gint length, gint*, gpointer) {
    size_t size = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    for (size_t i = 0; i < size; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            g_signal_stop_emission_by_name(editable, "insert-text");
            return;
        }
    }
}

GtkWidget* Check(const char* text) { return gtk_check_button_new_with_mnemonic(text); }

GtkWidget* Label(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_widget_set_halign(label, GTK_ALIGN_START);
    return label;
}

GtkWidget* Frame(const char* caption, GtkWidget* content) {
    GtkWidget* frame = gtk_frame_new(caption);
    gtk_container_set_border_width(GTK_CONTAINER(content), 6);
    gtk_container_add(GTK_CONTAINER(frame), content);
    return frame;
}

// Two labelled edits under each other.
GtkWidget* LabelledEdits(const char* first, GtkWidget* firstEdit, const char* second, GtkWidget* secondEdit) {
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
    gtk_grid_attach(GTK_GRID(grid), Label(first), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), firstEdit, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), Label(second), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), secondEdit, 1, 1, 1, 1);
    return grid;
}

GtkWidget* Edit(int characters) {
    GtkWidget* edit = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(edit), characters);
    gtk_entry_set_activates_default(GTK_ENTRY(edit), TRUE);
    return edit;
}

void Build(Widgets& w, const std::string& caption) {
    w.dialog = gtk_dialog_new_with_buttons(caption.c_str(), nullptr, GTK_DIALOG_MODAL, "_Cancel",
                                           GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(w.dialog), GTK_RESPONSE_OK);
    gtk_window_set_resizable(GTK_WINDOW(w.dialog), FALSE);

    GtkWidget* left = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    w.standardExit = gtk_radio_button_new_with_mnemonic(nullptr, "_Standard exit settings");
    w.customExit = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(w.standardExit),
                                                                  "_Custom exit settings");
    const char* exitTexts[5] = {"On Mouse _Move", "On Mouse _Click", "On _Double Click", "On _Key Pressed",
                                "On Esca_pe"};
    GtkWidget* exitColumn = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
    for (int box = 0; box < 5; ++box) {
        w.exitBoxes[box] = Check(exitTexts[box]);
        gtk_box_pack_start(GTK_BOX(exitColumn), w.exitBoxes[box], FALSE, FALSE, 0);
    }
    w.useAuthentication = Check("Use HTTP authentication");
    w.username = Edit(12);
    w.password = Edit(12);
    gtk_entry_set_visibility(GTK_ENTRY(w.password), FALSE);
    gtk_box_pack_start(GTK_BOX(left), w.standardExit, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(left), w.customExit, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(left), Frame("Exit", exitColumn), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(left), w.useAuthentication, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(left), LabelledEdits("Username:", w.username, "Password:", w.password), FALSE,
                       FALSE, 0);

    GtkWidget* right = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    w.noUpdateChecks = Check("Do not check for updates");
    w.mute = Check("_Mute screen saver");
    w.proxy[0] = gtk_radio_button_new_with_label(nullptr, "Do not use proxy");
    w.proxy[1] = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w.proxy[0]), "Autoconfigure");
    w.proxy[2] =
        gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w.proxy[0]), "Manual configuration");
    w.proxyAddress = Edit(16);
    w.proxyPort = Edit(6);
    gtk_widget_set_halign(w.proxyPort, GTK_ALIGN_START);
    g_signal_connect(w.proxyPort, "insert-text", G_CALLBACK(OnPortInsert), nullptr);
    GtkWidget* proxyColumn = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
    for (GtkWidget* choice : w.proxy) gtk_box_pack_start(GTK_BOX(proxyColumn), choice, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(proxyColumn), LabelledEdits("Address:", w.proxyAddress, "Port:", w.proxyPort),
                       FALSE, FALSE, 4);
    w.nextUpdateCaption = Label("Next update at:");
    w.nextUpdate = Label("");
    gtk_box_pack_start(GTK_BOX(right), w.noUpdateChecks, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(right), w.mute, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(right), Frame("Proxy settings:", proxyColumn), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(right), w.nextUpdateCaption, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(right), w.nextUpdate, FALSE, FALSE, 0);

    GtkWidget* columns = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(columns), 8);
    gtk_box_pack_start(GTK_BOX(columns), left, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(columns), right, FALSE, FALSE, 0);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(w.dialog));
    gtk_box_pack_start(GTK_BOX(content), columns, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);

    g_signal_connect(w.standardExit, "toggled", G_CALLBACK(OnExitRules), &w);
    g_signal_connect(w.customExit, "toggled", G_CALLBACK(OnExitRules), &w);
    for (GtkWidget* choice : w.proxy) g_signal_connect(choice, "toggled", G_CALLBACK(OnProxy), &w);
    g_signal_connect(w.useAuthentication, "toggled", G_CALLBACK(OnAuthentication), &w);
}

void ShowMessage(GtkWidget* parent, const std::string& text) {
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(parent), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                            GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

}  // namespace

bool RunSettingsDialog(const std::string& caption, const SettingsDialogControls& controls,
                       const SettingsDialogHandlers& handlers) {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    Widgets w;
    w.handlers = &handlers;
    Build(w, caption);
    gtk_widget_show_all(w.dialog);
    Show(w, controls);

    bool saved = false;
    for (;;) {
        if (gtk_dialog_run(GTK_DIALOG(w.dialog)) != GTK_RESPONSE_OK) break;
        std::string message = handlers.ok ? handlers.ok(Read(w, ShownNextUpdate(w))) : std::string();
        if (message.empty()) {
            saved = true;
            break;
        }
        ShowMessage(w.dialog, message);
    }
    gtk_widget_destroy(w.dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    return saved;
}

}  // namespace korv::platform
