// "受信" with mail whose record cannot hold everything it carried: the raw mail is kept in the
// attachment folder under a name that stays true when history records are deleted, the record's
// last line names that file, and only then is the mail deleted from the server. (The mail corpus
// suite checks the other reasons to keep a mail raw against Python's reading of each mail.)

#include "app/CheckMail.h"
#include "history/HistoryDeletion.h"
#include "mail/MailOptions.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"
#include "settings/SettingsFiles.h"
#include "store/HistoryFile.h"
#include "MailCorpus.h"
#include "MailServers.h"
#include "CheckMailProgram.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>

namespace {

const QString User = QStringLiteral("keep");

QByteArray longMail(const QByteArray& subject)
{
    QByteArray body;
    while (body.size() < 30000)
        body += subject + " is a long mail, and this line says so again\r\n";
    return "From: sender@example.jp\r\nSubject: " + subject + "\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\n" + body;
}

}  // namespace

class CheckMailRawTest : public QObject {
    Q_OBJECT

    MailServers servers;
    std::unique_ptr<CheckMailProgram> p;

    // The received records with the padding of their subject and text trimmed.
    QList<store::HistoryRecord> received() const
    {
        QList<store::HistoryRecord> records = p->receivedRecords();
        for (store::HistoryRecord& record : records) {
            record.Subject = textfields::trimSpaces(record.Subject);
            record.Body = textfields::trimSpaces(record.Body);
        }
        return records;
    }

    // The file the record's closing line names, or an empty name when it names none.
    static QString keptName(const store::HistoryRecord& record)
    {
        static const QRegularExpression closing(QStringLiteral("\r\n※この記録に収まらない部分があるため、"
                                                               "元のメールを添付フォルダの「([^」]+)」に保存しました。$"));
        const auto match = closing.match(record.Body);
        return match.hasMatch() ? match.captured(1) : QString();
    }
    QByteArray kept(const QString& name) const { return p->program.read(QStringLiteral("添付フォルダ/") + name); }
    QStringList keptFiles() const
    {
        return QDir(p->program.file(QStringLiteral("添付フォルダ"))).entryList({QStringLiteral("*.eml")}, QDir::Files);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture is not running");
        CheckMailProgram::useTestServers(servers);
    }

    void init()
    {
        servers.empty(User);
        p = CheckMailProgram::withAccount(servers.server("POP3_PORT"), User);
        QVERIFY(p);
    }
    void cleanup() { p.reset(); }

    void fragmentIsKeptRawAndNamedInItsRecord()
    {
        const QByteArray mail = corpus::stored("rfc2045-2049/message-partial-fragment-1-of-2.eml");
        servers.deliver(User, mail);
        CheckMail(p->forms);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QCOMPARE(p->seams.messages.shown.first().text, QStringLiteral("分割されたメールが全て揃っていません"));
        const auto records = received();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().Subject, QStringLiteral("Split mail (part 1/2)"));
        const QString name = keptName(records.first());
        QVERIFY2(!name.isEmpty(), qPrintable(records.first().Body));
        QCOMPARE(kept(name), mail);
        QVERIFY(servers.mails(User).isEmpty());
    }

    // The record number changes when an earlier record is deleted; the kept file's name does not.
    void keptNamesStayTrueAfterHistoryDeletions()
    {
        const QByteArray first = longMail("first");
        const QByteArray second = longMail("second");
        servers.deliver(User, first);
        servers.deliver(User, second);
        CheckMail(p->forms);
        auto records = received();
        QCOMPARE(records.size(), 2);
        for (const auto& record : records)
            QVERIFY(cp932::encode(record.Body).size() <= 20000);
        QCOMPARE(kept(keptName(records[0])), first);
        QCOMPARE(kept(keptName(records[1])), second);
        QCOMPARE(keptFiles().size(), 2);

        QVERIFY(history::CompactHistoryFile(p->program.folder(), store::HistoryKind::Received, {1}).ok);
        records = received();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].Subject, QStringLiteral("second"));
        QCOMPARE(kept(keptName(records[0])), second);

        // The same mail once more (its deletion did not reach the server) reuses its file.
        servers.deliver(User, second);
        CheckMail(p->forms);
        QCOMPARE(keptName(received().last()), keptName(records[0]));
        QCOMPARE(keptFiles().size(), 2);
    }
};

QTEST_MAIN(CheckMailRawTest)
#include "check_mail_raw_test.moc"
