#include "publikacja/ftp/ftpconnection.h"

#include "publikacja/ftp/ftptimeouts.h"
#include "text/cp1250.h"

#include <QUrl>

#include <cctype>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace publikacja {
namespace {

constexpr int kFtpPort = 21;

bool curlReady()
{
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

struct EasyDeleter
{
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct MultiDeleter
{
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};

// How often a waiting session looks at the stop request.
constexpr int kStopPollMs = 100;

// Runs one prepared handle to its end, like curl_easy_perform, but looks at
// the stop request between waits, so that a server that says nothing holds
// a stop no longer than one wait.
CURLcode perform(CURL* easy, const std::atomic_bool* stop, bool* stopped)
{
    *stopped = false;
    if (!stop)
        return curl_easy_perform(easy);
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    CURLcode result = CURLE_OK;
    for (;;) {
        if (stop->load()) {
            *stopped = true;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        int queued = 0;
        bool done = false;
        while (CURLMsg* m = curl_multi_info_read(multi.get(), &queued))
            if (m->msg == CURLMSG_DONE && m->easy_handle == easy) {
                result = m->data.result;
                done = true;
            }
        if (done || running == 0)
            break;
        if (curl_multi_poll(multi.get(), nullptr, 0, kStopPollMs, nullptr) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}
struct ListDeleter
{
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// A line break or NUL inside a name would end the FTP command early and let
// the rest pass as a command of its own.
bool fitsOneCommand(QStringView text)
{
    for (QChar c : text)
        if (c == u'\r' || c == u'\n' || c == u'\0')
            return false;
    return true;
}

// "ftp://host:port" for a host written as "name" or "name:port"; empty when
// the text names no usable host.
QByteArray serverUrl(const QString& hostText)
{
    QString name = hostText;
    int port = kFtpPort;
    const qsizetype colon = hostText.lastIndexOf(u':');
    if (colon > 0 && hostText.count(u':') == 1) {
        bool ok = false;
        port = hostText.mid(colon + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return {};
        name = hostText.left(colon);
    }
    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    url.setHost(name, QUrl::StrictMode);
    url.setPort(port);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    return url.toEncoded();
}

} // namespace

struct FtpConnection::Transfer
{
    QString remoteName;
    const Sink* sink = nullptr;  // retrieve
    QIODevice* source = nullptr; // store
    QStringList commands;        // commands(): no file moves
    Stage stage = Stage::Login;
    bool sizeAsked = false;
    qint64 storedSize = -1; // the server's answer to our SIZE after a store
    QByteArray reply;       // the server's reply as far as it came
    long refusalCode = 0;   // its last refusal: code and words
    QByteArray refusal;
    bool quitting = false;

    static size_t write(char* data, size_t size, size_t count, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        const size_t bytes = size * count;
        return (*t->sink)(data, qsizetype(bytes)) ? bytes : 0;
    }

    static size_t read(char* buffer, size_t size, size_t count, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        const qint64 got = t->source->read(buffer, qint64(size * count));
        return got < 0 ? CURL_READFUNC_ABORT : size_t(got);
    }

    // Follows the conversation to know which step a failure belongs to:
    // everything up to our CWD is the login, the CWD and its answer are the
    // change of directory, the rest is the transfer. The QUIT that closes a
    // failed session belongs to no step.
    // "550-..." lines go on, "550 ..." ends a reply; the words of the last
    // 4xx or 5xx reply are kept for the reason of the failure.
    void keepRefusal(QByteArrayView line)
    {
        const QByteArray text = line.toByteArray().trimmed();
        const bool coded = text.size() >= 3 && std::isdigit(uchar(text[0])) && std::isdigit(uchar(text[1])) &&
                           std::isdigit(uchar(text[2])) && (text.size() == 3 || text[3] == ' ' || text[3] == '-');
        if (reply.size() < 4096)
            reply += (reply.isEmpty() ? QByteArray() : QByteArray(" ")) + (coded ? text.mid(4) : text);
        if (!coded || (text.size() > 3 && text[3] == '-'))
            return;
        // Only the reply to the step that failed counts: a refusal the
        // session went on after (SIZE unknown to the server) is no reason.
        if (text[0] == '4' || text[0] == '5') {
            refusalCode = text.left(3).toLong();
            refusal = reply;
        } else {
            refusalCode = 0;
            refusal.clear();
        }
        reply.clear();
    }

    static int trace(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        const QByteArrayView line(data, qsizetype(size));
        if (type == CURLINFO_HEADER_OUT) {
            if (line.startsWith("QUIT")) {
                t->quitting = true; // its goodbye says nothing of the failure
                return 0;
            }
            if (t->stage == Stage::Login && line.startsWith("CWD "))
                t->stage = Stage::Directory;
            else if (t->stage == Stage::Directory)
                t->stage = Stage::Transfer;
            t->sizeAsked = t->source && line.startsWith("SIZE ");
        } else if (type == CURLINFO_HEADER_IN) {
            if (!t->quitting)
                t->keepRefusal(line);
            if (t->stage == Stage::Directory && line.startsWith('2'))
                t->stage = Stage::Transfer;
            if (t->sizeAsked && line.size() >= 4 && line[3] == ' ') {
                t->sizeAsked = false;
                if (line.startsWith("213 ")) {
                    bool ok = false;
                    const qint64 n = line.sliced(4).toByteArray().trimmed().toLongLong(&ok);
                    t->storedSize = ok && n >= 0 ? n : -1;
                }
            }
        }
        return 0;
    }
};

FtpConnection::FtpConnection(QString host, QString user, QString password, QString directory,
                             const std::atomic_bool* stop)
    : m_host(std::move(host)), m_user(std::move(user)), m_password(std::move(password)),
      m_directory(std::move(directory)), m_stop(stop)
{
}

std::optional<FtpConnection::Failure> FtpConnection::retrieve(const QString& remoteName, const Sink& sink)
{
    Transfer t;
    t.remoteName = remoteName;
    t.sink = &sink;
    return run(t);
}

std::optional<FtpConnection::Failure> FtpConnection::store(const QString& remoteName, QIODevice& source,
                                                            qint64* storedSize)
{
    Transfer t;
    t.remoteName = remoteName;
    t.source = &source;
    std::optional<Failure> failure = run(t);
    if (storedSize)
        *storedSize = failure ? -1 : t.storedSize;
    return failure;
}

std::optional<FtpConnection::Failure> FtpConnection::commands(const QStringList& commands)
{
    Transfer t;
    t.commands = commands;
    return run(t);
}

std::optional<FtpConnection::Failure> FtpConnection::run(Transfer& t)
{
    if (!curlReady())
        return Failure{Stage::Library, QStringLiteral("curl_global_init failed")};
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy)
        return Failure{Stage::Library, QStringLiteral("curl_easy_init failed")};

    const QByteArray server = serverUrl(m_host);
    if (server.isEmpty() || !fitsOneCommand(m_user) || !fitsOneCommand(m_password))
        return Failure{Stage::Login, QStringLiteral("unusable host name, user or password")};
    if (!fitsOneCommand(m_directory))
        return Failure{Stage::Directory, QStringLiteral("unusable directory name")};
    if (!fitsOneCommand(t.remoteName))
        return Failure{Stage::Transfer, QStringLiteral("unusable file name")};
    for (const QString& command : std::as_const(t.commands))
        if (!fitsOneCommand(command))
            return Failure{Stage::Transfer, QStringLiteral("unusable command")};

    // The server sees the Windows-1250 bytes of every name, as it always has.
    const QByteArray url = server + '/' + cp1250::fromUnicode(t.remoteName).toPercentEncoding();
    const QByteArray user = cp1250::fromUnicode(m_user);
    const QByteArray password = cp1250::fromUnicode(m_password);
    const QByteArray cwd = "CWD " + cp1250::fromUnicode(m_directory);
    std::unique_ptr<curl_slist, ListDeleter> quote(curl_slist_append(nullptr, cwd.constData()));
    if (!quote)
        return Failure{Stage::Library, QStringLiteral("out of memory")};
    for (const QString& command : std::as_const(t.commands)) {
        curl_slist* longer = curl_slist_append(quote.get(), cp1250::fromUnicode(command).constData());
        if (!longer)
            return Failure{Stage::Library, QStringLiteral("out of memory")};
        quote.release();
        quote.reset(longer);
    }
    // After a store, the size the server holds; "*" lets a server without
    // SIZE still complete the store.
    std::unique_ptr<curl_slist, ListDeleter> after;
    if (t.source) {
        const QByteArray size = "*SIZE " + cp1250::fromUnicode(t.remoteName);
        after.reset(curl_slist_append(nullptr, size.constData()));
        if (!after)
            return Failure{Stage::Library, QStringLiteral("out of memory")};
    }

    const FtpTimeouts limits = CurrentFtpTimeouts();
    CURL* c = easy.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    // Active mode only: the server connects back to the address of our end
    // of the control connection. No fall-back to passive mode.
    curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPRT, 0L);
    // Our own CWD (a quote command) instead of the client's path walking,
    // so that the directory is entered exactly as configured and its
    // failure is told apart from the transfer's.
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(c, CURLOPT_QUOTE, quote.get());
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(limits.connectSeconds));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(limits.responseSeconds));
    curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, long(limits.responseSeconds) * 1000L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, long(limits.lowSpeedSeconds));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L); // feeds trace(); prints nothing
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &Transfer::trace);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &t);
    char message[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
    if (!t.commands.isEmpty()) {
        // Only the quoted commands: no file is listed, fetched or stored.
        curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    } else if (t.source) {
        curl_easy_setopt(c, CURLOPT_POSTQUOTE, after.get());
        curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(c, CURLOPT_READFUNCTION, &Transfer::read);
        curl_easy_setopt(c, CURLOPT_READDATA, &t);
        const qint64 size = t.source->size() - t.source->pos();
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
    } else {
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::write);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    }

    bool stopped = false;
    const CURLcode code = perform(c, m_stop, &stopped);
    // The connection closes with the handle, on every path.
    easy.reset();
    if (stopped)
        return Failure{t.stage, QStringLiteral("stopped"), false, true};
    if (code == CURLE_OK)
        return std::nullopt;
    QString detail = QString::fromLocal8Bit(message);
    if (detail.isEmpty())
        detail = QString::fromLatin1(curl_easy_strerror(code));
    // A refused login ends the session before our CWD, but make sure a
    // failure of the CWD itself is never taken for a failed transfer.
    Stage stage = t.stage;
    if (code == CURLE_QUOTE_ERROR && stage != Stage::Transfer)
        stage = Stage::Directory;
    else if (code == CURLE_LOGIN_DENIED || code == CURLE_COULDNT_CONNECT ||
             code == CURLE_COULDNT_RESOLVE_HOST)
        stage = Stage::Login;
    Failure failure{stage, detail, code == CURLE_REMOTE_FILE_NOT_FOUND};
    failure.replyCode = t.refusalCode;
    failure.serverText = QString::fromUtf8(t.refusal);
    failure.libraryCode = int(code);
    return failure;
}

} // namespace publikacja
