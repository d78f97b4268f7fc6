#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class QComboBox;
class QToolButton;
class TMainF;

QComboBox* List(const TMainF& window, const char* name);

// What the window shows of its connection: connected while the printer settings show.
bool Connected(const TMainF& window);
// The model family the window shows settings for: 0 and 2 by their speeds, 1 by its DIP
// switches; -1 while not connected.
int ShownFamily(const TMainF& window);
// The flag's picture is in colour, not grey.
bool InColour(const QToolButton* flag);
// The language the window shows by its flags: 0 Bulgarian, 1 English, -1 none applied (both in
// colour).
int ShownLanguage(const TMainF& window);

// What the window shows of its stored choices and language, one "name=value" line each:
// "Language=0", "cbPaper=1:Широка (80mm)", "Connect=Свързване", "lbPort=Сериен порт:".
QStringList DescribeWindow(const TMainF& window);
QMap<QString, QString> ParseDescription(const QStringList& lines);

// Argument that makes prefs_window_tests open the window on the settings in XDG_CONFIG_HOME,
// print its description, close it and exit.
inline constexpr char kFirstRunProbe[] = "--describe-first-window";
int RunFirstRunProbe();
