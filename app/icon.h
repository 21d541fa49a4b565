#pragma once

#include <QIcon>

// The program's own 32 x 32, 16-colour icon with a transparency mask.
QIcon appIcon();
