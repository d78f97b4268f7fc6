#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

// The window's message: no icon, the application title, one OK button that is both default and
// escape, the text wrapped to at most half the screen width, centred on the screen.
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text);
// Shows the message and returns when it is closed.
void ShowMessage(const QString& text);
// Asks for a line of text, with a suggestion; empty when the user cancels.
QString AskForText(QWidget* parent, const QString& title, const QString& prompt,
                   const QString& suggested);

// The text of the error display: "." appended when the last character lies above ".".
QString ErrorText(const QString& message);
// Inside a catch block: the message of the error being handled, empty when it carries none.
QString CurrentErrorMessage();
// The error display for an error that escaped a handler: a critical box over the active window.
void ShowError(const QString& message);
