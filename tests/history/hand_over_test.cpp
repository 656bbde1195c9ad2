// "アドレス帳登録" and "返事を出す": which mail they hand on, in what form, and when they refuse.

#include "history/HistoryLoading.h"
#include "history/ReplyThreads.h"
#include "history/TyakuForm.h"
#include "HistoryFiles.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QtTest>

using store::HistoryKind;

namespace {

void pressLine(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

struct HandedOver {
    QStringList registered;
    QStringList replies;  // subject | to | body
    QList<nmail::ReplyThread> threads;
};

}  // namespace

class HandOverTest : public QObject {
    Q_OBJECT

    struct Setup {
        TempProgramFolder folder;
        ProgramState state{folder.folder()};
        ScriptedSeams scripted;
        QPointer<TyakuForm> viewer = new TyakuForm(state, scripted.seams());
        HandedOver handed;

        Setup()
        {
            viewer->setAttribute(Qt::WA_DeleteOnClose);
            viewer->handOver.registerSender = [this](const QString& address) { handed.registered.append(address); };
            viewer->handOver.reply = [this](const QString& subject, const QString& to, const QString& body,
                                            const nmail::ReplyThread& thread) {
                handed.replies.append(subject + u'|' + to + u'|' + body);
                handed.threads.append(thread);
            };
        }
        ~Setup() { delete viewer.data(); }

        void load(HistoryKind kind, const QList<MailFields>& mails)
        {
            const QString path = store::historyPath(folder.folder(), kind);
            writeHistory(path, kind, mails);
            history::LoadHistory(*viewer, state, kind);
            viewer->show();
            QVERIFY(QTest::qWaitForWindowExposed(viewer));
        }
        QStringList messages() const
        {
            QStringList texts;
            for (const ShownMessage& m : scripted.messages.shown)
                texts.append(m.text + u'|' + m.title);
            return texts;
        }
    };

    const QList<MailFields> mails = {
        {QStringLiteral("first"), QStringLiteral("d1"), QStringLiteral("山田 <yamada@example.jp>"), QStringLiteral("body one")},
        {QString(), QStringLiteral("d2"), QStringLiteral("b@example.jp"), QStringLiteral(" body two ")}};

private slots:
    void sentHistoryRefusesBothWithOrWithoutSelection()
    {
        Setup s;
        s.load(HistoryKind::Sent, mails);
        s.viewer->Command3->click();
        pressLine(s.viewer->List1, 0);
        s.viewer->Command4->click();
        const QString own = QStringLiteral("自分宛となっています。|rudiv");
        QCOMPARE(s.messages(), QStringList({own, own}));
        QVERIFY(s.viewer && s.viewer->isVisible());
        QVERIFY(s.handed.registered.isEmpty() && s.handed.replies.isEmpty());
    }

    void receivedHistoryNeedsASelectedLine()
    {
        Setup s;
        s.load(HistoryKind::Received, mails);
        s.viewer->Command3->click();
        s.viewer->Command4->click();
        const QString none = QStringLiteral("データが選択されていません。|rudiv");
        QCOMPARE(s.messages(), QStringList({none, none}));
        QVERIFY(s.viewer && s.viewer->isVisible());
    }

    void registerHandsOnTheWholeSenderUntrimmedAndCloses()
    {
        Setup s;
        s.load(HistoryKind::Received, mails);
        pressLine(s.viewer->List1, 0);
        s.viewer->Text8->setText(QStringLiteral(" 山田 <yamada@example.jp> "));
        s.viewer->Command3->click();
        QCOMPARE(s.handed.registered, QStringList{QStringLiteral(" 山田 <yamada@example.jp> ")});
        QTRY_VERIFY(!s.viewer);
        QCOMPARE(s.state.HistoryKind, std::int16_t(1));
    }

    void replyTakesTheBoxesTrimmedWithReAndTwoSpaces()
    {
        Setup s;
        s.load(HistoryKind::Received, mails);
        pressLine(s.viewer->List1, 0);
        s.viewer->Text9->setText(QStringLiteral(" Re: first "));
        s.viewer->Command4->click();
        QCOMPARE(s.handed.replies,
                 QStringList{QStringLiteral("Re:  Re: first|山田 <yamada@example.jp>|body one")});
        QTRY_VERIFY(!s.viewer);
    }

    // The mail answered is the mail on screen, however the selection reached it.
    void replyAnswersTheMailAKeyboardSelectionShows()
    {
        Setup s;
        s.load(HistoryKind::Received, mails);  // the boxes show the last record after the fill
        s.viewer->List1->setFocus();  // the first line becomes the current one, not selected
        QTest::keyClick(s.viewer->List1, Qt::Key_Space);  // no press of the mouse
        QCOMPARE(s.viewer->Text9->text(), QStringLiteral("first"));
        s.viewer->Command4->click();
        QCOMPARE(s.handed.replies, QStringList{QStringLiteral("Re:  first|山田 <yamada@example.jp>|body one")});
    }

    // The reply joins the thread noted for the answered mail when it was stored.
    void replyCarriesTheThreadOfTheAnsweredMail()
    {
        Setup s;
        s.load(HistoryKind::Received, mails);
        const QString path = store::historyPath(s.folder.folder(), HistoryKind::Received);
        const QByteArray second = *store::readRecordBytes(path, 2, store::HistoryRecordSize);
        QVERIFY(history::rememberReplyThread(path, second, "Message-ID: <two@example.jp>\r\n"));
        s.viewer->List1->setCurrentRow(0);
        s.viewer->Command4->click();
        QCOMPARE(s.handed.threads, QList<nmail::ReplyThread>{{}});
        history::LoadHistory(*s.viewer, s.state, HistoryKind::Received);
        s.viewer->List1->setCurrentRow(1);
        s.viewer->Command4->click();
        QCOMPARE(s.handed.threads.last(), (nmail::ReplyThread{"<two@example.jp>", {"<two@example.jp>"}}));
    }

    void noSelectionRightAfterADeletion()
    {
        Setup s;
        s.load(HistoryKind::Received, mails);
        pressLine(s.viewer->List1, 0);
        s.viewer->Command1->click();  // deletes the pressed entry after a Yes
        s.viewer->Command4->click();
        QCOMPARE(s.messages().last(), QStringLiteral("データが選択されていません。|rudiv"));
        QVERIFY(s.handed.replies.isEmpty());
    }
};

QTEST_MAIN(HandOverTest)
#include "hand_over_test.moc"
