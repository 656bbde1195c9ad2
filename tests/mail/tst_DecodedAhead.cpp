// Base64 bodies decoded while a large mail arrives: whatever the mail looks like, and however the
// bytes are cut on the way in, the attachments written are byte for byte (and loss for loss) the
// ones a mail held in memory gives, which is decoded only after it has arrived; and a clean
// attachment of a large mail is in fact taken from the run decoded ahead.

#include "mail/AttachmentWriter.h"
#include "mail/MailLoss.h"
#include "mail/ParsedMail.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <unistd.h>

using namespace nmail;

namespace {

QByteArray noise(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// Base64 of data in lines of 76 characters, each ended by eol.
QByteArray wrapped(const QByteArray& data, const QByteArray& eol)
{
    const QByteArray encoded = data.toBase64();
    QByteArray lines;
    for (qsizetype at = 0; at < encoded.size(); at += 76)
        lines += encoded.mid(at, 76) + eol;
    return lines;
}

QByteArray part(const QByteArray& header, const QByteArray& body, const QByteArray& eol)
{
    return QByteArray(header).replace("\n", eol) + eol + body;
}

// A mail of the given parts under one boundary, with eol for every line end.
QByteArray multipart(const QList<QByteArray>& parts, const QByteArray& eol)
{
    QByteArray mail = QByteArray("From: a@example.jp\nSubject: big\nMIME-Version: 1.0\n"
                                 "Content-Type: multipart/mixed; boundary=\"b1\"\n\n").replace("\n", eol);
    for (const QByteArray& p : parts)
        mail += "--b1" + eol + p + eol;
    return mail + "--b1--" + eol;
}

QByteArray attachment(const QByteArray& name, const QByteArray& base64, const QByteArray& eol,
                      const QByteArray& encodingLine = "Content-Transfer-Encoding: base64")
{
    return part("Content-Type: application/octet-stream\nContent-Disposition: attachment; filename=\"" + name + "\"\n" +
                    encodingLine + "\n",
                base64, eol);
}

// The mail as it comes off the network: through the collector, in pieces of random size.
std::shared_ptr<const MailBytes> arrived(const QByteArray& mail, const QString& spool, quint32 seed)
{
    QRandomGenerator random(seed);
    MailBytesCollector collector(spool);
    for (qsizetype at = 0; at < mail.size();) {
        const qsizetype piece = std::min<qsizetype>(mail.size() - at, 1 + random.bounded(70000));
        if (!collector.append(mail.constData() + at, piece))
            return nullptr;
        at += piece;
    }
    return collector.finish();
}

struct Written {
    QList<QByteArray> files;
    int losses = 0;
    int result = 0;
};

Written written(const ParsedMail& mail, const QString& folder)
{
    Written w;
    const AttachmentReport report = writeAttachments(mail, folder);
    w.result = report.result;
    w.losses = report.losses;
    for (const QString& path : report.written) {
        QFile f(path);
        w.files.append(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>"));
        QFile::remove(path);
    }
    return w;
}

QByteArray readWhole(NewFile& file)
{
    QByteArray bytes(qsizetype(::lseek(file.descriptor(), 0, SEEK_END)), Qt::Uninitialized);
    return ::pread(file.descriptor(), bytes.data(), size_t(bytes.size()), 0) == bytes.size() ? bytes : QByteArray();
}

}  // namespace

class DecodedAheadTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    const QByteArray big = noise(3 * 1024 * 1024 + 17, 1);
    const QByteArray other = noise(2 * 1024 * 1024 + 2, 2);

private slots:
    void aLargeMailGivesWhatTheMailInMemoryGives_data()
    {
        QTest::addColumn<QByteArray>("mail");
        QTest::addColumn<int>("attachments");
        const QByteArray crlf = "\r\n", lf = "\n";
        const QByteArray text = part("Content-Type: text/plain; charset=us-ascii\n", "see the files" + crlf, crlf);
        QTest::newRow("text, then a clean attachment")
            << multipart({text, attachment("a.bin", wrapped(big, crlf), crlf)}, crlf) << 1;
        QTest::newRow("LF line ends")
            << multipart({part("Content-Type: text/plain\n", "hi\n", lf), attachment("a.bin", wrapped(big, lf), lf)}, lf) << 1;
        QTest::newRow("two attachments, the field in capitals")
            << multipart({attachment("a.bin", wrapped(big, crlf), crlf, "CONTENT-TRANSFER-ENCODING: BASE64"),
                          attachment("b.bin", wrapped(other, crlf), crlf)}, crlf)
            << 2;
        QByteArray foreign = wrapped(big, crlf);
        foreign.insert(foreign.size() / 2, "!*");
        QTest::newRow("a character base64 has no place for, mid-body")
            << multipart({attachment("a.bin", foreign, crlf)}, crlf) << 1;
        QByteArray padded = wrapped(big.left(1000000), crlf);
        padded.insert(padded.indexOf("\r\n") + 2, "QQ==\r\n");
        QTest::newRow("padding mid-body") << multipart({attachment("a.bin", padded + wrapped(big, crlf), crlf)}, crlf) << 1;
        QTest::newRow("the field folded over two lines")
            << multipart({attachment("a.bin", wrapped(big, crlf), crlf, "Content-Transfer-Encoding:\n base64")}, crlf) << 1;
        QTest::newRow("a text that quotes the field and a base64 line")
            << multipart({part("Content-Type: text/plain\n",
                               "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\nthat was all\r\n", crlf),
                          attachment("a.bin", wrapped(big, crlf), crlf)}, crlf)
            << 1;
        QTest::newRow("one attachment as the whole mail")
            << QByteArray("From: a@example.jp\r\nContent-Type: application/pdf; name=\"x.pdf\"\r\n"
                          "Content-Disposition: attachment\r\nContent-Transfer-Encoding: base64\r\n\r\n")
                   + wrapped(big, crlf)
            << 1;
        const QByteArray inner = "Content-Type: multipart/mixed; boundary=\"b2\"\r\n\r\n--b2\r\n" +
                                 attachment("inner.bin", wrapped(other, crlf), crlf) + "\r\n--b2--\r\n";
        QTest::newRow("a forwarded mail's attachment")
            << multipart({part("Content-Type: message/rfc822\n", "From: b@example.jp\r\nSubject: fw\r\n" + inner, crlf)}, crlf)
            << 1;
    }
    void aLargeMailGivesWhatTheMailInMemoryGives()
    {
        QFETCH(QByteArray, mail);
        QFETCH(int, attachments);
        const Written inMemory = written(ParsedMail(mail), dir.path());
        QCOMPARE(inMemory.files.size(), attachments);
        for (quint32 seed : {1u, 2u, 3u}) {
            const std::shared_ptr<const MailBytes> bytes = arrived(mail, dir.path(), seed);
            QVERIFY(bytes);
            const Written large = written(ParsedMail(bytes), dir.path());
            QCOMPARE(large.result, inMemory.result);
            QCOMPARE(large.losses, inMemory.losses);
            QCOMPARE(large.files.size(), inMemory.files.size());
            for (qsizetype i = 0; i < large.files.size(); ++i)
                QVERIFY2(large.files[i] == inMemory.files[i], qPrintable(QStringLiteral("attachment %1, seed %2").arg(i).arg(seed)));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The point of it: the attachment of a large mail is ready when the mail has arrived, and
    // only there, in the folder it was decoded in.
    void aCleanAttachmentIsDecodedAhead()
    {
        const QByteArray crlf = "\r\n";
        const QByteArray mail = multipart({part("Content-Type: text/plain\n", "hi" + crlf, crlf),
                                           attachment("a.bin", wrapped(big, crlf), crlf)}, crlf);
        const std::shared_ptr<const MailBytes> bytes = arrived(mail, dir.path(), 7);
        const ParsedMail parsed(bytes);
        const MailLeaf& leaf = parsed.leaves().back();
        QCOMPARE(leaf.role, MailLeaf::Role::Attachment);
        bool clean = false;
        QVERIFY(!parsed.takeDecodedAhead(leaf, dir.path() + QStringLiteral("/elsewhere"), &clean));
        std::unique_ptr<NewFile> file = parsed.takeDecodedAhead(leaf, dir.path() + u'/', &clean);
        QVERIFY(file);
        QVERIFY(clean);
        QVERIFY(readWhole(*file) == big);
        QVERIFY(!parsed.takeDecodedAhead(leaf, dir.path(), &clean));  // handed out once
        QVERIFY(!parsed.takeDecodedAhead(parsed.leaves().front(), dir.path(), &clean));
    }

    // Every run holds a file open until the mail is written out: a mail of many large parts gets
    // no more than sixteen, and the rest of its parts are decoded afterwards.
    void aMailOfManyPartsKeepsFewFilesOpen()
    {
        const QByteArray crlf = "\r\n";
        const QByteArray body = big.left(1100000);
        QList<QByteArray> parts;
        for (int i = 0; i < 20; ++i)
            parts.append(attachment("p" + QByteArray::number(i) + ".bin", wrapped(body, crlf), crlf));
        const QByteArray mail = multipart(parts, crlf);
        const ParsedMail parsed(arrived(mail, dir.path(), 3));
        int ahead = 0;
        for (const MailLeaf& leaf : parsed.leaves()) {
            bool clean = false;
            if (std::unique_ptr<NewFile> file = parsed.takeDecodedAhead(leaf, dir.path(), &clean)) {
                ++ahead;
                QVERIFY(readWhole(*file) == body);
            }
        }
        QCOMPARE(ahead, 16);
        const Written all = written(ParsedMail(arrived(mail, dir.path(), 4)), dir.path());
        QCOMPARE(all.files.size(), 20);
        QCOMPARE(all.files.count(body), 20);
    }

    // The spool file and the runs nobody took are closed once the mail is let go, though on
    // another thread.
    void aLargeMailClosesItsFilesWhenLetGo()
    {
        auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); };
        QThreadPool::globalInstance()->waitForDone();
        const qsizetype before = openFiles();
        std::shared_ptr<const MailBytes> bytes =
            arrived(multipart({attachment("a.bin", wrapped(big, "\r\n"), "\r\n")}, "\r\n"), dir.path(), 5);
        QVERIFY(bytes && bytes->file());
        QVERIFY(openFiles() >= before + 2);
        bytes.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(openFiles(), before);
    }
};

QTEST_MAIN(DecodedAheadTest)
#include "tst_DecodedAhead.moc"
