// "受信" of mail that no number of the server's describes, and of mail larger than a record: a
// listed size of 0, of three quarters or of 4 GiB is only a claim; a server that sends a byte
// at a time gives the window back; a subject or sender longer than its field is kept whole in
// the server's copy; ten thousand attachments of one name all get a file; the scratch file is
// never written through a link or blocked on by a FIFO; what a check writes is the user's alone.

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "mail/MailOptions.h"
#include "store/HistoryFile.h"
#include "CheckMailProgram.h"
#include "ScriptedServer.h"

#include <QDir>
#include <QLabel>
#include <QtTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString User = QStringLiteral("limits");

QByteArrayList opening(const QByteArray& listedSize)
{
    return {"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: UIDL", "S: .", "C: USER limits", "S: +OK",
            "C: PASS secret-limits", "S: +OK", "C: LIST", "S: +OK", "S: 1 " + listedSize, "S: .",
            "C: UIDL", "S: +OK", "S: 1 only", "S: ."};
}

QByteArrayList retrieveAndDelete(const QByteArray& mail)
{
    return {"C: RETR 1", "S: +OK", "P: " + mail, "S: .", "C: DELE 1", "S: +OK", "C: QUIT", "S: +OK"};
}

QByteArray plainMail(const QByteArray& subject, const QByteArray& from, const QByteArray& text)
{
    return "From: " + from + "\r\nSubject: " + subject + "\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\n" + text;
}

QByteArray withAttachments(int count, const QByteArray& name)
{
    QByteArray mail = "From: sender@example.jp\r\nSubject: many\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n"
                      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                      "--b\r\nContent-Type: text/plain\r\n\r\nsee the files\r\n";
    for (int i = 0; i < count; ++i)
        mail += "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"" + name
                + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + QByteArray::number(i).toBase64() + "\r\n";
    return mail + "--b--\r\n";
}

}  // namespace

class CheckMailLimitsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CheckMailProgram> p;

    void checkWith(const ScriptedServer& server)
    {
        p = CheckMailProgram::withAccount(server.address(), User);
        p->allowUnencryptedLogin(server.address());
        QVERIFY(p);
        CheckMail(p->forms);
    }
    QString label() { return p->forms.mainForm().Label2->text(); }
    QStringList attachmentFolder() const
    {
        return QDir(p->program.file(QStringLiteral("添付フォルダ"))).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void cleanup() { p.reset(); }

    // Exchange lists estimates, some servers 0; a lying server lists 4 GiB for 3 KB. None of it
    // sizes a buffer or refuses the mail, so no later check is stopped at it either.
    void listedSizeIsOnlyAClaim_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("listed");
        const QByteArray large = QByteArray("a line of the text of a large mail\r\n").repeated(80000);  // 2.8 MB
        QTest::newRow("0 for 2.8 MB") << large << QByteArray("0");
        QTest::newRow("three quarters") << large << QByteArray::number(large.size() * 3 / 4);
        QTest::newRow("4 GiB for 3 KB") << QByteArray("short\r\n").repeated(400) << QByteArray("4294967296");
    }
    void listedSizeIsOnlyAClaim()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, listed);
        ScriptedServer server({opening(listed) + retrieveAndDelete(plainMail("claimed", "sender@example.jp", text))});
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(p->receivedRecords().size(), 1);
        QVERIFY(p->receivedRecords().first().Body.startsWith(QString::fromLatin1(text.left(200))));
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
    }

    // A byte every 30 ms is far below the floor of 4 KB in every window (shortened here to one
    // second): the check ends, says why, and the next check takes the mail once.
    void dripEndsTheCheckAndTheNextOneTakesTheMail()
    {
        nmail::options().rateWindow = std::chrono::seconds(1);
        const QByteArray mail = plainMail("dripped", "sender@example.jp", "text\r\n");
        QByteArrayList drip = opening("100") + QByteArrayList{"C: RETR 1", "S: +OK"};
        for (const char c : mail)
            drip += "P: " + QByteArray(1, c);
        ScriptedServer server({drip, opening("100") + retrieveAndDelete(mail)});
        checkWith(server);
        QCOMPARE(p->shownTexts().size(), 1);
        QVERIFY2(p->shownTexts().first().contains(QStringLiteral("応答が遅すぎます")), qPrintable(p->shownTexts().first()));
        QCOMPARE(label(), QStringLiteral("受信できませんでした。"));
        QCOMPARE(p->receivedRecords().size(), 0);
        CheckMail(p->forms);
        nmail::options().rateWindow = std::chrono::seconds(30);
        QCOMPARE(p->receivedRecords().size(), 1);
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
    }

    // What a record field cuts (a 212-character subject, a sender whose address goes past 90
    // bytes) is kept in the server's copy, which the record's last line names.
    void fieldsLongerThanTheRecordKeepTheRawMail()
    {
        const QByteArray subject = "Deadline " + QByteArray("x").repeated(200) + " 12/24";
        const QByteArray from = "\"Taro Yamada, Sales Division\" <taro.yamada.sales-division-east@mail.example-corporation.co.jp>";
        const QByteArray mail = plainMail(subject, from, "text\r\n");
        ScriptedServer server({opening("100") + retrieveAndDelete(mail)});
        checkWith(server);
        const store::HistoryRecord record = p->receivedRecords().value(0);
        QCOMPARE(record.Subject.trimmed(), QString::fromLatin1(subject.left(100)));
        const QStringList kept = attachmentFolder().filter(QStringLiteral(".eml"));
        QCOMPARE(kept.size(), 1);
        QVERIFY2(record.Body.contains(kept.first()), qPrintable(record.Body));
        QCOMPARE(p->program.read(QStringLiteral("添付フォルダ/") + kept.first()), mail);
    }

    // 10005 attachments named alike: every one gets a file of its own ("f (10005).dat" the last),
    // and the mail is stored.
    void namesNeverRunOut()
    {
        ScriptedServer server({opening("100") + retrieveAndDelete(withAttachments(10005, "f.dat"))});
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(p->receivedRecords().size(), 1);
        const QStringList files = attachmentFolder();
        QCOMPARE(files.filter(QRegularExpression(QStringLiteral("^f( \\(\\d+\\))?\\.dat$"))).size(), 10005);
        QCOMPARE(p->program.read(QStringLiteral("添付フォルダ/f (10005).dat")), QByteArray("10004"));
    }

    // A link at the scratch file's name is removed, never written through; a FIFO there would
    // block the check for ever. Everything the check writes is readable by the user only, even
    // under a umask that lets others read.
    void scratchFileAndFilesOfTheCheckAreTheUsersOwn_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("link") << false;
        QTest::newRow("FIFO") << true;
    }
    void scratchFileAndFilesOfTheCheckAreTheUsersOwn()
    {
        QFETCH(bool, fifo);
        const QByteArray text = QByteArray("long text line\r\n").repeated(2000);  // kept whole as well
        QByteArray mail = withAttachments(1, "photo.jpg");
        mail.replace("see the files", text);
        ScriptedServer server({opening("100") + retrieveAndDelete(mail)});
        p = CheckMailProgram::withAccount(server.address(), User);
        p->allowUnencryptedLogin(server.address());
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("target"));
        QVERIFY(QFile(target).open(QIODevice::WriteOnly));
        const QByteArray scratch = QFile::encodeName(p->program.file(QStringLiteral("添付フォルダ/0.txt")));
        QVERIFY(fifo ? ::mkfifo(scratch.constData(), 0644) == 0 : QFile::link(target, QString::fromUtf8(scratch)));
        const mode_t before = ::umask(022);
        CheckMail(p->forms);
        ::umask(before);
        QCOMPARE(QFileInfo(target).size(), 0);
        QCOMPARE(p->receivedRecords().size(), 1);
        QVERIFY(!QFileInfo::exists(QString::fromUtf8(scratch)) && !QFileInfo(QString::fromUtf8(scratch)).isSymLink());
        QStringList written = attachmentFolder();
        QCOMPARE(written.size(), 2);  // the attachment and the kept mail
        for (QString& name : written)
            name = p->program.file(QStringLiteral("添付フォルダ/") + name);
        written.append(store::historyPath(p->program.folder(), store::HistoryKind::Received));
        for (const QString& path : written) {
            struct stat info {};
            QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
            QVERIFY2((info.st_mode & 077) == 0, qPrintable(path));
        }
    }
};

QTEST_MAIN(CheckMailLimitsTest)
#include "check_mail_limits_test.moc"
