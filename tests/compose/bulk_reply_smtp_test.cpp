// Through the loopback SMTP server: a bulk send with a fortune to every address-book entry, and
// a reply with an attachment.

#include "ComposeFixture.h"
#include "MailServers.h"
#include "StoredMail.h"
#include "compose/AddressListPanel.h"
#include "compose/Fortune.h"
#include "platform/Cp932.h"
#include "store/AddressRecord.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>

namespace {

const QStringList BulkBoxes = {QStringLiteral("bulk1"), QStringLiteral("bulk2"), QStringLiteral("bulk3")};
const QString ReplyBox = QStringLiteral("reply");
const QString DisclaimerStart = QStringLiteral("★★★　この占いは Hanabira");

}  // namespace

class BulkReplySmtpTest : public QObject {
    Q_OBJECT

    MailServers servers;

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        for (const QString& box : BulkBoxes + QStringList{ReplyBox}) {
            for (const char* sub : {"/cur", "/new", "/tmp"})
                QVERIFY(QDir().mkpath(servers.maildir(box) + QString::fromLatin1(sub)));
            servers.empty(box);
        }
    }

    // Pass i goes to the address of record i and carries i fortune blocks, its record i − 1,
    // since the block is appended after the record is written. Every record names the recipient
    // box, not the pass's address.
    void bulkSendReachesEveryEntryWithGrowingFortunes()
    {
        ComposeFixture c(true, servers.server("SMTP_PORT"));
        nmail::options().caFile = servers.caFile();
        QByteArray book;
        for (const QString& box : BulkBoxes)
            book += store::AddressRecord::forEntry(box.toUpper(), box + QStringLiteral("@example.jp")).toBytes();
        c.program.write(QStringLiteral("★MAilData/Devudiz20.data"), book);
        c.seams.random.values = {0.0, 0.5, 0.99};  // fortunes 1, 7 and 12
        WriteForm& form = *c.form;
        form.ToText->setText(QStringLiteral(" everyone@example.jp "));
        form.SubjectText->setText(QStringLiteral("一斉送信"));
        form.setBodyText(QStringLiteral("皆さんへ"));
        form.Check1->setChecked(true);
        form.Command4->click();
        form.AddressPanel->Option2->click();

        form.Command1->click();

        QVERIFY2(c.shown().isEmpty(), qPrintable(c.shown().value(0).text));
        QVERIFY(c.unloaded());
        const QList<int> fortunes = {1, 7, 12};
        for (int pass = 1; pass <= 3; ++pass) {
            const QStringList mails = servers.mails(BulkBoxes.at(pass - 1));
            QCOMPARE(mails.size(), 1);
            const QByteArray message = readFile(mails.first());
            QVERIFY(message.contains("To: " + BulkBoxes.at(pass - 1).toLatin1() + "@example.jp"));
            const QString body = plainBodyOf(message);
            QVERIFY2(body.startsWith(QStringLiteral("皆さんへ\r\n\r\n") + DisclaimerStart), qPrintable(body));
            QCOMPARE(body.count(DisclaimerStart), pass);
            QVERIFY(body.trimmed().endsWith(compose::FortuneTexts.at(fortunes.at(pass - 1)).trimmed()));
        }
        const QByteArray records = c.sentFile();
        QCOMPARE(records.size(), 3 * 20284);
        for (int pass = 1; pass <= 3; ++pass) {
            const QByteArray record = records.mid((pass - 1) * 20284, 20284);
            QCOMPARE(record.mid(190, 90).trimmed(), QByteArray("everyone@example.jp"));
            QCOMPARE(cp932::decode(record.mid(280, 20000)).count(DisclaimerStart), pass - 1);
        }
        QCOMPARE(c.state.CurrentRecord, std::int16_t(3));
    }

    void replyReachesTheServerWithItsAttachmentAndIsNotRecorded()
    {
        ReplyFixture r(servers.server("SMTP_PORT"));
        nmail::options().caFile = servers.caFile();
        const QString attachment = r.program.file(QStringLiteral("添付フォルダ/memo.txt"));
        r.program.write(QStringLiteral("添付フォルダ/memo.txt"), "attached-content-123\r\n");
        r.files.answers << attachment;
        BackForm& form = *r.form;
        form.ToText->setText(ReplyBox + QStringLiteral("@example.jp"));
        form.SubjectText->setText(QStringLiteral("Re:  お問い合わせ"));
        form.setBodyText(QStringLiteral("返事の本文です。\r\n二行目"));
        form.AttachCommand->click();

        form.Command2->click();

        QVERIFY2(r.shown().isEmpty(), qPrintable(r.shown().value(0).text));
        QVERIFY(r.unloaded());
        QCOMPARE(r.mainFormShown, 1);
        const QStringList mails = servers.mails(ReplyBox);
        QCOMPARE(mails.size(), 1);
        const QByteArray message = readFile(mails.first());
        QCOMPARE(subjectOf(message), QStringLiteral("Re:  お問い合わせ"));
        QVERIFY(message.contains("\r\nFrom: tessa@example.jp") || message.startsWith("From: tessa@example.jp"));
        QVERIFY2(plainBodyOf(message).contains(QStringLiteral("返事の本文です。\r\n二行目")), message.constData());
        QVERIFY(message.contains("memo.txt"));
        QVERIFY(message.contains("attached-content-123") || message.contains("YXR0YWNoZWQtY29udGVudC0xMjMNCg=="));
        QVERIFY(!QFile::exists(r.program.file(QStringLiteral("★MAilData/zeldata5.data"))));
    }
};

QTEST_MAIN(BulkReplySmtpTest)
#include "bulk_reply_smtp_test.moc"
