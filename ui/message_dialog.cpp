#include "message_dialog.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include <exception>

#include "application_title.h"

// A box without parent is centred on the screen, and QMessageBox wraps a long text at half
// the screen width (or 500 pixels, when that is less). Screen readers announce the box by its
// title and description, so the text is also its description.
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text) {
  auto box =
      std::make_unique<QMessageBox>(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok);
  box->setDefaultButton(QMessageBox::Ok);
  box->setEscapeButton(QMessageBox::Ok);
  box->setAccessibleDescription(text);
  return box;
}

void ShowMessage(const QString& text) { MakeMessageBox(text)->exec(); }

QString ErrorText(const QString& message) {
  if (!message.isEmpty() && message.back() > u'.') return message + u'.';
  return message;
}

QString CurrentErrorMessage() {
  try {
    throw;
  } catch (const std::exception& error) {
    return QString::fromLocal8Bit(error.what());
  } catch (...) {
    return {};
  }
}

void ShowError(const QString& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorText(message), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setAccessibleDescription(box.text());
  box.exec();
}

QString AskForText(QWidget* parent, const QString& title, const QString& prompt,
                   const QString& suggested) {
  bool accepted = false;
  const QString text =
      QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, suggested, &accepted);
  return accepted ? text : QString();
}
