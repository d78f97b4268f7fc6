#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "printer_lists.h"

class QPushButton;
class QWidget;
struct LanguageTexts;

enum class FileDialogKind { Save, Open };

// Asks for the file to save to or to open; empty when the user cancels.
using FileDialog = std::function<QString(QWidget* parent, FileDialogKind kind,
                                         const QString& caption, const QString& filter)>;

// The platform's file dialogs.
QString AskForFile(QWidget* parent, FileDialogKind kind, const QString& caption,
                   const QString& filter);

// The window's Load settings… and Save settings… buttons: each asks for a file, then selects the
// file's printer settings in the lists or writes the lists' settings to it, and reports in the
// window's language what could not be done.
class SettingsFileActions : public QObject {
 public:
  using ModelName = std::function<QString()>;
  using MessageSink = std::function<void(const QString&)>;

  // A child of `window` that works the buttons and lists of its form. `model` names the
  // connected printer, empty when there is none; `message` shows a message.
  SettingsFileActions(QWidget* window, const Ui::TMainF& form, ModelName model,
                      MessageSink message);

  void SetFileDialog(FileDialog dialog) { fileDialog_ = std::move(dialog); }
  // The buttons' captions and names, and the language of the dialogs and messages from now on.
  void WriteTexts(const LanguageTexts& texts);
  void SetEnabled(bool enabled);

  void Load();
  void Save();
  // Selects the settings of the file at path in the lists, as Load does with the file chosen.
  void LoadFrom(const QString& path);

 private:
  QString Ask(FileDialogKind kind, const char* caption) const;

  QWidget* window_;
  QPushButton* load_;
  QPushButton* save_;
  PrinterLists lists_;
  ModelName model_;
  MessageSink message_;
  FileDialog fileDialog_ = AskForFile;
  const LanguageTexts* texts_;
};
