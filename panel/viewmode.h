#pragma once

struct Panel;

void Norm_Click(Panel &p);
void Inv_Click(Panel &p);

// A reading as the chart shows it: 255 minus it while Invert is checked.
int shownReading(const Panel &p, int reading);
