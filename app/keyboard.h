#pragma once

class QWidget;

// Return and Enter press a focused button of the window, as Space does, and
// the focused control always shows its focus mark, also after a mouse click
// or a focus moved by the program.
void helpTheKeyboard(QWidget *window);
