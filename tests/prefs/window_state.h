#pragma once

#include <QComboBox>
#include <QMap>
#include <QString>
#include <QStringList>

#include <QComboBox>
class TMainF;

QComboBox* List(const TMainF& window, const char* name);

// What the window shows of its stored choices and language, one "name=value" line each:
// "Language=0", "cbPaper=1:Широка (80mm)", "Connect=Свързване", "lbPort=Сериен порт:".
QStringList DescribeWindow(const TMainF& window);
QMap<QString, QString> ParseDescription(const QStringList& lines);

// Argument that makes prefs_window_tests open the window on the settings in XDG_CONFIG_HOME,
// print its description, close it and exit.
inline constexpr char kFirstRunProbe[] = "--describe-first-window";
int RunFirstRunProbe();
