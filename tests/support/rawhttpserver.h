#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

// A bare TCP server on 127.0.0.1 for answers that a well-behaved HTTP
// server never gives: a body cut short, a connection reset mid-body, a body
// without end. Each connection is handed, once its request head has been
// read, to the script on the server's own thread, one at a time.
class RawHttpServer
{
public:
    // The script writes what it likes to the socket; returning true resets
    // the connection (RST) instead of closing it in order.
    using Script = std::function<bool(RawHttpServer& server, int socket)>;

    explicit RawHttpServer(Script script);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    bool isListening() const { return m_listener >= 0; }
    QString url(const QString& path = QStringLiteral("/")) const;

    // Sends all bytes; false once the peer is gone. Counted in bytesSent().
    bool send(int socket, const QByteArray& bytes);
    qint64 bytesSent() const { return m_sent; }
    int connections() const { return m_connections; }

private:
    void serve();

    Script m_script;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_sent{0};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};
