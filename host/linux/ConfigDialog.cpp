// zirbel-config: the configuration dialog of the Linux build, and the error
// message box the saver shows through it.
//   zirbel-config [--owner WINDOW]   the dialog; OK stores the settings it shows
//   zirbel-config --error TEXT       a modal message titled "Error"
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/linux/Autostart.h"
#include "host/linux/Programs.h"
#include "host/linux/SettingsStore.h"

namespace {

struct Dialog {
  GtkWidget* window = nullptr;
  GtkWidget* cancel = nullptr;
};

// Enter means OK wherever the focus is, except on Cancel itself.
gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  const Dialog* dialog = static_cast<const Dialog*>(data);
  const guint key = event->keyval;
  if (key != GDK_KEY_Return && key != GDK_KEY_KP_Enter && key != GDK_KEY_ISO_Enter) return FALSE;
  if (gtk_window_get_focus(GTK_WINDOW(dialog->window)) == dialog->cancel) return FALSE;
  gtk_dialog_response(GTK_DIALOG(dialog->window), GTK_RESPONSE_OK);
  return TRUE;
}

void SetOwner(GtkWidget* window, const char* owner) {
  char* end = nullptr;
  const unsigned long id = std::strtoul(owner, &end, 10);
  if (id == 0 || end == owner || *end != '\0') return;
  GdkDisplay* display = gdk_display_get_default();
  if (!GDK_IS_X11_DISPLAY(display)) return;
  gdk_x11_display_error_trap_push(display);
  GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(id));
  gtk_widget_realize(window);
  if (foreign != nullptr) {
    gdk_window_set_transient_for(gtk_widget_get_window(window), foreign);
    g_object_unref(foreign);
  }
  gdk_x11_display_error_trap_pop_ignored(display);
}

// When the saver starts and how it ends, at the top: "Start after [N] minutes
// of inactivity", whose box is whether the desktop starts the idle watcher at
// login (its autostart entry), and the lock on return.
struct IdleControls {
  GtkWidget* start = nullptr;
  GtkWidget* minutes = nullptr;
  GtkWidget* lock = nullptr;
  std::string entry = linuxhost::autostart::EntryPath();
  bool wasOn = linuxhost::autostart::EntryExists(entry);
};

bool IsIdleSetting(const SettingRow& row) {
  return std::strcmp(row.name, setting::kIdleMinutes) == 0 || std::strcmp(row.name, setting::kLockOnReturn) == 0;
}

void AddIdleControls(GtkWidget* box, const SaverState& state, IdleControls* idle) {
  const SettingRow* minutes = FindSetting(setting::kIdleMinutes);
  const std::string label = minutes->dialogLabel;  // "... %s ...": the spin button stands for %s
  const std::size_t field = label.find("%s");
  GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  idle->start = gtk_check_button_new_with_label(label.substr(0, field).c_str());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(idle->start), idle->wasOn);
  idle->minutes = gtk_spin_button_new_with_range(minutes->low, minutes->high, 1);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(idle->minutes), state.idleMinutes);
  gtk_box_pack_start(GTK_BOX(line), idle->start, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(line), idle->minutes, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(line), gtk_label_new(label.substr(field + 2).c_str()), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), line, FALSE, FALSE, 0);
  idle->lock = gtk_check_button_new_with_label(FindSetting(setting::kLockOnReturn)->dialogLabel);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(idle->lock), state.lockOnReturn != 0);
  gtk_box_pack_start(GTK_BOX(box), idle->lock, FALSE, FALSE, 0);
}

void TakeIdleControls(const IdleControls& idle, SaverState& state) {
  state.idleMinutes = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(idle.minutes));
  state.lockOnReturn = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(idle.lock)) != FALSE;
}

// After the settings are stored: the entry written or removed, and the
// watcher started (afresh when its minutes changed) or ended.
void ApplyIdleControls(const IdleControls& idle, int oldMinutes, const SaverState& state) {
  namespace autostart = linuxhost::autostart;
  const bool on = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(idle.start)) != FALSE;
  std::string why;
  if (on && (!idle.wasOn || state.idleMinutes != oldMinutes)) {
    const std::string program = linuxhost::SiblingProgram("zirbel");
    if (!autostart::WriteEntry(idle.entry, program, &why)) std::fprintf(stderr, "zirbel-config: %s\n", why.c_str());
    autostart::EndWatcher();
    if (!autostart::StartWatcher(program, &why)) std::fprintf(stderr, "zirbel-config: %s\n", why.c_str());
  } else if (!on && idle.wasOn) {
    if (!autostart::RemoveEntry(idle.entry, &why)) std::fprintf(stderr, "zirbel-config: %s\n", why.c_str());
    autostart::EndWatcher();
  }
}

// The controls of the flags and numbers the dialog shows, in the order of the
// settings table: a check box for a flag, a spin button for a number.
struct SettingControl {
  const SettingRow* row;
  GtkWidget* widget;
};

std::vector<SettingControl> AddSettingControls(GtkWidget* box, const SaverState& state) {
  std::vector<SettingControl> controls;
  for (const SettingRow& row : AllSettings()) {
    if (!row.In(kInDialog) || row.type == SettingType::Text || IsIdleSetting(row)) continue;
    GtkWidget* widget = nullptr;
    if (row.type == SettingType::Flag) {
      widget = gtk_check_button_new_with_label(row.dialogLabel);
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), state.*row.number != 0);
      gtk_box_pack_start(GTK_BOX(box), widget, FALSE, FALSE, 0);
    } else {
      GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
      widget = gtk_spin_button_new_with_range(row.low, row.high, 1);
      gtk_spin_button_set_value(GTK_SPIN_BUTTON(widget), state.*row.number);
      gtk_box_pack_start(GTK_BOX(line), gtk_label_new(row.dialogLabel), FALSE, FALSE, 0);
      gtk_box_pack_start(GTK_BOX(line), widget, FALSE, FALSE, 0);
      gtk_box_pack_start(GTK_BOX(box), line, FALSE, FALSE, 0);
    }
    controls.push_back({&row, widget});
  }
  return controls;
}

void TakeSettingControls(const std::vector<SettingControl>& controls, SaverState& state) {
  for (const SettingControl& control : controls) {
    GtkWidget* widget = control.widget;
    state.*control.row->number = control.row->type == SettingType::Flag
                                     ? gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)) != FALSE
                                     : gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(widget));
  }
}

// The photo folder's controls: "Photos…" picks a folder, the label shows the
// choice, "Built-in pictures" goes back to none. Nothing is stored before OK.
struct PhotoChoice {
  std::string folder;
  GtkWidget* window = nullptr;
  GtkWidget* label = nullptr;
};

void ShowPhotoChoice(const PhotoChoice& choice) {
  gtk_label_set_text(GTK_LABEL(choice.label), choice.folder.empty() ? "Built-in pictures" : choice.folder.c_str());
}

void OnPickPhotos(GtkWidget*, gpointer data) {
  auto* choice = static_cast<PhotoChoice*>(data);
  GtkWidget* chooser = gtk_file_chooser_dialog_new(FindSetting(setting::kPhotoFolder)->dialogLabel,
                                                   GTK_WINDOW(choice->window),
                                                   GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "Cancel",
                                                   GTK_RESPONSE_CANCEL, "Select", GTK_RESPONSE_ACCEPT, nullptr);
  if (!choice->folder.empty()) gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), choice->folder.c_str());
  const bool accepted = gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT;
  gchar* folder = accepted ? gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)) : nullptr;
  gtk_widget_destroy(chooser);
  if (folder == nullptr) return;
  // Only a folder the setting can hold (UTF-8, not too long) is taken;
  // another is refused with a word why, and the choice stays as it was.
  const std::string path = folder;
  g_free(folder);
  const std::string refusal = PhotoFolderRefusal(path);
  if (refusal.empty()) {
    choice->folder = path;
    ShowPhotoChoice(*choice);
    return;
  }
  GtkWidget* message = gtk_message_dialog_new(GTK_WINDOW(choice->window), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                              GTK_BUTTONS_OK, "%s", refusal.c_str());
  gtk_window_set_title(GTK_WINDOW(message), "Photo folder");
  gtk_dialog_run(GTK_DIALOG(message));
  gtk_widget_destroy(message);
}

void OnBuiltInPhotos(GtkWidget*, gpointer data) {
  auto* choice = static_cast<PhotoChoice*>(data);
  choice->folder.clear();
  ShowPhotoChoice(*choice);
}

void AddPhotoChoice(GtkWidget* box, PhotoChoice* choice) {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  GtkWidget* pick = gtk_button_new_with_label("Photos…");
  choice->label = gtk_label_new(nullptr);
  gtk_label_set_ellipsize(GTK_LABEL(choice->label), PANGO_ELLIPSIZE_MIDDLE);
  gtk_label_set_max_width_chars(GTK_LABEL(choice->label), 40);
  gtk_box_pack_start(GTK_BOX(row), pick, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), choice->label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
  GtkWidget* builtIn = gtk_button_new_with_label("Built-in pictures");
  gtk_widget_set_halign(builtIn, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(box), builtIn, FALSE, FALSE, 0);
  g_signal_connect(pick, "clicked", G_CALLBACK(OnPickPhotos), choice);
  g_signal_connect(builtIn, "clicked", G_CALLBACK(OnBuiltInPhotos), choice);
  ShowPhotoChoice(*choice);
}

GtkWidget* AddLine(GtkWidget* box, const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  return label;
}

int RunDialog(const char* owner, SettingsStore& store) {
  SaverState state;
  LoadSystemSettings(state, store);
  LoadSettings(state, store);

  Dialog dialog;
  dialog.window = gtk_dialog_new();
  gtk_window_set_title(GTK_WINDOW(dialog.window), "Config dialog");
  gtk_window_set_resizable(GTK_WINDOW(dialog.window), FALSE);
  gtk_window_set_position(GTK_WINDOW(dialog.window), GTK_WIN_POS_CENTER);
  GtkWidget* ok = gtk_dialog_add_button(GTK_DIALOG(dialog.window), "OK", GTK_RESPONSE_OK);
  dialog.cancel = gtk_dialog_add_button(GTK_DIALOG(dialog.window), "Cancel", GTK_RESPONSE_CANCEL);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.window), GTK_RESPONSE_OK);

  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.window));
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  gtk_container_set_border_width(GTK_CONTAINER(box), 10);
  gtk_box_pack_start(GTK_BOX(content), box, TRUE, TRUE, 0);
  IdleControls idle;
  AddIdleControls(box, state, &idle);
  const std::vector<SettingControl> controls = AddSettingControls(box, state);
  AddLine(box, "Version 1.0");
  AddLine(box, "Sixty photo tiles in a ring of mirrors.");
  AddLine(box, "Keys: digits, arrows, space and M steer it.");
  AddLine(box, "By the Zirbel developers.");
  PhotoChoice photos;
  photos.folder = state.photoFolder;
  photos.window = dialog.window;
  AddPhotoChoice(box, &photos);

  g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(OnKeyPress), &dialog);
  if (owner != nullptr) SetOwner(dialog.window, owner);
  gtk_widget_show_all(dialog.window);
  gtk_widget_grab_focus(ok);
  gtk_window_present(GTK_WINDOW(dialog.window));

  const gint response = gtk_dialog_run(GTK_DIALOG(dialog.window));
  if (response == GTK_RESPONSE_OK) {
    const int oldMinutes = state.idleMinutes;
    TakeSettingControls(controls, state);
    TakeIdleControls(idle, state);
    state.photoFolder = photos.folder;
    SaveSettings(state, store);
    ApplyIdleControls(idle, oldMinutes, state);
  }
  gtk_widget_destroy(dialog.window);
  return 0;
}

int RunErrorMessage(const char* text) {
  GtkWidget* message =
      gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text);
  gtk_window_set_title(GTK_WINDOW(message), "Error");
  gtk_window_set_position(GTK_WINDOW(message), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(message), TRUE);
  gtk_widget_show_all(message);
  gtk_window_present(GTK_WINDOW(message));
  gtk_dialog_run(GTK_DIALOG(message));
  gtk_widget_destroy(message);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* owner = nullptr;
  const char* error = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--owner") == 0 && i + 1 < argc) {
      owner = argv[++i];
    } else if (std::strcmp(argv[i], "--error") == 0 && i + 1 < argc) {
      error = argv[++i];
    } else {
      std::fprintf(stderr, "usage: zirbel-config [--owner WINDOW] | --error TEXT\n");
      return 2;
    }
  }
  if (!gtk_init_check(nullptr, nullptr)) {
    if (error == nullptr) {
      std::fprintf(stderr, "zirbel-config: cannot open the X display; the configuration dialog needs one\n");
    }
    return 1;
  }
  if (error != nullptr) return RunErrorMessage(error);
  settingsfile::KeyFileStore store;
  return RunDialog(owner, store);
}
