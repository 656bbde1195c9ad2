// Through the loopback SMTP server, read back by Python's email package: a bulk send with a
// fortune to every address-book entry, a bulk send that does not reach everyone and is sent
// again, and a reply with an attachment.

#include "ComposeFixture.h"
#include "MailServers.h"
#include "MailOracle.h"
#include "compose/AddressListPanel.h"
#include "compose/Fortune.h"
#include "platform/Cp932.h"
#include "store/AddressRecord.h"

#include <QCheckBox>
#include <QLabel>
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
        for (const QString& box : BulkBoxes + QStringList{ReplyBox})
            QVERIFY(servers.makeMaildir(box));
    }
    void init()
    {
        for (const QString& box : BulkBoxes + QStringList{ReplyBox})
            servers.empty(box);
    }

    // Pass i goes to the address of record i and carries i fortune blocks, its record i − 1,
    // since the block is appended after the record is written. Every record names the recipient
    // box, not the pass's address.
    void bulkSendReachesEveryEntryWithGrowingFortunes()
    {
        ComposeFixture c(true, servers.smtpServer("SMTP_PORT"));
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
        QCOMPARE(c.progress, (QStringList{QStringLiteral("送信中 1/3"), QStringLiteral("送信中 2/3"),
                                          QStringLiteral("送信中 3/3"), QString()}));
        const QList<int> fortunes = {1, 7, 12};
        for (int pass = 1; pass <= 3; ++pass) {
            const QStringList mails = servers.mails(BulkBoxes.at(pass - 1));
            QCOMPARE(mails.size(), 1);
            const PythonReading mail = readWithPython(mails.first());
            QVERIFY2(mail.defects.isEmpty(), qPrintable(mail.defects.join(u'\n')));
            QCOMPARE(mail.to.value(0).addr, BulkBoxes.at(pass - 1) + QStringLiteral("@example.jp"));
            QCOMPARE(mail.subject, QStringLiteral("一斉送信"));
            const QString body = withLf(mail.text.value_or(QString()));
            QVERIFY2(body.startsWith(QStringLiteral("皆さんへ\n\n") + DisclaimerStart), qPrintable(body));
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

    // Pass 2's address is no address: the library refuses it, passes 1 and 3 go through. The
    // window keeps the mail; sending it again unchanged records nothing more and sends only
    // what did not arrive.
    void bulkSendThatMissesOneIsSentAgainToTheRest()
    {
        ComposeFixture c(true, servers.smtpServer("SMTP_PORT"));
        nmail::options().caFile = servers.caFile();
        QByteArray book;
        for (const QString& address : {BulkBoxes.at(0) + QStringLiteral("@example.jp"), QStringLiteral("Yamada, Taro <x@example.jp>"),
                                       BulkBoxes.at(2) + QStringLiteral("@example.jp")})
            book += store::AddressRecord::forEntry(QStringLiteral("n"), address).toBytes();
        c.program.write(QStringLiteral("★MAilData/Devudiz20.data"), book);
        WriteForm& form = *c.form;
        form.SubjectText->setText(QStringLiteral("一斉送信"));
        form.setBodyText(QStringLiteral("皆さんへ"));
        form.Command4->click();
        form.AddressPanel->Option2->click();

        form.Command1->click();

        // One box at the end names the entry missed and why.
        QCOMPARE(c.shown().size(), 1);
        QVERIFY2(c.shown().first().text.contains(QStringLiteral("次の1件の宛先に送信できませんでした")) &&
                     c.shown().first().text.contains(QStringLiteral("Yamada, Taro <x@example.jp>: ")),
                 qPrintable(c.shown().first().text));
        QCOMPARE(form.Label7->text(), QStringLiteral("3件中1件が未送信です。「送信」で残りを送れます。"));
        QVERIFY(!c.unloaded());
        QCOMPARE(c.sentFile().size(), 3 * 20284);
        for (const QString& box : {BulkBoxes.at(0), BulkBoxes.at(2)})
            QCOMPARE(servers.mails(box).size(), 1);

        form.Command1->click();

        QCOMPARE(c.shown().size(), 2);
        QCOMPARE(c.sentFile().size(), 3 * 20284);
        for (const QString& box : {BulkBoxes.at(0), BulkBoxes.at(2)})
            QCOMPARE(servers.mails(box).size(), 1);
    }

    // A list filled from the read-only list file can be longer than the address book: the
    // passes with an address are sent, the window says how many entries got nothing.
    void bulkSendBeyondTheBookSaysHowManyGotNothing()
    {
        ComposeFixture c(true, servers.smtpServer("SMTP_PORT"));
        nmail::options().caFile = servers.caFile();
        QByteArray list;
        for (const char* name : {"a", "b", "c"})
            list += store::AddressRecord::forEntry(QString::fromLatin1(name), QStringLiteral("x@example.jp")).toBytes();
        c.program.write(QStringLiteral("★MAilData/ZIDORIDE20.INI"), list);
        c.program.write(QStringLiteral("★MAilData/Devudiz20.data"),
                        store::AddressRecord::forEntry(QStringLiteral("一"), BulkBoxes.at(0) + QStringLiteral("@example.jp")).toBytes());
        WriteForm form(c.state, c.formSeams(), c.files, {});
        QCOMPARE(form.AddressPanel->List1->count(), 3);
        form.ToText->setText(QStringLiteral("to@example.jp"));
        form.AddressPanel->Option2->click();

        form.Command1->click();

        QVERIFY2(c.shown().isEmpty(), qPrintable(c.shown().value(0).text));
        QCOMPARE(servers.mails(BulkBoxes.at(0)).size(), 1);
        QCOMPARE(form.Label7->text(), QStringLiteral("送信完了です。アドレス帳に宛先のない2件には送信していません。"));
        QVERIFY(form.ToText->text().isEmpty());
        QVERIFY(!form.AddressPanel->bulkMode());
    }

    void replyReachesTheServerWithItsAttachmentAndIsNotRecorded()
    {
        ReplyFixture r(servers.smtpServer("SMTP_PORT"));
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
        const PythonReading mail = readWithPython(mails.first());
        QVERIFY2(mail.defects.isEmpty(), qPrintable(mail.defects.join(u'\n')));
        QCOMPARE(mail.subject, QStringLiteral("Re:  お問い合わせ"));
        QCOMPARE(mail.from.value(0).addr, QStringLiteral("tessa@example.jp"));
        QCOMPARE(withLf(mail.text.value_or(QString())), QStringLiteral("返事の本文です。\n二行目\n"));
        QCOMPARE(withLf(iconvFromIso2022Jp(mail.textBytes).value_or(QString())), QStringLiteral("返事の本文です。\n二行目\n"));
        QCOMPARE(mail.attachments.size(), 1);
        QCOMPARE(mail.attachments.first().fileName, QStringLiteral("memo.txt"));
        QCOMPARE(mail.attachments.first().data, QByteArray("attached-content-123\r\n"));
        QVERIFY(!QFile::exists(r.program.file(QStringLiteral("★MAilData/zeldata5.data"))));
    }
};

QTEST_MAIN(BulkReplySmtpTest)
#include "bulk_reply_smtp_test.moc"
