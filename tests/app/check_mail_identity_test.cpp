// "受信" against servers whose UIDLs do not name one mail each: two mails with one id, ids used
// again once the mails that had them are gone, a server that answered QUIT but whose "+OK" was
// lost. A mail is deleted without being stored only when it is, byte for byte, a mail whose
// record is in the history; in any doubt it is stored again. Also what a check that died leaves:
// a record cut off in the middle, files of a mail whose record never came.

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "mail/HeaderDigest.h"
#include "store/HistoryFile.h"
#include "CheckMailProgram.h"
#include "ScriptedServer.h"

#include <QLabel>
#include <QUrl>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

const QString User = QStringLiteral("ident");
const QByteArray JournalFile = "★MAilData/pop3-receive-journal.txt";

QByteArray mail(const QByteArray& subject, const QByteArray& messageId)
{
    return "Received: from mx.example.jp by pop.example.jp; Tue, 8 Dec 2026 09:00:00 +0900\r\nFrom: sender@example.jp\r\n"
           "Subject: " + subject + "\r\nMessage-ID: <" + messageId + "@example.jp>\r\n"
           "Date: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\ntext of " + subject + "\r\n";
}

QByteArray headerOf(const QByteArray& whole) { return whole.left(whole.indexOf("\r\n\r\n") + 4); }

struct Listed {
    QByteArray uidl;
    QByteArray mail;
    int size = 100;  // what LIST claims: the same for every mail unless a case says otherwise
};

// The greeting, capabilities, login and listing of a session that offers the given mails.
QByteArrayList opening(const QList<Listed>& mails, bool top = true)
{
    QByteArrayList script = {"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: UIDL"};
    if (top)
        script += "S: TOP";
    script += {"S: .", "C: USER ident", "S: +OK", "C: PASS secret-ident", "S: +OK", "C: LIST", "S: +OK"};
    for (qsizetype i = 0; i < mails.size(); ++i)
        script += "S: " + QByteArray::number(i + 1) + ' ' + QByteArray::number(mails[i].size);
    script += {"S: .", "C: UIDL", "S: +OK"};
    for (qsizetype i = 0; i < mails.size(); ++i)
        script += "S: " + QByteArray::number(i + 1) + ' ' + mails[i].uidl;
    return script + QByteArrayList{"S: ."};
}

QByteArrayList retrieve(int n, const QByteArray& whole)
{
    return {"C: RETR " + QByteArray::number(n), "S: +OK", "P: " + whole, "S: ."};
}
QByteArrayList top(int n, const QByteArray& whole)
{
    return {"C: TOP " + QByteArray::number(n) + " 0", "S: +OK", "P: " + headerOf(whole), "S: ."};
}
QByteArrayList dele(int n) { return {"C: DELE " + QByteArray::number(n), "S: +OK"}; }
const QByteArrayList Quit = {"C: QUIT", "S: +OK"};
// The server commits the deletions, but its answer never arrives.
const QByteArrayList QuitAnswerLost = {"C: QUIT", "DROP"};

}  // namespace

class CheckMailIdentityTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CheckMailProgram> p;

    QStringList subjects() const
    {
        QStringList list;
        for (const store::HistoryRecord& record : p->receivedRecords())
            list.append(record.Subject.trimmed());
        return list;
    }
    QString label() { return p->forms.mainForm().Label2->text(); }
    void checkWith(const ScriptedServer& server)
    {
        if (!p)
            p = CheckMailProgram::withAccount(server.address(), User);
        p->allowUnencryptedLogin(server.address());
        p->state.account.Pop3Server = server.address();
        CheckMail(p->forms);
    }

private slots:
    void init() { p.reset(); }

    // popa3d gives mails with identical headers one UIDL. A check cut after the first of them was
    // stored must not let the next check delete both while storing one.
    void sharedUidlAfterACutLosesNoMail()
    {
        const QByteArray a = mail("twin", "same"), b = mail("twin", "same") + "second\r\n";
        const QList<Listed> box = {{"shared", a}, {"shared", b}};
        ScriptedServer server({opening(box) + retrieve(1, a) + QByteArrayList{"C: RETR 2", "S: +OK", "DROP"},
                               opening(box) + retrieve(1, a) + retrieve(2, b) + dele(1) + dele(2) + Quit});
        checkWith(server);
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        // The first mail twice (it could not be told apart), the second once.
        QCOMPARE(p->receivedRecords().size(), 3);
        QVERIFY(p->receivedRecords().last().Body.contains(QStringLiteral("second")));
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
    }

    // A server that numbers its UIDLs commits at QUIT, but the "+OK" is lost; the next check
    // finds two new mails under the old ids, with the same listed sizes.
    void uidlsReusedAfterALostQuitAnswerAreNewMail()
    {
        const QByteArray a = mail("first", "a"), b = mail("second", "b"), c = mail("third", "c"), d = mail("fourth", "d");
        ScriptedServer server({opening({{"1", a}, {"2", b}}) + retrieve(1, a) + retrieve(2, b) + dele(1) + dele(2) + QuitAnswerLost,
                               opening({{"1", c}, {"2", d}}) + top(1, c) + top(2, d) + retrieve(1, c) + retrieve(2, d)
                                   + dele(1) + dele(2) + Quit});
        checkWith(server);
        QCOMPARE(subjects(), (QStringList{"first", "second"}));
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(subjects(), (QStringList{"first", "second", "third", "fourth"}));
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
        QVERIFY(!QFile::exists(p->program.file(QString::fromUtf8(JournalFile))));
    }

    // The same, but the server did not commit: the mails are still there and are known by id,
    // size and header, through TOP or, where the server refuses TOP, through RETR.
    void mailsStillThereAfterALostQuitAnswerAreNotStoredTwice_data()
    {
        QTest::addColumn<bool>("topRefused");
        QTest::newRow("TOP") << false;
        QTest::newRow("TOP refused") << true;
    }
    void mailsStillThereAfterALostQuitAnswerAreNotStoredTwice()
    {
        QFETCH(bool, topRefused);
        const QByteArray a = mail("first", "a"), b = mail("second", "b");
        const QList<Listed> box = {{"1", a}, {"2", b}};
        QByteArrayList second = opening(box);
        second += topRefused ? QByteArrayList{"C: TOP 1 0", "S: -ERR no"} + retrieve(1, a) : top(1, a);
        second += dele(1);
        second += topRefused ? QByteArrayList{"C: TOP 2 0", "S: -ERR no"} + retrieve(2, b) : top(2, b);
        ScriptedServer server({opening(box) + retrieve(1, a) + retrieve(2, b) + dele(1) + dele(2) + QuitAnswerLost,
                               second + dele(2) + Quit});
        checkWith(server);
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(subjects(), (QStringList{"first", "second"}));
        QCOMPARE(label(), QStringLiteral("新着メール無し。"));
    }

    // A listed size that differs from the one stored means another mail, whatever its id says.
    void sameIdWithAnotherSizeIsStored()
    {
        const QByteArray a = mail("first", "a"), b = mail("other", "b");
        ScriptedServer server({opening({{"1", a, 100}}) + retrieve(1, a) + dele(1) + QuitAnswerLost,
                               opening({{"1", b, 101}}) + retrieve(1, b) + dele(1) + Quit});
        checkWith(server);
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(subjects(), (QStringList{"first", "other"}));
    }

    // The program died while writing a record: the history ends in a part of one. The part
    // belongs to a mail still on the server and is cut off before the next record goes in.
    void recordCutOffInTheMiddleIsRemovedBeforeAppending()
    {
        const QByteArray a = mail("whole", "w");
        ScriptedServer server({opening({{"w", a}}) + retrieve(1, a) + dele(1) + Quit});
        p = CheckMailProgram::withAccount(server.address(), User);
        p->allowUnencryptedLogin(server.address());
        const QString path = store::historyPath(p->program.folder(), store::HistoryKind::Received);
        store::HistoryRecord earlier;
        earlier.Subject = QStringLiteral("earlier");
        QVERIFY(store::writeRecord(path, 1, earlier).ok);
        {
            QFile history(path);
            QVERIFY(history.open(QIODevice::Append));
            history.write(QByteArray(16308, 'x'));
        }
        checkWith(server);
        QCOMPARE(QFileInfo(path).size(), 2 * store::HistoryRecordSize);
        QCOMPARE(subjects(), (QStringList{"earlier", "whole"}));
    }

    // The journal of a check that died after its mail's attachment file was named and its
    // record announced, but before the record was written (its digest is not that of record 1):
    // the mail is stored again, and the file of the unfinished attempt does not stay beside the
    // new one as "name (2)". A file of another mail that had a name the attempt tried (its inode
    // is another) stays.
    void mailJournalledWithoutItsRecordIsStoredAgain()
    {
        const QByteArray a = mail("again", "g");
        ScriptedServer server({opening({{"g", a}}) + retrieve(1, a) + dele(1) + Quit});
        p = CheckMailProgram::withAccount(server.address(), User);
        p->allowUnencryptedLogin(server.address());
        p->program.write(QStringLiteral("添付フォルダ/left over.bin"), "half");
        p->program.write(QStringLiteral("添付フォルダ/taken.bin"), "another mail's");
        auto inode = [this](const char* name) {
            struct stat info {};
            ::stat(QFile::encodeName(p->program.file(QStringLiteral("添付フォルダ/") + QString::fromUtf8(name))).constData(), &info);
            return QByteArray::number(quint64(info.st_ino));
        };
        const QByteArray account = QUrl::toPercentEncoding(User + u'@' + server.address());
        p->program.write(QString::fromUtf8(JournalFile),
                         "tessaly receive journal 1\naccount " + account + "\nmail " + QByteArray("g").toHex() + " 100 "
                             + nmail::mailHeaderDigest(a) + "\nfile taken.bin " + QByteArray::number(inode("taken.bin").toULongLong() + 1)
                             + "\nfile left%20over.bin " + inode("left over.bin") + "\nrecord 1 " + QByteArray(64, '0') + "\n");
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(subjects(), (QStringList{"again"}));
        QVERIFY(!QFile::exists(p->program.file(QStringLiteral("添付フォルダ/left over.bin"))));
        QCOMPARE(p->program.read(QStringLiteral("添付フォルダ/taken.bin")), QByteArray("another mail's"));
    }

    // A server that refuses one mail (a lock, a damaged file) while the session goes on: that
    // mail stays, the user is told which, and every other mail comes in.
    void mailTheServerRefusesStaysAndTheRestComeIn()
    {
        const QByteArray a = mail("kept back", "k"), b = mail("taken", "t");
        ScriptedServer server({opening({{"k", a}, {"t", b}}) + QByteArrayList{"C: RETR 1", "S: -ERR cannot read"}
                               + retrieve(2, b) + dele(2) + Quit});
        checkWith(server);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(subjects(), (QStringList{"taken"}));
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QVERIFY2(p->seams.messages.shown.first().text.contains(QStringLiteral("cannot read")),
                 qPrintable(p->seams.messages.shown.first().text));
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
    }
};

QTEST_MAIN(CheckMailIdentityTest)
#include "check_mail_identity_test.moc"
