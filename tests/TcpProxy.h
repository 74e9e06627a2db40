#pragma once

#include <QAtomicInt>
#include <QLocalSocket>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

// A network between a desk and the test server: a loopback TCP port passed on
// to the server's unix socket, on a thread of its own so that it goes on while
// the test's thread waits in a database call. Silent: bytes stay unread both
// ways and nothing is closed, as a cut cable looks. At the next COMMIT it can
// cut the desk off after passing it on (stored, the answer lost) or before.
class TcpProxy
{
public:
    enum Mode { Passing, Silent, CutAfterCommit, CutBeforeCommit };

    explicit TcpProxy(const QString& serverSocket) : m_socket(serverSocket)
    {
        m_thread.start();
        m_relay.moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            &m_relay, [this] { listen(); }, Qt::BlockingQueuedConnection);
    }
    ~TcpProxy()
    {
        QMetaObject::invokeMethod(
            &m_relay, [this] { qDeleteAll(m_relay.children()); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    quint16 port() const { return m_port; }
    void setMode(Mode mode)
    {
        m_mode.storeRelease(mode);
        QMetaObject::invokeMethod(&m_relay, [this] { pass(); });
    }

private:
    void listen()
    {
        auto* listener = new QTcpServer(&m_relay);
        listener->listen(QHostAddress::LocalHost, 0);
        m_port = listener->serverPort();
        QObject::connect(listener, &QTcpServer::newConnection, &m_relay, [this, listener] {
            QTcpSocket* desk = listener->nextPendingConnection();
            auto* server = new QLocalSocket(&m_relay);
            server->connectToServer(m_socket);
            server->waitForConnected(5000);
            m_pairs.append({desk, server});
            QObject::connect(desk, &QTcpSocket::readyRead, &m_relay, [this] { pass(); });
            QObject::connect(server, &QLocalSocket::readyRead, &m_relay, [this] { pass(); });
        });
    }

    void pass()
    {
        const int mode = m_mode.loadAcquire();
        for (const auto& [desk, server] : std::as_const(m_pairs)) {
            if (mode == Silent || !desk || !server || desk->state() != QAbstractSocket::ConnectedState)
                continue;
            const QByteArray asked = desk->readAll();
            const bool cut = mode != Passing && asked.contains("COMMIT");
            if (!cut || mode == CutAfterCommit)
                server->write(asked);
            if (cut) {
                m_mode.storeRelease(Passing);
                desk->abort();
                if (mode == CutBeforeCommit)
                    server->abort();
            } else {
                desk->write(server->readAll());
            }
        }
    }

    QString m_socket;
    QAtomicInt m_mode{Passing};
    quint16 m_port = 0;
    QThread m_thread;
    QObject m_relay; // lives on m_thread, with every socket
    QList<std::pair<QPointer<QTcpSocket>, QPointer<QLocalSocket>>> m_pairs;
};
