#include "app/ReceivedFiles.h"

#include "platform/Cp932.h"
#include "platform/TextFields.h"
#include "store/KeptMailLine.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>

ScratchFile::ScratchFile(const QString& attachmentFolder)
    : path_(QDir(attachmentFolder).filePath(QStringLiteral("0.txt"))), file_(path_)
{
}

ScratchFile::~ScratchFile()
{
    file_.close();
    QFile::remove(path_);
}

QByteArray ScratchFile::write(const QByteArray& header, const QByteArray& text)
{
    const QByteArray contents = header + "\r\n" + text + "\r\n";
    // Rewriting one file in place costs far less than creating and deleting one per mail.
    if (file_.isOpen() || file_.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        const qint64 before = file_.size();
        file_.seek(0);
        file_.write(contents);
        if (contents.size() < before)
            file_.resize(contents.size());
    }
    QByteArray whole;
    whole.reserve(contents.size() + 1);
    for (QByteArray line : contents.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        whole += line;
        whole += "\r\n";
    }
    // split() gives one empty piece after the final line end.
    whole.chop(2);
    whole += '\0';
    return whole;
}

// The name belongs to the mail, not to its place in the history, so it stays true when records
// before it are deleted; the same mail fetched again (its deletion never reached the server)
// finds its own file already there.
QString keepRawMail(const QString& folder, const QByteArray& raw, const QString& date)
{
    const QDateTime sent = QDateTime::fromString(date.simplified(), Qt::RFC2822Date);
    const QString stem = QStringLiteral("mail-%1-%2")
                             .arg(sent.isValid() ? sent.toString(QStringLiteral("yyyyMMdd-HHmmss")) : QStringLiteral("undated"),
                                  QString::fromLatin1(QCryptographicHash::hash(raw, QCryptographicHash::Sha1).toHex().left(10)));
    QString name = stem + QStringLiteral(".eml");
    for (int n = 2;; ++n) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::NewOnly | QIODevice::WriteOnly)) {
            if (file.write(raw) == raw.size() && file.flush())
                return name;
            file.remove();  // a part of the mail on a full disk would look like the whole of it
            return {};
        }
        if (!file.exists() || n > 9999)
            return {};
        if (file.open(QIODevice::ReadOnly) && file.readAll() == raw)
            return name;
        name = stem + QStringLiteral(" (%1).eml").arg(n);
    }
}

QString withKeptMailLine(const QByteArray& text, const QString& note, const QString& fileName, qsizetype bodyBytes)
{
    const QString line = store::keptMailLine(fileName);
    const qsizetype room = bodyBytes - cp932::encode(note).size() - cp932::encode(line).size() - 2;
    const QString body = cp932::decode(textfields::cutBytes(cp932::decode(text), room)) + note;
    return body + (body.endsWith(QStringLiteral("\r\n")) ? QString() : QStringLiteral("\r\n")) + line;
}
