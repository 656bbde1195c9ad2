// The receive journal byte by byte: what a check writes before each step, what the next one
// reads back of it (a line torn by a kill is not read; another account's lines do not count),
// and that a confirmed end leaves nothing behind.

#include "app/receive/ReceiveJournal.h"
#include "TempProgramFolder.h"

#include <QFile>
#include <QTest>

namespace {

const QString Account = QStringLiteral("taro@pop.example.jp:995");
const QByteArray Heading = "tessaly receive journal 1\naccount taro%40pop.example.jp%3A995\n";

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ReceiveJournalTest : public QObject {
    Q_OBJECT

    TempProgramFolder program;
    QString path() const { return program.file(QStringLiteral("★MAilData/pop3-receive-journal.txt")); }

private slots:
    void init() { QFile::remove(path()); }

    void linesAreWrittenBeforeTheirStepsAndReadBack()
    {
        const MailIdentity first{"uid 1\xe3\x81\x82", 2048, QByteArray(64, 'a')};
        QString error;
        {
            ReceiveJournal journal(path(), Account);
            QVERIFY(journal.earlier().isEmpty());
            QVERIFY(journal.start({}, &error));
            QVERIFY(journal.beginMail(first, &error));
            QVERIFY(journal.fileNaming({QStringLiteral("見積 書.pdf"), 4711}, &error));
            QVERIFY(journal.recordPlanned(3, QByteArray(64, 'b'), &error));
            QVERIFY(journal.beginMail({{}, 10, QByteArray(64, 'c')}, &error));
            QVERIFY(journal.sync(&error));
        }
        QCOMPARE(read(path()), Heading + "mail 7569642031e38182 2048 " + QByteArray(64, 'a') + "\n"
                                   "file %E8%A6%8B%E7%A9%8D%20%E6%9B%B8.pdf 4711\n"
                                   "record 3 " + QByteArray(64, 'b') + "\nmail - 10 " + QByteArray(64, 'c') + "\n");
        const ReceiveJournal next(path(), Account);
        QCOMPARE(next.earlier().size(), 2);
        const JournalledMail& mail = next.earlier().first();
        QCOMPARE(mail.identity, first);
        QCOMPARE(mail.files, (QList<JournalledFile>{{QStringLiteral("見積 書.pdf"), 4711}}));
        QCOMPARE(mail.record, 3);
        QCOMPARE(mail.recordDigest, QByteArray(64, 'b'));
        QCOMPARE(next.earlier().last().identity.uidl, QByteArray());
        QCOMPARE(next.earlier().last().record, 0);

        // A new check keeps what it is handed of the earlier one and nothing else.
        ReceiveJournal again(path(), Account);
        QVERIFY(again.start({mail}, &error));
        QCOMPARE(read(path()), Heading + "mail 7569642031e38182 2048 " + QByteArray(64, 'a') + "\n"
                                   "file %E8%A6%8B%E7%A9%8D%20%E6%9B%B8.pdf 4711\nrecord 3 " + QByteArray(64, 'b') + "\n");
        again.forget();
        QVERIFY(!QFile::exists(path()));
    }

    void tornLineAndAnotherAccountAreNotRead()
    {
        program.write(QStringLiteral("★MAilData/pop3-receive-journal.txt"),
                      Heading + "mail 41 5 " + QByteArray(64, 'd') + "\nrecord 1 " + QByteArray(30, 'e'));
        const ReceiveJournal torn(path(), Account);
        QCOMPARE(torn.earlier().size(), 1);
        QCOMPARE(torn.earlier().first().record, 0);  // its record line never ended
        QVERIFY(ReceiveJournal(path(), QStringLiteral("hanako@pop.example.jp:995")).earlier().isEmpty());
    }

    void journalIsTheUsersAlone()
    {
        QString error;
        ReceiveJournal journal(path(), Account);
        QVERIFY(journal.start({}, &error));
        QCOMPARE(QFile::permissions(path()) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFileDevice::Permissions());
    }
};

QTEST_GUILESS_MAIN(ReceiveJournalTest)
#include "receive_journal_test.moc"
