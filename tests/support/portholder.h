#pragma once

#include "serial/systemport.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

// A test's own executable run as "TEST --hold DEVICE" plays a second panel: it
// holds the device with the panel's serial component, prints "held" (or why it
// could not), and lets go when a line is typed on its standard input.
inline bool isHoldRequest(int argc, char *argv[])
{
    return argc == 3 && QByteArray(argv[1]) == "--hold";
}

inline int holdPort(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("ORVANE_COM1", argv[2]);
    SystemCommPort port;
    try {
        port.open();
    } catch (const CommError &e) {
        std::printf("%s\n", qPrintable(e.text()));
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    QSocketNotifier typed(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&typed, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}

// The main of a test whose own executable may be started to hold a port.
#define PORT_HOLDER_TEST_MAIN(TestObject)                                                          \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        if (isHoldRequest(argc, argv))                                                             \
            return holdPort(argc, argv);                                                           \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
