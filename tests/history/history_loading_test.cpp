#include "HistoryFiles.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

using history::AppendReceivedRecord;
using history::LoadHistory;
using store::HistoryKind;

namespace {

const QString ReceivedFile = QStringLiteral("★MAilData/zeldata2.data");
const QString SentFile = QStringLiteral("★MAilData/zeldata5.data");

QByteArray spaces(int n) { return QByteArray(n, ' '); }

}  // namespace

class HistoryLoadingTest : public QObject {
    Q_OBJECT

private:
    // One program folder, state and viewer per test.
    struct Setup {
        TempProgramFolder folder;
        ProgramState state{folder.folder()};
        ScriptedSeams scripted;
        TyakuForm viewer{state, scripted.seams()};
    };

private slots:
    void missingOrEmptyFileLoadsAnEmptyList_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("missing") << false;
        QTest::newRow("empty") << true;
    }

    void missingOrEmptyFileLoadsAnEmptyList()
    {
        QFETCH(bool, fileExists);
        Setup s;
        if (fileExists)
            s.folder.write(ReceivedFile, {});
        s.viewer.addHistoryLine(QStringLiteral("a line of the mail check"), HistoryKind::Received, 4);
        s.viewer.Text9->setText(QStringLiteral("staged"));
        s.viewer.rtfEd->setPlainText(QStringLiteral("staged body"));
        QApplication::clipboard()->setText(QStringLiteral("earlier"));

        LoadHistory(s.viewer, s.state, HistoryKind::Received);

        QCOMPARE(s.state.HistoryKind, std::int16_t(1));
        QCOMPARE(s.viewer.windowTitle(), QStringLiteral("着信履歴"));
        QCOMPARE(s.viewer.List1->palette().color(QPalette::Base), QColor(144, 238, 144));
        QCOMPARE(s.viewer.List1->count(), 0);
        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("0"));
        QVERIFY(s.viewer.Text9->text().isEmpty());
        QVERIFY(s.viewer.rtfEd->toPlainText().isEmpty());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("earlier"));
    }

    void receivedHistoryListsEveryRecordAndShowsTheLast()
    {
        Setup s;
        writeHistory(s.folder.file(ReceivedFile), HistoryKind::Received,
                     {{QStringLiteral("一通目"), QStringLiteral("Mon, 7 Dec 2026"), QStringLiteral("a@example.jp"),
                       QStringLiteral("body 1")},
                      {QStringLiteral(" 二通目 "), QStringLiteral("Tue, 8 Dec 2026"), QStringLiteral("b@example.jp"),
                       QStringLiteral("  line 1\r\nline 2\r\n\r\n")}});
        QApplication::clipboard()->setText(QStringLiteral("earlier"));

        LoadHistory(s.viewer, s.state, HistoryKind::Received);

        QCOMPARE(s.viewer.List1->count(), 2);
        QCOMPARE(s.viewer.List1->item(0)->text(), QStringLiteral("Mon, 7 Dec 2026    a@example.jp")
                                                      + QString(48, QLatin1Char('_')) + QStringLiteral("    一通目"));
        QVERIFY(s.viewer.List1->item(1)->text().startsWith(QStringLiteral("Tue, 8 Dec 2026    b@example.jp___")));
        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("2"));
        QCOMPARE(s.viewer.Text7->text(), QStringLiteral("Tue, 8 Dec 2026"));
        QCOMPARE(s.viewer.Text8->text(), QStringLiteral("b@example.jp"));
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("二通目"));
        // Line ends stay single: one paragraph per stored line.
        QCOMPARE(s.viewer.rtfEd->toPlainText(), QStringLiteral("line 1\nline 2\n\n"));
        QCOMPARE(s.viewer.bodyText(), QStringLiteral("line 1\r\nline 2\r\n\r\n"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("line 1\nline 2\n\n"));
        QCOMPARE(s.state.ReceivedRecord.Body.trimmed(), QStringLiteral("line 1\r\nline 2"));
        QVERIFY(s.viewer.List1->selectedItems().isEmpty());
    }

    void sentHistoryShowsDateAndRecipientByTheirRoles()
    {
        Setup s;
        writeHistory(s.folder.file(SentFile), HistoryKind::Sent,
                     {{QStringLiteral("お知らせ"), QStringLiteral("2026/12/08  9:30:05"), QStringLiteral("to@example.jp"),
                       QStringLiteral("sent body")}});

        LoadHistory(s.viewer, s.state, HistoryKind::Sent);

        QCOMPARE(s.state.HistoryKind, std::int16_t(2));
        QCOMPARE(s.viewer.windowTitle(), QStringLiteral("送信履歴"));
        QVERIFY(s.viewer.List1->item(0)->text().startsWith(QStringLiteral("2026/12/08  9:30:05    to@example.jp_")));
        QCOMPARE(s.viewer.Text7->text(), QStringLiteral("2026/12/08  9:30:05"));
        QCOMPARE(s.viewer.Text8->text(), QStringLiteral("to@example.jp"));
        QCOMPARE(s.state.SentRecord.Subject.trimmed(), QStringLiteral("お知らせ"));
        QVERIFY(s.state.ReceivedRecord.Subject.isEmpty());
    }

    void partialLastRecordIsLeftOut()
    {
        Setup s;
        const QString path = s.folder.file(ReceivedFile);
        writeHistory(path, HistoryKind::Received,
                     {{QStringLiteral("whole"), QStringLiteral("d1"), QStringLiteral("a1"), QStringLiteral("b1")},
                      {QStringLiteral("cut"), QStringLiteral("d2"), QStringLiteral("a2"), QStringLiteral("b2")}});
        QFile file(path);
        QVERIFY(file.resize(store::HistoryRecordSize * 3 / 2));

        LoadHistory(s.viewer, s.state, HistoryKind::Received);

        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("1"));
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("whole"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("b1"));
    }

    void appendWritesTheTrimmedBoxesAsAReceivedRecord()
    {
        Setup s;
        s.viewer.Text9->setText(QStringLiteral("  件名 "));
        s.viewer.Text8->setText(QStringLiteral(" a@b.jp "));
        s.viewer.Text7->setText(QStringLiteral(" Mon, 7 Dec 2026 "));
        s.viewer.setBodyText(QStringLiteral("  本文\r\n二行目\r\n  "));

        QVERIFY(AppendReceivedRecord(s.viewer, s.state, 1).ok);

        const QByteArray bytes = s.folder.read(ReceivedFile);
        QCOMPARE(bytes.size(), store::HistoryRecordSize);
        QCOMPARE(bytes.left(100), QByteArray("\x8c\x8f\x96\xbc") + spaces(96));
        QCOMPARE(bytes.mid(100, 90), QByteArray("a@b.jp") + spaces(84));
        QCOMPARE(bytes.mid(190, 90), QByteArray("Mon, 7 Dec 2026") + spaces(75));
        QCOMPARE(bytes.mid(280, 16), QByteArray("\x96\x7b\x95\xb6\r\n\x93\xf1\x8d\x73\x96\xda\r\n  "));
        QCOMPARE(bytes.mid(20280), QByteArray("\r\n\x01\x00", 4));
        QCOMPARE(s.state.ReceivedRecord.Subject, QStringLiteral("件名"));
    }

    void appendFailuresNameTheProblem()
    {
        TempProgramFolder bare(false);
        ProgramState state(bare.folder());
        ScriptedSeams scripted;
        TyakuForm viewer(state, scripted.seams());
        const store::StoreResult missing = AppendReceivedRecord(viewer, state, 1);
        QVERIFY(!missing.ok);
        QVERIFY(missing.error.contains(QStringLiteral("★MAilData")));

        Setup s;
        const store::StoreResult full = AppendReceivedRecord(s.viewer, s.state, store::MaxRecordNumber + 1);
        QVERIFY(!full.ok);
        QVERIFY(full.error.contains(QStringLiteral("zeldata2.data")));
        QVERIFY(!QFileInfo::exists(s.folder.file(ReceivedFile)));
    }
};

QTEST_MAIN(HistoryLoadingTest)
#include "history_loading_test.moc"
