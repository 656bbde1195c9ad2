#include "mail/net/LineStream.h"

#include "mail/MailFailureText.h"

#include <QSslConfiguration>

#include <cstring>

namespace nmail {

namespace {

// Unsent bytes a raw write may leave queued before it waits for the socket to take them.
constexpr qint64 WriteBacklog = 256 * 1024;
// What the socket holds of what the server sent before the reader takes it, and the longest
// piece of one line held before it is passed on.
constexpr qint64 ReadBufferBytes = 1024 * 1024;
constexpr qsizetype LinePieceBytes = 256 * 1024;

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
    // Answers sent ahead (pipelined RETRs) wait in the kernel, not in our memory.
    socket_.setReadBufferSize(ReadBufferBytes);
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
    const qint64 wait = std::max(settings_.timeout, patience_).count();
    return static_cast<int>(std::min<qint64>(wait, std::numeric_limits<int>::max()));
}

void LineStream::startRateWindow()
{
    windowStart_ = std::chrono::steady_clock::now();
    windowBytes_ = 0;
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
    // Waiting is for an answer still coming: one that comes too slowly to ever finish ends here.
    if (std::chrono::steady_clock::now() - windowStart_ >= settings_.rateWindow) {
        if (windowBytes_ < settings_.rateFloorBytes)
            return fail(MailFailure::Kind::TooSlow);
        startRateWindow();
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
    windowBytes_ += std::max<qint64>(got, 0);
    return true;
}

std::optional<QByteArray> LineStream::readLine(std::chrono::milliseconds patience)
{
    startRateWindow();
    patience_ = patience;
    for (;;) {
        const qsizetype end = buffer_.indexOf('\n', position_);
        if (end >= 0) {
            patience_ = {};
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
        if (!fill()) {
            patience_ = {};
            return std::nullopt;
        }
        patience_ = {};  // the first byte came: from now on the ordinary wait
    }
}

bool LineStream::readMultiline(const Sink& sink)
{
    startRateWindow();
    bool taking = true;
    auto pass = [&](const char* data, qsizetype size) {
        if (taking && size > 0)
            taking = sink(data, size);
    };
    // A reader that takes no more ends the session: reading on to the end of an answer that may
    // never end would be a hang of its own.
    auto abandoned = [&] { return !taking && !fail(MailFailure::Kind::Abandoned); };
    bool inLongLine = false;  // inside a line longer than a piece: its rest is taken as it is
    for (;;) {
        const char* data = buffer_.constData();
        const qsizetype size = buffer_.size();
        if (inLongLine && position_ < size) {
            const void* newline = std::memchr(data + position_, '\n', size_t(size - position_));
            const qsizetype end = newline ? static_cast<const char*>(newline) - data + 1 : size;
            pass(data + position_, end - position_);
            position_ = end;
            inLongLine = newline == nullptr;
            if (abandoned())
                return false;
        }
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
            pass(data + position_, end - position_);
            position_ = end;
            if (abandoned())
                return false;
        }
        // A line that does not end within a piece: its start is known, the rest is its text.
        if (!inLongLine && size - position_ > LinePieceBytes) {
            if (data[position_] == '.')
                ++position_;  // the lone "." is short: this one was stuffed
            pass(data + position_, size - position_);
            position_ = size;
            inLongLine = true;
            if (abandoned())
                return false;
        }
        if (!fill())
            return false;
    }
}

bool LineStream::readMultiline(QByteArray& out, qsizetype limit)
{
    bool oversized = false;
    const bool ended = readMultiline([&](const char* data, qsizetype size) {
        oversized = out.size() + size > limit;
        if (!oversized)
            out.append(data, size);
        return !oversized;
    });
    if (oversized)
        failure_.kind = MailFailure::Kind::Oversized;
    return ended;
}

}  // namespace nmail
