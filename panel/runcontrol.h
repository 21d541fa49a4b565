#pragma once

#include "serial/failure.h"

#include <QString>

struct Panel;

void Form_Load(Panel &p);
void ComPort_Click(Panel &p, int n); // n = 1..4
void SDON_Click(Panel &p);
void SDOFF_Click(Panel &p);
void Start_Click(Panel &p);
// The Port menu opens: each item tells which device it would open now.
void PortSel_Show(Panel &p);
void Halt_Click(Panel &p);

// A port failure ends a run that is going and is reported once.
void PortFailure(Panel &p, Failure kind, const QString &text);
