#include "support/httptestserver.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <chrono>

struct HttpTestServer::State
{
    mutable QMutex mutex;
    QHash<QByteArray, Response> routes;
    QList<Request> requests;
    QList<HttpTestServer::Connection> connections;
};

namespace {

qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

HttpTestServer::Response notFound()
{
    return HttpTestServer::Response::statusPage(404, "Not Found", "<html><body>Not Found</body></html>");
}

bool parseRequest(const QByteArray& head, HttpTestServer::Request& request)
{
    const QList<QByteArray> lines = head.split('\n');
    if (lines.isEmpty())
        return false;
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3)
        return false;
    request.method = requestLine[0];
    request.target = requestLine[1];
    request.version = requestLine[2];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return true;
}

QByteArray responseHead(const HttpTestServer::Response& r)
{
    QByteArray head = r.statusLine.isEmpty() ? "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + r.reason
                                             : r.statusLine;
    head += "\r\n";
    bool hasConnection = false;
    for (const auto& [name, value] : r.headers) {
        head += name + ": " + value + "\r\n";
        hasConnection = hasConnection || name.compare("Connection", Qt::CaseInsensitive) == 0;
    }
    if (!hasConnection)
        head += "Connection: close\r\n";
    return head + "\r\n";
}

// One client connection: reads one request, answers it, hangs up.
class Connection : public QObject
{
public:
    Connection(QTcpSocket* socket, std::shared_ptr<HttpTestServer::State> state)
        : QObject(socket), m_socket(socket), m_state(std::move(state))
    {
        {
            QMutexLocker lock(&m_state->mutex);
            m_index = m_state->connections.size();
            m_state->connections.append({steadyMs(), -1});
        }
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this] { onReadyRead(); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
    ~Connection() override
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->connections[m_index].closedMs = steadyMs();
    }

private:
    void onReadyRead()
    {
        m_buffer += m_socket->readAll();
        if (m_answered)
            return;
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_answered = true;
        HttpTestServer::Request request;
        const QByteArray head = m_buffer.left(end);
        m_buffer.remove(0, end + 4); // a kept connection's next request follows
        if (!parseRequest(head, request)) {
            m_socket->disconnectFromHost();
            return;
        }
        request.connection = m_index;
        HttpTestServer::Response response = notFound();
        {
            QMutexLocker lock(&m_state->mutex);
            m_state->requests.append(request);
            response = m_state->routes.value(request.target, response);
        }
        // A client that asks for the connection to be closed gets that,
        // as from any server.
        m_clientCloses = request.header("Connection").compare("close", Qt::CaseInsensitive) == 0;
        if (response.delayMs > 0)
            QTimer::singleShot(response.delayMs, this, [this, response] { answer(response); });
        else
            answer(response);
    }

    void answer(const HttpTestServer::Response& response)
    {
        m_socket->write(responseHead(response));
        if (response.closeAfterBodyBytes >= 0) {
            m_socket->write(response.body.left(response.closeAfterBodyBytes));
            m_socket->flush();
            // Hang up without the rest; the client sees a body cut short.
            m_socket->disconnectFromHost();
            return;
        }
        m_socket->write(response.body);
        if (!m_clientCloses && keepsConnection(response)) {
            m_answered = false;
            if (m_buffer.contains("\r\n\r\n"))
                QTimer::singleShot(0, this, [this] { onReadyRead(); });
            return;
        }
        m_socket->disconnectFromHost();
    }

    static bool keepsConnection(const HttpTestServer::Response& response)
    {
        for (const auto& [name, value] : response.headers)
            if (name.compare("Connection", Qt::CaseInsensitive) == 0)
                return value.compare("keep-alive", Qt::CaseInsensitive) == 0;
        return false;
    }

    QTcpSocket* m_socket;
    std::shared_ptr<HttpTestServer::State> m_state;
    QByteArray m_buffer;
    bool m_answered = false;
    bool m_clientCloses = false;
    qsizetype m_index = 0;
};

} // namespace

// Lives in the server thread: accepts connections there.
class HttpTestServerListener : public QTcpServer
{
public:
    HttpTestServerListener(std::shared_ptr<HttpTestServer::State> state, const QSslCertificate& certificate, const QSslKey& key)
        : m_state(std::move(state)), m_certificate(certificate), m_key(key)
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket* socket = nullptr;
        if (m_certificate.isNull()) {
            socket = new QTcpSocket(this);
            socket->setSocketDescriptor(descriptor);
        } else {
            auto* tls = new QSslSocket(this);
            tls->setSocketDescriptor(descriptor);
            tls->setLocalCertificate(m_certificate);
            tls->setPrivateKey(m_key);
            // A client that refuses our certificate just goes away.
            QObject::connect(tls, &QSslSocket::errorOccurred, tls, [tls] { tls->abort(); });
            tls->startServerEncryption();
            socket = tls;
        }
        new Connection(socket, m_state);
    }

private:
    std::shared_ptr<HttpTestServer::State> m_state;
    QSslCertificate m_certificate;
    QSslKey m_key;
};

HttpTestServer::Response& HttpTestServer::Response::withHeader(const QByteArray& name, const QByteArray& value)
{
    headers.append({name, value});
    return *this;
}

HttpTestServer::Response HttpTestServer::Response::html(const QByteArray& body, const QByteArray& contentType)
{
    Response r;
    r.body = body;
    r.withHeader("Content-Type", contentType).withHeader("Content-Length", QByteArray::number(body.size()));
    return r;
}

HttpTestServer::Response HttpTestServer::Response::statusPage(int status, const QByteArray& reason,
                                                           const QByteArray& body)
{
    Response r = html(body, "text/html");
    r.status = status;
    r.reason = reason;
    return r;
}

HttpTestServer::Response HttpTestServer::Response::redirect(const QByteArray& location, int status)
{
    Response r = statusPage(status, status == 301 ? "Moved Permanently" : "Found");
    r.withHeader("Location", location);
    return r;
}

QByteArray HttpTestServer::Request::header(const QByteArray& name) const
{
    for (const auto& [n, value] : headers)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QByteArray();
}

HttpTestServer::HttpTestServer()
{
    start(QString(), QString(), QHostAddress(QHostAddress::LocalHost));
}

HttpTestServer::HttpTestServer(const QHostAddress& address)
{
    m_host = address.toString();
    start(QString(), QString(), address);
}

HttpTestServer::HttpTestServer(const QString& certificateFile, const QString& keyFile)
{
    start(certificateFile, keyFile, QHostAddress(QHostAddress::LocalHost));
}

void HttpTestServer::start(const QString& certificateFile, const QString& keyFile, const QHostAddress& address)
{
    m_state = std::make_shared<State>();
    QSslCertificate certificate;
    QSslKey key;
    if (!certificateFile.isEmpty()) {
        m_tls = true;
        QFile c(certificateFile);
        QFile k(keyFile);
        if (c.open(QIODevice::ReadOnly) && k.open(QIODevice::ReadOnly)) {
            certificate = QSslCertificate(c.readAll(), QSsl::Pem);
            key = QSslKey(k.readAll(), QSsl::Rsa, QSsl::Pem);
        }
        if (certificate.isNull() || key.isNull())
            qFatal("HttpTestServer: cannot load %s / %s", qPrintable(certificateFile), qPrintable(keyFile));
    }
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("HttpTestServer"));
    m_listener = new HttpTestServerListener(m_state, certificate, key);
    m_listener->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_listener,
        [this, address] {
            if (m_listener->listen(address, 0))
                m_port = m_listener->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

HttpTestServer::~HttpTestServer()
{
    HttpTestServerListener* listener = m_listener;
    QMetaObject::invokeMethod(
        listener,
        [listener] {
            listener->close();
            delete listener; // with every connection still open
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

bool HttpTestServer::isListening() const
{
    return m_port != 0;
}

quint16 HttpTestServer::port() const
{
    return m_port;
}

QString HttpTestServer::hostAndPort() const
{
    return QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

QString HttpTestServer::url(const QString& path) const
{
    return (m_tls ? QStringLiteral("https://") : QStringLiteral("http://")) + hostAndPort() + path;
}

void HttpTestServer::route(const QByteArray& target, const Response& response)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->routes.insert(target, response);
}

void HttpTestServer::clearRoutes()
{
    QMutexLocker lock(&m_state->mutex);
    m_state->routes.clear();
}

QList<HttpTestServer::Request> HttpTestServer::requests() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->requests;
}

int HttpTestServer::requestCount() const
{
    QMutexLocker lock(&m_state->mutex);
    return static_cast<int>(m_state->requests.size());
}

void HttpTestServer::clearRequests()
{
    QMutexLocker lock(&m_state->mutex);
    m_state->requests.clear();
}

QList<HttpTestServer::Connection> HttpTestServer::connections() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->connections;
}

quint16 HttpTestServer::closedPort()
{
    // Bound and released again: nobody else takes a fresh port in the
    // instant a test needs it refused.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
