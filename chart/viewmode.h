#pragma once

struct Panel;

void Norm_Click(Panel &p);
void Inv_Click(Panel &p);
