#include "app/icon.h"

#include <QPixmap>

#include "app/icons/orvane.xpm"

QIcon appIcon()
{
    return QIcon(QPixmap(orvane_icon));
}
