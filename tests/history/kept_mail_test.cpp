// What the history window gives back from a kept raw mail: the characters code page 932 lacks,
// the sender and subject the record had to cut (for the reply and the address book too), and a
// line saying so; never another mail's text, never a file outside the attachment folder.

#include "HistoryFiles.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "history/ExactText.h"
#include "history/HistoryLoading.h"
#include "history/KeptMail.h"
#include "history/ShownMail.h"
#include "history/TyakuForm.h"
#include "platform/TextFields.h"
#include "store/KeptMailLine.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using store::HistoryKind;

namespace {

const QString KeptName = QStringLiteral("mail-20261208-093005-0123456789.eml");
const QString Sender = QStringLiteral("株式会社とても長い名前の通信販売会社　お客様サポートセンター（年末年始のご案内係）"
                                      " <support-center@very-long-domain-name.example.co.jp>");
const QString Subject = QStringLiteral("🎄クリスマスのご案内");
const QString Date = QStringLiteral("Tue, 08 Dec 2026 09:30:05 +0900");
const QString Text = QStringLiteral("きれいだった🎄\r\n価格は¥8,980です。\r\n한국어も読めます。\r\n");

QByteArray keptMail(const QString& sender = Sender)
{
    const auto word = [](const QString& text) { return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?="; };
    const qsizetype open = sender.lastIndexOf(u'<');
    return "From: " + word(sender.left(open).trimmed()) + " " + sender.mid(open).toLatin1()
           + "\r\nMessage-ID: <kept@example.jp>\r\nDate: " + Date.toLatin1() + "\r\nSubject: " + word(Subject)
           + "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
             "Content-Transfer-Encoding: 8bit\r\n\r\n"
           + Text.toUtf8();
}

// The record the mail check writes for that mail: each field in code page 932, cut to its
// width, the text ending in the line that names the kept file.
store::HistoryRecord recordOfKeptMail(const QString& name = KeptName)
{
    return recordOf({Subject, Date, Sender, Text + store::keptMailLine(name)}, HistoryKind::Received);
}

struct Folder {
    TempProgramFolder program;
    QString attachments = program.file(QStringLiteral("添付フォルダ"));

    Folder() { program.write(QStringLiteral("添付フォルダ/") + KeptName, keptMail()); }
    // The record as it reads back from its file.
    store::HistoryRecord stored(const store::HistoryRecord& record) const
    {
        return store::HistoryRecord::fromBytes(record.toBytes());
    }
};

}  // namespace

class KeptMailTest : public QObject {
    Q_OBJECT

private slots:
    void exactTextGivesBackWhatTheRecordCouldNotHold_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("mail");
        QTest::addColumn<QString>("exact");
        QTest::newRow("emoji, yen, hangul") << QStringLiteral("だった〓\r\n￥8,980 〓〓") << QStringLiteral("だった🎄\r\n¥8,980 한국")
                                            << QStringLiteral("だった🎄\r\n¥8,980 한국");
        QTest::newRow("the record's own lines follow")
            << QStringLiteral("A〓\r\nContent-Type: image/png\r\n※kept") << QStringLiteral("A😀\r\n")
            << QStringLiteral("A😀\r\nContent-Type: image/png\r\n※kept");
        QTest::newRow("a cut record stops where it was cut")
            << QStringLiteral("ab〓\r\n※kept") << QStringLiteral("ab😀cdefg") << QStringLiteral("ab😀\r\n※kept");
        QTest::newRow("an accent after its letter") << QStringLiteral("cafe!") << QStringLiteral("cafe\u0301!")
                                                    << QStringLiteral("cafe\u0301!");
        QTest::newRow("a family is one mark") << QStringLiteral("〓x") << QStringLiteral("👨‍👩‍👧x")
                                              << QStringLiteral("👨‍👩‍👧x");
    }
    void exactTextGivesBackWhatTheRecordCouldNotHold()
    {
        QFETCH(QString, record);
        QFETCH(QString, mail);
        QFETCH(QString, exact);
        QCOMPARE(history::exactText(record, mail), std::optional<QString>(exact));
    }

    void exactTextLeavesWhatNeedsNothingOrIsAnotherMail()
    {
        QCOMPARE(history::exactText(QStringLiteral("同じ本文"), QStringLiteral("同じ本文")), std::nullopt);
        QCOMPARE(history::exactText(QStringLiteral("〓ある"), QStringLiteral("別のメール😀")), std::nullopt);
    }

    void theKeptMailFillsInSenderSubjectAndText()
    {
        Folder f;
        const store::HistoryRecord record = f.stored(recordOfKeptMail());
        QVERIFY(record.addressField(HistoryKind::Received).trimmed() != Sender);  // cut to 90 bytes
        const history::ShownMail shown = history::shownMail(record, HistoryKind::Received, f.attachments);
        QCOMPARE(shown.address, Sender);
        QCOMPARE(shown.subject, Subject);
        QCOMPARE(shown.body, QString(Text + store::keptMailLine(KeptName)));
        QVERIFY(shown.notice.contains(KeptName));
        QCOMPARE(shown.date, Date);
    }

    // A last line naming a kept file is only believed when that file is this record's mail,
    // plainly in the attachment folder.
    void onlyTheRecordsOwnMailInTheFolderIsRead()
    {
        Folder f;
        const auto shownWith = [&f](const store::HistoryRecord& record) {
            return history::shownMail(f.stored(record), HistoryKind::Received, f.attachments);
        };
        f.program.write(QStringLiteral("添付フォルダ/other.eml"), keptMail(QStringLiteral("別人 <other@example.jp>")));
        QVERIFY(shownWith(recordOfKeptMail(QStringLiteral("other.eml"))).notice.isEmpty());
        QVERIFY(shownWith(recordOfKeptMail(QStringLiteral("missing.eml"))).notice.isEmpty());
        f.program.write(QStringLiteral("outside.eml"), keptMail());
        QVERIFY(shownWith(recordOfKeptMail(QStringLiteral("../outside.eml"))).notice.isEmpty());
        QVERIFY(QFile::link(f.program.file(QStringLiteral("outside.eml")), f.attachments + QStringLiteral("/link.eml")));
        QVERIFY(shownWith(recordOfKeptMail(QStringLiteral("link.eml"))).notice.isEmpty());
        const store::HistoryRecord sent = recordOf({Subject, Date, Sender, Text + store::keptMailLine(KeptName)}, HistoryKind::Sent);
        QVERIFY(history::shownMail(f.stored(sent), HistoryKind::Sent, f.attachments).notice.isEmpty());
        QCOMPARE(store::keptMailName(QStringLiteral("x\r\n") + store::keptMailLine(QStringLiteral("a/b.eml"))), std::nullopt);
        QCOMPARE(store::keptMailName(store::keptMailLine(KeptName) + QStringLiteral("\r\nmore")), std::nullopt);
    }

    // In the window: the boxes and the text show the mail as sent, a line above the text says
    // so, and the sender handed on is the whole one.
    void theWindowShowsAndHandsOnTheWholeMail()
    {
        Folder f;
        ProgramState state(f.program.folder());
        ScriptedSeams scripted;
        QStringList handed;
        auto* viewer = new TyakuForm(state, scripted.seams());
        viewer->handOver.registerSender = [&handed](const QString& address) { handed.append(address); };
        nmail::ReplyThread thread;
        viewer->handOver.reply = [&handed, &thread](const QString&, const QString& to, const QString& body,
                                                    const nmail::ReplyThread& joined) {
            handed.append(to + u'|' + body);
            thread = joined;
        };
        writeHistory(store::historyPath(state.folder, HistoryKind::Received), HistoryKind::Received,
                     {{Subject, Date, Sender, Text + store::keptMailLine(KeptName)}});
        history::LoadHistory(*viewer, state, HistoryKind::Received);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QCOMPARE(viewer->Text8->text(), Sender);
        QCOMPARE(viewer->Text9->text(), Subject);
        QVERIFY(viewer->rtfEd->toPlainText().startsWith(QStringLiteral("きれいだった🎄\n価格は¥8,980です。\n한국어")));
        QVERIFY(QApplication::clipboard()->text().contains(u"🎄"));
        QVERIFY(viewer->rtfEd->notice().contains(KeptName));
        QVERIFY(viewer->rtfEd->findChild<QLabel*>(QStringLiteral("notice"))->isVisible());
        // The record is what it was.
        QVERIFY(!f.program.read(QStringLiteral("★MAilData/zeldata2.data")).contains("\xF0\x9F"));

        viewer->List1->setCurrentRow(0);
        viewer->Command4->click();
        QCOMPARE(handed.value(0).section(u'|', 0, 0), Sender);
        QVERIFY(handed.value(0).contains(u"🎄"));
        // Stored before threads were noted: the kept mail names the thread.
        QCOMPARE(thread.inReplyTo, QByteArray("<kept@example.jp>"));
        delete viewer;

        TyakuForm again(state, scripted.seams());
        again.handOver.registerSender = [&handed](const QString& address) { handed.append(address); };
        history::LoadHistory(again, state, HistoryKind::Received);
        again.List1->setCurrentRow(0);
        again.Command3->click();  // アドレス帳登録
        QCOMPARE(handed.last(), Sender);
    }

    void editingTheTextTakesTheNoticeAway()
    {
        Folder f;
        ProgramState state(f.program.folder());
        ScriptedSeams scripted;
        TyakuForm viewer(state, scripted.seams());
        viewer.showRecord(f.stored(recordOfKeptMail()), HistoryKind::Received);
        QVERIFY(!viewer.rtfEd->notice().isEmpty());
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTest::keyClick(viewer.rtfEd, Qt::Key_X);
        QVERIFY(viewer.rtfEd->notice().isEmpty());
    }
};

QTEST_MAIN(KeptMailTest)
#include "kept_mail_test.moc"
