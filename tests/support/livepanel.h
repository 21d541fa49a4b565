#pragma once

#include "app/orvane.h"
#include "chart/chartsurface.h"
#include "link/commport.h"
#include "scan/precisewake.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include "procstats.h"

#include <memory>

// The real window over the real serial component, on the device given as Com1.
struct LivePanel {
    explicit LivePanel(const QString &device) : LivePanel(device.toLocal8Bit()) {}
    // The variable as the environment holds it, byte for byte.
    explicit LivePanel(const QByteArray &device)
    {
        qputenv("ORVANE_COM1", device);
        window = std::make_unique<Orvane>(nullptr, [this](const QString &t) { reports << t; },
                                          makePreciseWake().release());
        window->show();
    }
    Panel &p() { return window->panel(); }
    int barPixels(int channel)
    {
        const QImage &image = p().Chart->image();
        int x = 53;
        while (x < image.width() && image.pixelColor(x, 20 * channel + 6) != QColor(Qt::white))
            ++x;
        return x - 53;
    }
    bool isIdle()
    {
        return p().Start->isEnabled() && !p().Halt->isEnabled() && !p().OrvaneCom->isOpen()
               && !p().Timer1->isActive() && !p().Timer2->isActive();
    }

    QStringList reports;
    std::unique_ptr<Orvane> window;
};
