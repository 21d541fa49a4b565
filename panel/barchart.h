#pragma once

#include <QStringList>

struct Panel;

// Repaints the measured channel's row with reading v, already inverted when Invert is checked.
void DrawBar(Panel &p, double v);
// Blanks every row; with no channel chosen, it ends the run and greys Run.
void CleanBars(Panel &p);
// Every caption DrawBar can give a value label.
QStringList readingCaptions();
