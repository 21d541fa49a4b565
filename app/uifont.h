#pragma once

#include <QFont>

// The panel is laid out for a compact 8-point sans; wide default faces would
// not fit its 27-pixel name labels. Where Arial is missing, fontconfig
// substitutes its metric twin, and failing that the default sans.
inline QFont uiFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    return font;
}
