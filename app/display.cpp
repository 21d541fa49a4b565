#include "app/display.h"

#include <QByteArrayList>
#include <QStringList>

DisplayChoice chooseDisplay(const DisplayOffer &offer)
{
    QByteArrayList order;
    if (offer.waylandSession && offer.waylandPlugin)
        order << "wayland";
    if (offer.xSession && offer.xcbPlugin)
        order.insert(offer.preferX11 ? 0 : order.size(), "xcb");
    if (!order.isEmpty())
        return {order.join(';'), {}};

    if (!offer.waylandSession && !offer.xSession)
        return {{}, QStringLiteral("no display to open the window on (neither WAYLAND_DISPLAY nor DISPLAY is set)")};
    const QStringList reasons = {
        offer.waylandSession
            ? QStringLiteral("WAYLAND_DISPLAY is set but Qt's Wayland plugin is not installed (package qt6-wayland)")
            : QStringLiteral("WAYLAND_DISPLAY is not set"),
        offer.xSession ? QStringLiteral("DISPLAY is set but Qt's X11 plugin (xcb) is not installed")
                       : QStringLiteral("DISPLAY is not set"),
    };
    return {{}, QStringLiteral("cannot open a window: ") + reasons.join(QStringLiteral(", and "))};
}
