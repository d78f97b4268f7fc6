#pragma once

#include <QString>

// The title of every dialog: the program file's name without its folder and without everything
// from its first ".", capitalised ("quillsetter" and "Quillsetter.exe" give "Quillsetter").
QString ApplicationTitleFor(const QString& programPath);

// The title for the running program.
QString ApplicationTitle();
