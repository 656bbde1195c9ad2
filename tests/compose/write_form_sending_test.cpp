// Sending from the compose window when the mail does not get through: the sent-history record
// byte by byte, the error box with the mail library's text, what the sent history keeps when the
// user sends the same mail again, and what happens when the record itself cannot be written.

#include "ComposeFixture.h"
#include "platform/Cp932.h"
#include "store/HistoryFile.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

const QString SendingStatus = QStringLiteral("メールを送信中です。しばらくお待ち下さい。");
constexpr qsizetype RecordSize = 20284;

QByteArray padded(const QByteArray& bytes, qsizetype width) { return bytes + QByteArray(width - bytes.size(), ' '); }

}  // namespace

class WriteFormSendingTest : public QObject {
    Q_OBJECT

private slots:
    void recordIsWrittenFirstAndStaysAfterAFailedSend()
    {
        ComposeFixture c;
        c.program.write(QStringLiteral("★MAilData/zeldata5.data"), QByteArray(3 * RecordSize, 'z'));
        WriteForm& form = *c.form;
        // 49 × あ and X fill 99 bytes; い would straddle the end of the 100-byte subject.
        form.SubjectText->setText(QStringLiteral("  ") + QString(49, u'あ') + QStringLiteral("Xい  "));
        form.ToText->setText(QStringLiteral("  to@example.jp  "));
        form.setBodyText(QStringLiteral("  本文\r\n二行目 \r\n  "));
        QString statusAtError;
        bool waitCursorAtError = true;
        qsizetype historyAtError = 0;
        c.messages.onShow = [&] {
            historyAtError = c.sentFile().size();
            statusAtError = c.form->Label7->text();
            waitCursorAtError = QApplication::overrideCursor() != nullptr;
        };

        form.Command1->click();

        QCOMPARE(c.shown().size(), 1);
        const ShownMessage& error = c.shown().first();
        QCOMPARE(error.title, QStringLiteral("送信エラー"));
        QCOMPARE(error.buttons, MessageButtons::Ok);
        QVERIFY2(error.text.contains(QStringLiteral("127.0.0.1:1")), qPrintable(error.text));
        QCOMPARE(statusAtError, SendingStatus);
        QCOMPARE(historyAtError, 4 * RecordSize);
        QVERIFY(!waitCursorAtError);
        QCOMPARE(c.cursorWhileRecording, Qt::WaitCursor);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!c.unloaded());

        const QByteArray expected = padded(QByteArray(49, '\0').replace('\0', "\x82\xa0") + "X", 100)
            + padded("2026/12/08  9:30:05", 90)
            + padded("to@example.jp", 90)
            + padded("\x96\x7b\x95\xb6\r\n\x93\xf1\x8d\x73\x96\xda \r\n", 20000)
            + "\r\n" + QByteArray("\x01\x00", 2);
        QCOMPARE(expected.size(), RecordSize);
        const QByteArray file = c.sentFile();
        QCOMPARE(file.size(), 4 * RecordSize);
        QCOMPARE(file.left(3 * RecordSize), QByteArray(3 * RecordSize, 'z'));
        QCOMPARE(file.mid(3 * RecordSize), expected);
        QCOMPARE(c.state.CurrentRecord, std::int16_t(4));
        QCOMPARE(c.state.SentRecord.dateField(store::HistoryKind::Sent),
                 QString::fromLatin1(padded("2026/12/08  9:30:05", 90)));
        QCOMPARE(c.state.SentRecord.addressField(store::HistoryKind::Sent).trimmed(), QStringLiteral("to@example.jp"));
    }

    // A mail without a recipient cannot go anywhere: the window says so before anything is
    // written, and the sent history gains no empty record.
    void emptyRecipientIsRefusedWithoutARecord()
    {
        ComposeFixture c;
        c.form->ToText->setText(QStringLiteral("   "));
        c.form->SubjectText->setText(QStringLiteral("件名"));
        c.form->Command1->click();
        QCOMPARE(c.shown().size(), 1);
        QVERIFY2(c.shown().first().text.contains(QStringLiteral("宛先")), qPrintable(c.shown().first().text));
        QVERIFY(!c.unloaded());
        QVERIFY(c.sentFile().isEmpty());
        QCOMPARE(c.state.CurrentRecord, std::int16_t(0));
        QCOMPARE(c.form->SubjectText->text(), QStringLiteral("件名"));
    }

    // The record is written before each attempt and stays, so the typed mail is on disk even if
    // the program dies while sending. Sending the same, unchanged mail again after a failure adds
    // no second record for it; a changed mail is a new mail and gets its own.
    void sendingAgainRecordsOnlyAChangedMail()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        form.ToText->setText(QStringLiteral("to@example.jp"));
        form.SubjectText->setText(QStringLiteral("件名"));
        form.setBodyText(QStringLiteral("本文"));

        form.Command1->click();
        form.Command1->click();
        QCOMPARE(c.shown().size(), 2);
        QCOMPARE(c.sentFile().size(), RecordSize);

        form.SubjectText->setText(QStringLiteral("件名（訂正）"));
        form.Command1->click();
        QCOMPARE(c.shown().size(), 3);
        QCOMPARE(c.sentFile().size(), 2 * RecordSize);
        QCOMPARE(c.sentFile().mid(RecordSize, 100).trimmed(), cp932::encode(QStringLiteral("件名（訂正）")));
        QCOMPARE(c.state.CurrentRecord, std::int16_t(2));
        form.Command1->click();
        QCOMPARE(c.sentFile().size(), 2 * RecordSize);
    }

    // The fortune is the program's, not the user's: after a failure the body is again what the
    // user typed, and the next attempt draws its fortune afresh.
    void failedSendTakesTheFortuneBackOut()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        form.ToText->setText(QStringLiteral("to@example.jp"));
        form.setBodyText(QStringLiteral("本文"));
        form.Check1->setChecked(true);
        QString bodyAtError;
        c.messages.onShow = [&] { bodyAtError = c.form->bodyText(); };

        form.Command1->click();

        QVERIFY2(bodyAtError.startsWith(QStringLiteral("本文\r\n\r\n★★★")), qPrintable(bodyAtError));
        QCOMPARE(form.bodyText(), QStringLiteral("本文"));
        QVERIFY(form.Check1->isChecked());
    }

    void unrecordableMailIsSentOnlyWhenTheUserAgrees_data()
    {
        QTest::addColumn<bool>("withDataFolder");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("agree");
        for (const bool agree : {false, true}) {
            const char* answer = agree ? "はい" : "いいえ";
            QTest::addRow("no data folder, %s", answer) << false << QStringLiteral("データフォルダ") << agree;
            QTest::addRow("full history, %s", answer) << true << QStringLiteral("一杯") << agree;
        }
    }
    void unrecordableMailIsSentOnlyWhenTheUserAgrees()
    {
        QFETCH(bool, withDataFolder);
        QFETCH(QString, reason);
        QFETCH(bool, agree);
        ComposeFixture c(withDataFolder);
        const QString history = c.program.file(QStringLiteral("★MAilData/zeldata5.data"));
        if (withDataFolder) {  // 32767 records, the most record numbers can address (sparse)
            QFile full(history);
            QVERIFY(full.open(QIODevice::WriteOnly) && full.resize(qint64(store::MaxRecordNumber) * RecordSize));
        }
        const qint64 sizeBefore = QFileInfo(history).size();
        WriteForm& form = *c.form;
        form.ToText->setText(QStringLiteral("to@example.jp"));
        form.SubjectText->setText(QStringLiteral("件名"));
        form.setBodyText(QStringLiteral("本文"));
        form.List2->show();
        form.Command9->setEnabled(true);
        form.AttachCommand->setEnabled(false);
        c.messages.scripted.answers.enqueue(agree ? MessageAnswer::Yes : MessageAnswer::No);

        form.Command1->click();

        QVERIFY(c.shown().size() >= 1);
        const ShownMessage& question = c.shown().first();
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.title, QStringLiteral("rudiv"));
        QVERIFY2(question.text.contains(QStringLiteral("送信履歴に記録できませんでした")), qPrintable(question.text));
        QVERIFY2(question.text.contains(reason), qPrintable(question.text));
        QCOMPARE(QFileInfo(history).size(), sizeBefore);
        QCOMPARE(c.state.CurrentRecord, std::int16_t(0));
        QVERIFY(!QApplication::overrideCursor());
        if (agree) {
            QCOMPARE(c.shown().size(), 2);
            QCOMPARE(c.shown().at(1).title, QStringLiteral("送信エラー"));
            QVERIFY(!c.unloaded());
            return;
        }
        // Nothing sent, nothing lost: the window stays with the mail as it was written.
        QCOMPARE(c.shown().size(), 1);
        QVERIFY(!c.unloaded());
        QVERIFY(form.isVisible());
        QCOMPARE(form.ToText->text(), QStringLiteral("to@example.jp"));
        QCOMPARE(form.SubjectText->text(), QStringLiteral("件名"));
        QCOMPARE(form.bodyText(), QStringLiteral("本文"));
        QCOMPARE(form.Label7->text(), QStringLiteral("送信を取りやめました。"));
        QVERIFY(!form.List2->isVisible());
        QVERIFY(!form.Command9->isEnabled());
        QVERIFY(form.AttachCommand->isEnabled());
    }
};

QTEST_MAIN(WriteFormSendingTest)
#include "write_form_sending_test.moc"
