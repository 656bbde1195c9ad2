#include "mail/pop3/Pop3Stream.h"

#include "mail/MailOptions.h"

#include <QSslConfiguration>

#include <cstring>

namespace nmail {

namespace {

int waitMs() { return static_cast<int>(std::min<qint64>(options().timeout.count(), std::numeric_limits<int>::max())); }

// Where the next line that begins with "." starts in data[from, to), or to. Searched by the dots:
// base64 has none, text few.
qsizetype nextDotLine(const char* data, qsizetype from, qsizetype to)
{
    for (qsizetype at = from; at < to;) {
        const void* dot = std::memchr(data + at, '.', size_t(to - at));
        if (!dot)
            break;
        const qsizetype found = static_cast<const char*>(dot) - data;
        if (found > from && data[found - 1] == '\n')
            return found;
        at = found + 1;
    }
    return to;
}

QString seconds() { return QString::number((options().timeout.count() + 999) / 1000); }

}  // namespace

Pop3Stream::Pop3Stream(ServerAddress server) : server_(std::move(server))
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (!options().caFile.isEmpty())
        config.setCaCertificates(QSslCertificate::fromPath(options().caFile));
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket_.setSslConfiguration(config);
    socket_.setPeerVerifyName(server_.host);
    QObject::connect(&socket_, &QSslSocket::sslErrors, &socket_, [this](const QList<QSslError>& errors) {
        sawCertificateErrors_ = true;
        QStringList problems;
        for (const QSslError& e : errors)
            problems.append(e.errorString());
        untrusted_ = judgeCertificate(server_.display(), socket_.peerCertificate(), false, problems);
        if (!untrusted_)
            socket_.ignoreSslErrors();  // the very certificate the user trusted for this server
    });
}

bool Pop3Stream::fail(const QString& why)
{
    error_ = QStringLiteral("POP3サーバー %1: %2").arg(server_.display(), why);
    socket_.abort();
    return false;
}

bool Pop3Stream::open()
{
    if (server_.implicitTls)
        socket_.connectToHostEncrypted(server_.host, static_cast<quint16>(server_.port));
    else
        socket_.connectToHost(server_.host, static_cast<quint16>(server_.port));
    if (!socket_.waitForConnected(waitMs()))
        return fail(QStringLiteral("接続できません (%1)").arg(socket_.errorString()));
    return !server_.implicitTls || handshake();
}

bool Pop3Stream::startTls()
{
    socket_.startClientEncryption();
    return handshake();
}

bool Pop3Stream::handshake()
{
    if (!socket_.waitForEncrypted(waitMs())) {
        if (untrusted_)
            return fail(QStringLiteral("証明書を信頼できません (%1)").arg(untrusted_->problems.join(QStringLiteral("; "))));
        return fail(QStringLiteral("TLSで接続できません (%1)").arg(socket_.errorString()));
    }
    // A certificate the authorities vouch for still has to be the pinned one, if there is a pin.
    if (!sawCertificateErrors_)
        untrusted_ = judgeCertificate(server_.display(), socket_.peerCertificate(), true, {});
    if (untrusted_)
        return fail(QStringLiteral("証明書が以前に信頼したものと違います"));
    // Whatever came before the handshake is not part of the protected session.
    buffer_.clear();
    position_ = 0;
    return true;
}

void Pop3Stream::write(const QByteArray& line)
{
    socket_.write(line + "\r\n");
}

bool Pop3Stream::fill()
{
    if (position_ > 0) {
        buffer_.remove(0, position_);
        position_ = 0;
    }
    socket_.flush();
    while (socket_.bytesAvailable() == 0) {
        if (socket_.waitForReadyRead(waitMs()))
            continue;
        if (socket_.error() == QAbstractSocket::SocketTimeoutError)
            return fail(QStringLiteral("応答がありません (%1 秒待ちました)").arg(seconds()));
        return fail(QStringLiteral("接続が切れました (%1)").arg(socket_.errorString()));
    }
    // Read straight behind what is left, without a buffer in between: a large mail passes here
    // in many pieces.
    const qsizetype kept = buffer_.size();
    const qint64 available = socket_.bytesAvailable();
    buffer_.resize(kept + static_cast<qsizetype>(available));
    const qint64 got = socket_.read(buffer_.data() + kept, available);
    buffer_.resize(kept + static_cast<qsizetype>(std::max<qint64>(got, 0)));
    return true;
}

std::optional<QByteArray> Pop3Stream::readLine()
{
    for (;;) {
        const qsizetype end = buffer_.indexOf('\n', position_);
        if (end >= 0) {
            QByteArray line = buffer_.mid(position_, end - position_);
            position_ = end + 1;
            if (line.endsWith('\r'))
                line.chop(1);
            return line;
        }
        // A reply line is short; one that never ends is a server gone astray.
        if (buffer_.size() - position_ > 64 * 1024) {
            fail(QStringLiteral("応答の行が長すぎます"));
            return std::nullopt;
        }
        if (!fill())
            return std::nullopt;
    }
}

bool Pop3Stream::readMultiline(QByteArray& out, qsizetype limit)
{
    for (;;) {
        const char* data = buffer_.constData();
        const qsizetype size = buffer_.size();
        // Whole lines only; the last one may still be arriving.
        const void* lastNewline = size > position_ ? ::memrchr(data + position_, '\n', size_t(size - position_)) : nullptr;
        const qsizetype complete = lastNewline ? static_cast<const char*>(lastNewline) - data + 1 : position_;
        while (position_ < complete) {
            if (data[position_] == '.') {
                const qsizetype next = static_cast<const char*>(std::memchr(data + position_, '\n', size_t(complete - position_))) - data + 1;
                const qsizetype length = next - position_;
                if (length == 2 || (length == 3 && data[position_ + 1] == '\r')) {
                    position_ = next;
                    return true;  // the lone "." that ends the answer
                }
                ++position_;  // a line the server began with an extra "."
            }
            // Every line up to the next one that begins with "." is taken as it is, in one piece.
            const qsizetype end = nextDotLine(data, position_, complete);
            out.append(data + position_, end - position_);
            position_ = end;
        }
        // A line without end counts too: an answer of one endless line is as runaway as any.
        if (out.size() + (buffer_.size() - position_) > limit)
            return fail(QStringLiteral("予告より大幅に大きいデータが送られてきました"));
        if (!fill())
            return false;
    }
}

}  // namespace nmail
