#pragma once

#include "link/commport.h"

// Serial component for tests: records every write, holds input fed by the test.
class FakeCommPort : public CommPort {
    Q_OBJECT
public:
    using CommPort::CommPort;

    void setPortNumber(int n) override { m_portNumber = n; }
    int portNumber() const override { return m_portNumber; }
    void setSettings(const QString &text) override { m_settings = text; }
    QString settings() const override { return m_settings; }
    void open() override
    {
        if (!openFailure.isEmpty())
            throw CommError(portLabel() + QStringLiteral(": cannot open: ") + openFailure);
        if (m_open)
            throw CommError(portLabel() + QStringLiteral(": cannot open: the port is already open"));
        m_open = true;
        ++opens;
    }
    void close() override
    {
        m_open = false;
        ++closes;
    }
    bool isOpen() const override { return m_open; }
    void write(QByteArrayView text) override
    {
        if (!m_open)
            throw CommError(portLabel() + QStringLiteral(": cannot write: the port is not open"));
        if (!writeFailure.isEmpty())
            throw CommError(portLabel() + QStringLiteral(": cannot write: ") + writeFailure);
        writes.append(text.toByteArray());
    }
    qint64 waiting() const override { return m_input.size(); }
    QByteArray takeAll() override { return std::exchange(m_input, {}); }
    QString portLabel() const override
    {
        return QStringLiteral("Com%1 (/dev/fake%1)").arg(m_portNumber);
    }

    // Characters arrive from the board; the event comes once enough are waiting.
    void feed(const QByteArray &bytes)
    {
        m_input += bytes;
        if (m_input.size() >= kReceiveThreshold)
            emit received();
    }
    void loseDevice(const QString &reason)
    {
        m_open = false;
        emit failed(portLabel() + QStringLiteral(": the connection was lost: ") + reason);
    }
    QByteArray sent() const { return writes.join(); }
    void clearSent() { writes.clear(); }

    QList<QByteArray> writes;
    QString openFailure;
    QString writeFailure;
    int opens = 0;
    int closes = 0;

private:
    int m_portNumber = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_open = false;
    QByteArray m_input;
};
