#pragma once

#include "app/orvane.h"
#include "panel/chartsurface.h"
#include "panel/valuelabel.h"
#include "serial/systemport.h"
#include "timing/precisewake.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include "procstats.h"

#include <memory>

// The serial ports a test's panel sees: the environment as it is, and the
// adapters the test names; by default one that does not exist, so that a port
// left unset never names a real device.
inline SerialPortEntry usbAdapter(const QString &device, const QString &description = {})
{
    SerialPortEntry entry;
    entry.device = device;
    entry.description = description;
    entry.usb = true;
    return entry;
}

inline PortSource testPorts(const QList<SerialPortEntry> &adapters = {
                                usbAdapter(QStringLiteral("/nonexistent/orvane-test-adapter"))})
{
    PortSource source = PortSource::system();
    source.ports = [adapters] { return adapters; };
    return source;
}

// After a run has ended nothing of the panel keeps the processor busy.
inline bool settlesToIdle()
{
    QTest::qWait(100);
    const double before = cpuSeconds();
    QTest::qWait(1000);
    return cpuSeconds() - before < 0.1; // a spinning loop would use the whole second
}

// The real window over the real serial component, on the device given as Com1.
struct LivePanel {
    explicit LivePanel(const QString &device) : LivePanel(device.toLocal8Bit()) {}
    // The variable as the environment holds it, byte for byte.
    explicit LivePanel(const QByteArray &device, PortSource ports = testPorts())
    {
        qputenv("ORVANE_COM1", device);
        window = std::make_unique<Orvane>(new SystemCommPort(std::move(ports)),
                                          [this](Failure kind, const QString &text) {
                                              kinds << kind;
                                              reports << text;
                                          },
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
    QList<Failure> kinds; // of the reports, in order
    std::unique_ptr<Orvane> window;
};
