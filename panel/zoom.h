#pragma once

struct Panel;

void ZoomIn_Click(Panel &p);
void ZoomOut_Click(Panel &p);
void HScroll_Change(Panel &p);
