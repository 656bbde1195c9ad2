#include "mail/net/LineStream.h"

#include "mail/MailFailureText.h"

#include <QSslConfiguration>

#include <cstring>

namespace nmail {

namespace {

// Unsent bytes a raw write may leave queued before it waits for the socket to take them.
constexpr qint64 WriteBacklog = 256 * 1024;

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

}  // namespace

LineStream::LineStream(ServerAddress server, MailProtocol protocol, ConnectionSettings settings)
    : server_(std::move(server)), protocol_(protocol), settings_(std::move(settings))
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (!settings_.caFile.isEmpty())
        config.setCaCertificates(QSslCertificate::fromPath(settings_.caFile));
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // The floor is ours, not whatever the system's OpenSSL happens to allow.
    config.setProtocol(QSsl::TlsV1_2OrLater);
    socket_.setSslConfiguration(config);
    socket_.setPeerVerifyName(server_.host);
    QObject::connect(&socket_, &QSslSocket::sslErrors, &socket_, [this](const QList<QSslError>& errors) {
        sawCertificateErrors_ = true;
        QStringList problems;
        for (const QSslError& e : errors)
            problems.append(e.errorString());
        untrusted_ = judgeCertificate(settings_.trustFile, server_.display(), socket_.peerCertificate(), false, problems);
        if (!untrusted_)
            socket_.ignoreSslErrors();  // the very certificate the user trusted for this server
    });
}

int LineStream::waitMs() const
{
    return static_cast<int>(std::min<qint64>(settings_.timeout.count(), std::numeric_limits<int>::max()));
}

bool LineStream::fail(MailFailure::Kind kind, const QString& detail)
{
    failure_ = MailFailure::of(kind, protocol_, server_.display(), detail);
    socket_.abort();
    return false;
}

QString LineStream::error() const
{
    return describe(failure_, settings_.timeout);
}

bool LineStream::open()
{
    if (server_.implicitTls)
        socket_.connectToHostEncrypted(server_.host, static_cast<quint16>(server_.port));
    else
        socket_.connectToHost(server_.host, static_cast<quint16>(server_.port));
    if (!socket_.waitForConnected(waitMs()))
        return fail(MailFailure::Kind::Unreachable, socketErrorText(socket_.error(), socket_.errorString()));
    return !server_.implicitTls || handshake();
}

bool LineStream::startTls()
{
    socket_.startClientEncryption();
    return handshake();
}

bool LineStream::handshake()
{
    if (!socket_.waitForEncrypted(waitMs())) {
        if (untrusted_)
            return fail(MailFailure::Kind::Untrusted, untrusted_->problems.join(QStringLiteral("; ")));
        return fail(MailFailure::Kind::Tls, socket_.errorString());
    }
    // A certificate the authorities vouch for still has to be the pinned one, if there is a pin.
    if (!sawCertificateErrors_)
        untrusted_ = judgeCertificate(settings_.trustFile, server_.display(), socket_.peerCertificate(), true, {});
    if (untrusted_)
        return fail(MailFailure::Kind::PinChanged);
    // Whatever came before the handshake is not part of the protected session.
    buffer_.clear();
    position_ = 0;
    return true;
}

void LineStream::write(const QByteArray& line)
{
    socket_.write(line + "\r\n");
}

bool LineStream::writeRaw(const QByteArray& bytes)
{
    socket_.write(bytes);
    while (socket_.bytesToWrite() > WriteBacklog) {
        if (socket_.waitForBytesWritten(waitMs()))
            continue;
        if (socket_.error() == QAbstractSocket::SocketTimeoutError)
            return fail(MailFailure::Kind::Timeout);
        return fail(MailFailure::Kind::Closed, socketErrorText(socket_.error(), socket_.errorString()));
    }
    return true;
}

bool LineStream::fill()
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
            return fail(MailFailure::Kind::Timeout);
        return fail(MailFailure::Kind::Closed, socketErrorText(socket_.error(), socket_.errorString()));
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

std::optional<QByteArray> LineStream::readLine()
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
            fail(MailFailure::Kind::LineTooLong);
            return std::nullopt;
        }
        if (!fill())
            return std::nullopt;
    }
}

bool LineStream::readMultiline(QByteArray& out, qsizetype limit)
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
            return fail(MailFailure::Kind::Oversized);
        if (!fill())
            return false;
    }
}

}  // namespace nmail
