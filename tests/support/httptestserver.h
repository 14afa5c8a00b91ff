#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

class QHostAddress;
class QThread;
class HttpTestServerListener;

// A scriptable HTTP or HTTPS server on 127.0.0.1 for tests. It runs in a
// thread of its own, so a blocking client (libcurl, a worker thread, a child
// process) can talk to it while the test thread waits. It answers every
// request with the response routed to its path (404 otherwise), closes the
// connection after each answer (unless the answer says "Connection:
// keep-alive": then the connection waits for the next request) and logs what
// it received.
class HttpTestServer
{
public:
    using Header = QPair<QByteArray, QByteArray>;

    struct Response
    {
        // Sent as "HTTP/1.1 <status> <reason>" unless statusLine is set.
        int status = 200;
        QByteArray reason = "OK";
        QByteArray statusLine;
        // Sent as given, in order; "Connection: close" is added unless a
        // Connection header is present. Nothing else is added.
        QList<Header> headers;
        QByteArray body;
        int delayMs = 0;                 // wait this long before answering
        qint64 closeAfterBodyBytes = -1; // hang up after this many body bytes

        Response& withHeader(const QByteArray& name, const QByteArray& value);

        // An HTML page with Content-Type and Content-Length.
        static Response html(const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8");
        // A status with an optional HTML body (Content-Type and Content-Length).
        static Response statusPage(int status, const QByteArray& reason, const QByteArray& body = QByteArray());
        static Response redirect(const QByteArray& location, int status = 302);
    };

    struct Request
    {
        QByteArray method;  // "GET"
        QByteArray target;  // "/page?x=1", as in the request line
        QByteArray version; // "HTTP/1.0"
        QList<Header> headers;
        qsizetype connection = -1; // which of connections() it came on

        // First value of a header (name compared ignoring case); null if absent.
        QByteArray header(const QByteArray& name) const;
    };

    // When a connection was accepted and when it was closed, in ms of the
    // steady clock (comparable across servers of one process).
    struct Connection
    {
        qint64 openedMs = 0;
        qint64 closedMs = -1; // -1 while open
    };

    // Plain HTTP.
    HttpTestServer();
    // Plain HTTP on another loopback address (127.0.0.2, …): to the program
    // a host of its own.
    explicit HttpTestServer(const QHostAddress& address);
    // HTTPS with the given PEM certificate and key (tests/fixtures).
    HttpTestServer(const QString& certificateFile, const QString& keyFile);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool isListening() const;
    quint16 port() const;
    // "127.0.0.1:PORT"
    QString hostAndPort() const;
    // "http://127.0.0.1:PORT/path" (https for a TLS server); path starts with "/".
    QString url(const QString& path = QStringLiteral("/")) const;

    // The response for a request target ("/a", "/a?b=1"); the last one wins.
    void route(const QByteArray& target, const Response& response);
    void clearRoutes();

    QList<Request> requests() const;
    int requestCount() const;
    void clearRequests();
    // Every connection in the order accepted.
    QList<Connection> connections() const;

    // A port on 127.0.0.1 where nobody listens: connecting is refused.
    static quint16 closedPort();

    struct State;

private:
    void start(const QString& certificateFile, const QString& keyFile, const QHostAddress& address);

    std::shared_ptr<State> m_state;
    QThread* m_thread = nullptr;
    HttpTestServerListener* m_listener = nullptr;
    quint16 m_port = 0;
    bool m_tls = false;
    QString m_host = QStringLiteral("127.0.0.1");
};

// So that table-driven tests can carry responses in their _data() columns.
Q_DECLARE_METATYPE(HttpTestServer::Response)
