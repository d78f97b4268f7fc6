#include "settings_file_actions.h"

#include <QDir>
#include <QFileDialog>

#include <utility>

#include "language.h"
#include "printer_settings_file.h"
#include "ui_mainform.h"

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// A file as a message names it.
QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

QString AskForFile(QWidget* parent, FileDialogKind kind, const QString& caption,
                   const QString& filter) {
  return kind == FileDialogKind::Save
             ? QFileDialog::getSaveFileName(parent, caption, QString(), filter)
             : QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

SettingsFileActions::SettingsFileActions(QWidget* window, const Ui::TMainF& form, ModelName model,
                                         MessageSink message)
    : QObject(window),
      window_(window),
      load_(form.LoadSettings),
      save_(form.SaveSettings),
      lists_(PrinterListsOf(form)),
      model_(std::move(model)),
      message_(std::move(message)),
      // The form's own texts are English.
      texts_(&TextsFor(InterfaceLanguage::English)) {
  connect(load_, &QPushButton::clicked, this, &SettingsFileActions::Load);
  connect(save_, &QPushButton::clicked, this, &SettingsFileActions::Save);
}

void SettingsFileActions::WriteTexts(const LanguageTexts& texts) {
  texts_ = &texts;
  load_->setText(Text(texts.loadSettings));
  load_->setAccessibleName(Text(texts.loadSettingsName));
  load_->setAccessibleDescription(Text(texts.loadSettingsDescription));
  save_->setText(Text(texts.saveSettings));
  save_->setAccessibleName(Text(texts.saveSettingsName));
  save_->setAccessibleDescription(Text(texts.saveSettingsDescription));
}

void SettingsFileActions::SetEnabled(bool enabled) {
  load_->setEnabled(enabled);
  save_->setEnabled(enabled);
}

QString SettingsFileActions::Ask(FileDialogKind kind, const char* caption) const {
  const QString filter = Text(texts_->settingsFiles) + QStringLiteral(" (*") +
                         QLatin1String(prefs::kPrinterSettingsExtension) + u')';
  return fileDialog_(window_, kind, Text(caption), filter);
}

void SettingsFileActions::Load() {
  const QString path = Ask(FileDialogKind::Open, texts_->loadSettingsName);
  if (!path.isEmpty()) LoadFrom(path);
}

// The lists show the file's settings until the user changes them; a setting the file does not
// hold as an entry of its list keeps its selection.
void SettingsFileActions::LoadFrom(const QString& path) {
  prefs::LoadFailure failure = prefs::LoadFailure::None;
  const auto loaded = prefs::LoadPrinterSettings(path, SelectedSettings(lists_), &failure);
  if (!loaded) {
    const bool tooLarge = failure == prefs::LoadFailure::TooLarge;
    message_(Text(tooLarge ? texts_->settingsTooLarge : texts_->settingsNotRead).arg(Shown(path)));
    return;
  }
  SelectSettings(lists_, loaded->settings);
  if (!loaded->skipped.isEmpty()) {
    message_(
        Text(texts_->settingsSkipped).arg(Shown(path), loaded->skipped.join(QStringLiteral(", "))));
  }
}

// A name typed without the extension gets it, so that the file shows in the Load dialog.
void SettingsFileActions::Save() {
  QString path = Ask(FileDialogKind::Save, texts_->saveSettingsName);
  if (path.isEmpty()) return;
  const QLatin1String extension(prefs::kPrinterSettingsExtension);
  if (!path.endsWith(extension, Qt::CaseInsensitive)) path += extension;
  if (!prefs::SavePrinterSettings(path, SelectedSettings(lists_), model_())) {
    message_(Text(texts_->settingsNotSaved).arg(Shown(path)));
  }
}
