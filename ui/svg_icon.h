#pragma once

#include <QIcon>
#include <QString>

// An icon drawn from an SVG file by QSvgRenderer at the size and pixel ratio it is painted at:
// sharp at any scale, read only when first painted, and without Qt's SVG image plugins.
QIcon SvgIcon(const QString& file);
