#pragma once

#include <QAtomicInt>
#include <QHostAddress>
#include <QLocalSocket>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <memory>

// A network between a desk and the test server: a TCP port on loopback whose
// connections are passed on to the server's unix socket, in a thread of its
// own, so that it keeps passing bytes (or keeps silent) while the test's own
// thread waits inside a database call. It can go silent (bytes stay unread
// both ways and no connection is closed, as a cut cable looks to the desk),
// or cut a connection at its next COMMIT: passed on and the answer dropped
// (the server stored the change, the desk never hears so), or dropped
// (the server undoes it).
class TcpProxy
{
public:
    enum Mode { Passing, Silent, CutAfterCommit, CutBeforeCommit };

    explicit TcpProxy(const QString& serverSocket)
    {
        m_thread.start();
        m_relay = new Relay(serverSocket, m_mode);
        m_relay->moveToThread(&m_thread);
        QMetaObject::invokeMethod(m_relay, &Relay::listen, Qt::BlockingQueuedConnection);
    }
    ~TcpProxy()
    {
        QMetaObject::invokeMethod(m_relay, &Relay::close, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_relay;
    }
    TcpProxy(const TcpProxy&) = delete;
    TcpProxy& operator=(const TcpProxy&) = delete;

    quint16 port() const { return m_relay->port; }
    void setMode(Mode mode)
    {
        m_mode.storeRelease(mode);
        QMetaObject::invokeMethod(m_relay, &Relay::passWaiting);
    }
    Mode mode() const { return Mode(m_mode.loadAcquire()); }

private:
    class Relay : public QObject
    {
    public:
        Relay(QString serverSocket, QAtomicInt& mode) : m_socket(std::move(serverSocket)), m_mode(mode) {}

        void listen()
        {
            m_server = new QTcpServer(this);
            m_server->listen(QHostAddress::LocalHost, 0);
            port = m_server->serverPort();
            connect(m_server, &QTcpServer::newConnection, this, [this] {
                while (QTcpSocket* desk = m_server->nextPendingConnection()) {
                    auto* server = new QLocalSocket(desk);
                    server->connectToServer(m_socket);
                    server->waitForConnected(5000);
                    m_pairs.append({desk, server});
                    connect(desk, &QTcpSocket::readyRead, this, &Relay::passWaiting);
                    connect(server, &QLocalSocket::readyRead, this, &Relay::passWaiting);
                    connect(desk, &QTcpSocket::disconnected, desk, &QObject::deleteLater);
                }
            });
        }

        void close()
        {
            qDeleteAll(children());
            m_pairs.clear();
        }

        // Passes what waits on every connection, unless the network is silent.
        void passWaiting()
        {
            const int mode = m_mode.loadAcquire();
            if (mode == Silent)
                return;
            for (const Pair& pair : std::as_const(m_pairs)) {
                if (!pair.desk || !pair.server)
                    continue;
                const QByteArray asked = pair.desk->readAll();
                if ((mode == CutAfterCommit || mode == CutBeforeCommit) && asked.contains("COMMIT")) {
                    m_mode.storeRelease(Passing);
                    if (mode == CutAfterCommit) {
                        // The server keeps its end until it is done; the desk hears nothing more.
                        pair.server->setParent(this);
                        pair.server->write(asked);
                        pair.server->flush();
                        connect(pair.server, &QLocalSocket::disconnected, pair.server, &QObject::deleteLater);
                    }
                    pair.desk->abort();
                    continue;
                }
                pair.server->write(asked);
                pair.desk->write(pair.server->readAll());
            }
        }

        quint16 port = 0;

    private:
        struct Pair
        {
            QPointer<QTcpSocket> desk;
            QPointer<QLocalSocket> server;
        };
        QString m_socket;
        QAtomicInt& m_mode;
        QTcpServer* m_server = nullptr;
        QList<Pair> m_pairs;
    };

    QAtomicInt m_mode{Passing};
    QThread m_thread;
    Relay* m_relay = nullptr;
};
