#include "app/receive/ReceiveJournal.h"

#include "platform/Digest.h"
#include "platform/FileReplace.h"
#include "platform/TextFields.h"
#include "store/HistoryRecord.h"

#include <QUrl>

#include <unistd.h>

namespace {

const QByteArray Heading = "tessaly receive journal 1";
constexpr auto OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QByteArray accountLine(const QString& account) { return "account " + QUrl::toPercentEncoding(account); }

QByteArray mailLine(const MailIdentity& id)
{
    return "mail " + (id.uidl.isEmpty() ? QByteArray("-") : id.uidl.toHex()) + ' ' + QByteArray::number(id.listedSize)
           + ' ' + id.headerDigest;
}

QByteArray fileLine(const JournalledFile& file)
{
    return "file " + QUrl::toPercentEncoding(file.name) + ' ' + QByteArray::number(file.inode);
}

QByteArray recordLine(int number, const QByteArray& digest) { return "record " + QByteArray::number(number) + ' ' + digest; }

// The entries of a journal's lines. A line that was being written when the program died has no
// line end and is not read.
QList<JournalledMail> parse(const QByteArray& text, const QString& account)
{
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();  // what follows the last line end: empty, or a torn line
    if (lines.size() < 2 || lines[0] != Heading || lines[1] != accountLine(account))
        return {};
    QList<JournalledMail> mails;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QList<QByteArray> words = lines[i].split(' ');
        if (words.size() == 4 && words[0] == "mail") {
            bool ok = false;
            const qint64 size = words[2].toLongLong(&ok);
            const QByteArray uidl = words[1] == "-" ? QByteArray() : QByteArray::fromHex(words[1]);
            mails.append({{uidl, ok ? size : -1, words[3]}, {}, 0, {}});
        } else if (mails.isEmpty()) {
            continue;  // nothing to belong to
        } else if (words.size() == 3 && words[0] == "file") {
            mails.last().files.append({QUrl::fromPercentEncoding(words[1]), words[2].toULongLong()});
        } else if (words.size() == 3 && words[0] == "record") {
            mails.last().record = words[1].toInt();
            mails.last().recordDigest = words[2];
        }
    }
    return mails;
}

}  // namespace

ReceiveJournal::ReceiveJournal(QString path, QString account) : path_(std::move(path)), account_(std::move(account))
{
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly))
        earlier_ = parse(file.readAll(), account_);
}

QByteArray ReceiveJournal::recordDigest(const QByteArray& recordBytes)
{
    // The body is stored trimmed: the spaces after it are padding, the same for every record of
    // that text, so they are left out of the digest (most of a record is padding) and the
    // record's length stands for them.
    const QByteArrayView content = textfields::withoutPadding(
        QByteArrayView(recordBytes).chopped(std::min<qsizetype>(4, recordBytes.size())), store::HeadingSize);
    digest::Hash hash(digest::Algorithm::Sha256);
    hash.add(content);
    hash.add(QByteArray::number(recordBytes.size()));
    hash.add(QByteArrayView(recordBytes).last(std::min<qsizetype>(4, recordBytes.size())));
    return hash.result().toHex();
}

bool ReceiveJournal::start(const QList<JournalledMail>& carried, QString* error)
{
    QByteArray text = Heading + '\n' + accountLine(account_) + '\n';
    for (const JournalledMail& mail : carried) {
        text += mailLine(mail.identity) + '\n';
        for (const JournalledFile& file : mail.files)
            text += fileLine(file) + '\n';
        if (mail.record > 0)
            text += recordLine(mail.record, mail.recordDigest) + '\n';
    }
    // The earlier entries are either all in the new file or the old file stays as it was.
    QString why;
    if (!replaceFile(path_, text, &why, OwnerOnly)) {
        *error = QStringLiteral("%1: %2").arg(path_, why);
        return false;
    }
    file_.setFileName(path_);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = QStringLiteral("%1: %2").arg(path_, file_.errorString());
        return false;
    }
    return true;
}

bool ReceiveJournal::flush(QString* error)
{
    // Unbuffered file: what is written is in the file (the kernel's, at least) at once.
    if (file_.isOpen() && file_.write(waiting_) == waiting_.size()) {
        waiting_.clear();
        return true;
    }
    *error = QStringLiteral("%1: %2").arg(path_, file_.errorString());
    return false;
}

// A line that announces a mail or its record needs to be in the file only before a file is named
// for the mail, and before records are written: it waits until then, and many go in one write.
bool ReceiveJournal::beginMail(const MailIdentity& identity, QString*)
{
    waiting_ += mailLine(identity) + '\n';
    return true;
}

bool ReceiveJournal::fileNaming(const JournalledFile& file, QString* error)
{
    waiting_ += fileLine(file) + '\n';
    return flush(error);
}

bool ReceiveJournal::recordPlanned(int number, const QByteArray& digest, QString*)
{
    waiting_ += recordLine(number, digest) + '\n';
    return true;
}

bool ReceiveJournal::sync(QString* error)
{
    if (!flush(error))
        return false;
    if (::fdatasync(file_.handle()) == 0)
        return true;
    *error = QStringLiteral("%1: %2").arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

void ReceiveJournal::forget()
{
    file_.close();
    earlier_.clear();
    QFile::remove(path_);
}
