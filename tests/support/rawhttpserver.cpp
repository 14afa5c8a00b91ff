#include "support/rawhttpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

RawHttpServer::RawHttpServer(Script script) : m_script(std::move(script))
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 8) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_listener >= 0)
            ::close(m_listener);
        m_listener = -1;
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

QString RawHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

bool RawHttpServer::send(int socket, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::send(socket, bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
        m_sent += n;
    }
    return true;
}

void RawHttpServer::serve()
{
    while (!m_stop) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        ++m_connections;
        QByteArray head;
        char buffer[4096];
        while (!head.contains("\r\n\r\n")) {
            const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            head.append(buffer, n);
        }
        if (m_script(*this, socket)) {
            const linger reset{1, 0};
            ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        }
        ::close(socket);
    }
}
