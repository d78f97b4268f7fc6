#pragma once

#include <QString>

// The title of every dialog: the program file's name without its folder and without everything
// from its first ".", every character after the first in lower case ("Quillsetter.exe" gives
// "Quillsetter", "quillsetter" stays "quillsetter").
QString ApplicationTitleFor(const QString& programPath);

// The title for the running program.
QString ApplicationTitle();
