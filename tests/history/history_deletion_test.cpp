#include "HistoryFiles.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "history/HistoryDeletion.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

using history::LoadHistory;
using store::HistoryKind;
using store::HistoryRecordSize;

Q_DECLARE_METATYPE(store::HistoryKind)

namespace {

const QString OneQuestion = QStringLiteral("選択された（行、青色）データを削除します。よろしいですか");
const QString AllQuestion = QStringLiteral("すべてのデータを削除して良いですか？");

QString historyFile(HistoryKind kind)
{
    return kind == HistoryKind::Received ? QStringLiteral("★MAilData/zeldata2.data")
                                         : QStringLiteral("★MAilData/zeldata5.data");
}

QString tempFile(HistoryKind kind)
{
    return kind == HistoryKind::Received ? QStringLiteral("★MAilData/ZELDATA2.TMP")
                                         : QStringLiteral("★MAilData/ZELDATA5.TMP");
}

MailFields mail(int n)
{
    return {QStringLiteral("件名%1").arg(n), QStringLiteral("2026/12/0%1  09:30:0%1").arg(n),
            QStringLiteral("user%1@example.jp").arg(n), QStringLiteral("  本文 %1\r\n二行目  ").arg(n)};
}

QList<MailFields> mails(int count)
{
    QList<MailFields> list;
    for (int n = 1; n <= count; ++n)
        list.append(mail(n));
    return list;
}

// The list line of mail(n): date, four spaces, the address filled with "_" to 60 characters,
// four spaces, subject.
QString lineOf(int n)
{
    const MailFields m = mail(n);
    return m.date + QStringLiteral("    ") + m.address.leftJustified(60, QLatin1Char('_')) + QStringLiteral("    ")
        + m.subject;
}

QStringList listLines(const QListWidget* list)
{
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines.append(list->item(row)->text());
    return lines;
}

// Bytes [first, first + count) records of a history file as stored.
QByteArray recordsOf(const QByteArray& file, int first, int count = 1)
{
    return file.mid((first - 1) * HistoryRecordSize, count * HistoryRecordSize);
}

void pressLine(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

}  // namespace

class HistoryDeletionTest : public QObject {
    Q_OBJECT

private:
    struct Setup {
        explicit Setup(HistoryKind shown) : kind(shown)
        {
            viewer.setMainHelpText = [this](const QString& text) { mainHelp.append(text); };
        }

        HistoryKind kind;
        TempProgramFolder folder;
        ProgramState state{folder.folder()};
        ScriptedSeams scripted;
        TyakuForm viewer{state, scripted.seams()};
        QStringList mainHelp;

        QString path() const { return folder.file(historyFile(kind)); }
        QByteArray bytes() const { return folder.read(historyFile(kind)); }

        // A shown viewer filled from a history of the given mails.
        void load(const QList<MailFields>& list)
        {
            writeHistory(path(), kind, list);
            LoadHistory(viewer, state, kind);
            viewer.show();
            QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        }
        QList<ShownMessage>& shown() { return scripted.messages.shown; }
    };

    static void bothKinds()
    {
        QTest::addColumn<HistoryKind>("kind");
        QTest::newRow("received") << HistoryKind::Received;
        QTest::newRow("sent") << HistoryKind::Sent;
    }

private slots:
    void deletingEntryThreeOfFiveKeepsTheOthersByteForByte_data() { bothKinds(); }
    void deletingEntryThreeOfFiveKeepsTheOthersByteForByte()
    {
        QFETCH(HistoryKind, kind);
        Setup s(kind);
        s.load(mails(5));
        const QByteArray before = s.bytes();
        pressLine(s.viewer.List1, 2);
        s.viewer.Command1->click();

        QCOMPARE(s.shown().size(), 1);
        QCOMPARE(s.shown().first().text, OneQuestion);
        QCOMPARE(s.shown().first().title, QStringLiteral("確認"));
        QCOMPARE(s.shown().first().buttons, MessageButtons::YesNo);
        QCOMPARE(s.shown().first().icon, MessageIcon::Question);
        QCOMPARE(s.state.CurrentRecord, std::int16_t(3));
        QCOMPARE(s.bytes(), recordsOf(before, 1, 2) + recordsOf(before, 4, 2));
        QVERIFY(!QFile::exists(s.folder.file(tempFile(kind))));

        QCOMPARE(listLines(s.viewer.List1), QStringList({lineOf(1), lineOf(2), lineOf(4), lineOf(5)}));
        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("4"));
        QCOMPARE(s.viewer.List1->selectedLine(), std::nullopt);
        // The boxes show the last record, its body also on the clipboard.
        QCOMPARE(s.viewer.Text7->text(), mail(5).date);
        QCOMPARE(s.viewer.Text8->text(), mail(5).address);
        QCOMPARE(s.viewer.Text9->text(), mail(5).subject);
        QCOMPARE(s.viewer.rtfEd->toPlainText(), QStringLiteral("本文 5\n二行目"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("本文 5\n二行目"));
        const store::HistoryRecord& memory = kind == HistoryKind::Sent ? s.state.SentRecord : s.state.ReceivedRecord;
        QCOMPARE(memory.Subject.trimmed(), mail(5).subject);
        // Only the sent history reports its count to the main window.
        QCOMPARE(s.mainHelp, kind == HistoryKind::Sent ? QStringList{QStringLiteral("4")} : QStringList{});
    }

    void deletingTheOnlyEntryLeavesAnEmptyFile_data() { bothKinds(); }
    void deletingTheOnlyEntryLeavesAnEmptyFile()
    {
        QFETCH(HistoryKind, kind);
        Setup s(kind);
        s.load(mails(1));
        pressLine(s.viewer.List1, 0);
        s.viewer.Command1->click();
        QVERIFY(QFile::exists(s.path()));
        QCOMPARE(s.bytes(), QByteArray());
        QCOMPARE(s.viewer.List1->count(), 0);
        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("0"));
        for (QLineEdit* box : {s.viewer.Text7, s.viewer.Text8, s.viewer.Text9})
            QVERIFY(box->text().isEmpty());
        QVERIFY(s.viewer.rtfEd->toPlainText().isEmpty());
        QCOMPARE(s.mainHelp, kind == HistoryKind::Sent ? QStringList{QStringLiteral("0")} : QStringList{});
    }

    void withoutSelectionNothingIsAskedOrWritten()
    {
        Setup s(HistoryKind::Sent);
        s.load(mails(3));
        const QByteArray before = s.bytes();
        s.state.CurrentRecord = 9;
        s.viewer.Command1->click();
        QCOMPARE(s.shown().size(), 1);
        QCOMPARE(s.shown().first().text, QStringLiteral("データが選択されていません。"));
        QCOMPARE(s.shown().first().title, QStringLiteral("rudiv"));
        QCOMPARE(s.shown().first().buttons, MessageButtons::Ok);
        QCOMPARE(s.bytes(), before);
        QCOMPARE(s.state.CurrentRecord, std::int16_t(9));
        QCOMPARE(s.viewer.List1->count(), 3);
        QVERIFY(s.mainHelp.isEmpty());
    }

    void answeringNoKeepsEverythingButTheMarkedNumber()
    {
        Setup s(HistoryKind::Received);
        s.load(mails(3));
        const QByteArray before = s.bytes();
        pressLine(s.viewer.List1, 1);
        s.scripted.messages.answers << MessageAnswer::No << MessageAnswer::No;
        s.viewer.Command1->click();
        QCOMPARE(s.state.CurrentRecord, std::int16_t(2));
        s.viewer.Command5->click();
        QCOMPARE(s.shown().size(), 2);
        QCOMPARE(s.shown().at(1).text, AllQuestion);
        QCOMPARE(s.bytes(), before);
        QCOMPARE(s.viewer.List1->count(), 3);
        QCOMPARE(s.viewer.List1->selectedLine(), std::optional<int>(1));
        QCOMPARE(s.viewer.Text9->text(), mail(2).subject);
    }

    // The selection moved by the keyboard shows its mail, so the mail deleted is the one on screen.
    void aLineSelectedByKeyboardIsShownAndDeleted()
    {
        Setup s(HistoryKind::Received);
        s.load(mails(4));
        const QByteArray before = s.bytes();
        pressLine(s.viewer.List1, 0);
        QTest::keyClick(s.viewer.List1, Qt::Key_Down);
        QCOMPARE(s.viewer.Text9->text(), mail(2).subject);
        s.viewer.Command1->click();
        QCOMPARE(s.bytes(), recordsOf(before, 1) + recordsOf(before, 3, 2));
    }

    void recordsMarkedUnusedOnDiskGoWithTheNextDeletion_data() { bothKinds(); }
    void recordsMarkedUnusedOnDiskGoWithTheNextDeletion()
    {
        QFETCH(HistoryKind, kind);
        Setup s(kind);
        QByteArray file = recordOf(mail(1), kind).toBytes() + recordOf(mail(2), kind).toBytes();
        file[2 * HistoryRecordSize - 2] = 0;  // record 2: InUse 0 (little-endian 0x0000)
        file += recordOf(mail(3), kind).toBytes() + recordOf(mail(4), kind).toBytes();
        // Any value other than 0 keeps a record.
        file[4 * HistoryRecordSize - 2] = 7;
        s.folder.write(historyFile(kind), file);
        LoadHistory(s.viewer, s.state, kind);
        QCOMPARE(s.viewer.List1->count(), 4);  // loading does not look at the mark

        pressLine(s.viewer.List1, 2);
        s.viewer.Command1->click();
        QCOMPARE(s.bytes(), recordsOf(file, 1) + recordsOf(file, 4));
        QCOMPARE(listLines(s.viewer.List1), QStringList({lineOf(1), lineOf(4)}));
    }

    void anIncompleteLastRecordIsDropped()
    {
        Setup s(HistoryKind::Sent);
        s.load(mails(3));
        const QByteArray whole = s.bytes();
        s.folder.write(historyFile(HistoryKind::Sent), whole + QByteArray(HistoryRecordSize / 2, 'x'));
        LoadHistory(s.viewer, s.state, HistoryKind::Sent);
        QCOMPARE(s.viewer.List1->count(), 3);
        pressLine(s.viewer.List1, 0);
        s.viewer.Command1->click();
        QCOMPARE(s.bytes(), recordsOf(whole, 2, 2));
        QCOMPARE(s.mainHelp, QStringList{QStringLiteral("2")});
    }

    void deletingAllEmptiesFileListAndBoxes_data() { bothKinds(); }
    void deletingAllEmptiesFileListAndBoxes()
    {
        QFETCH(HistoryKind, kind);
        Setup s(kind);
        s.load(mails(3));
        s.viewer.Command5->click();
        QCOMPARE(s.shown().size(), 1);
        QCOMPARE(s.shown().first().text, AllQuestion);
        QCOMPARE(s.shown().first().title, QStringLiteral("確認"));
        QCOMPARE(s.shown().first().buttons, MessageButtons::YesNo);
        QCOMPARE(s.shown().first().icon, MessageIcon::Question);
        QCOMPARE(s.state.CurrentRecord, std::int16_t(3));
        QVERIFY(QFile::exists(s.path()));
        QCOMPARE(s.bytes(), QByteArray());
        QVERIFY(!QFile::exists(s.folder.file(tempFile(kind))));
        QCOMPARE(s.viewer.List1->count(), 0);
        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("0"));
        for (QLineEdit* box : {s.viewer.Text7, s.viewer.Text8, s.viewer.Text9})
            QVERIFY(box->text().isEmpty());
        QVERIFY(s.viewer.rtfEd->toPlainText().isEmpty());
        QVERIFY(s.mainHelp.isEmpty());
    }

    void deletingAllOfAnEmptyListStillAsks()
    {
        Setup s(HistoryKind::Received);
        s.folder.write(historyFile(HistoryKind::Received), QByteArray());
        s.load({});
        s.viewer.Command5->click();
        QCOMPARE(s.shown().size(), 1);
        QCOMPARE(s.shown().first().text, AllQuestion);
        QVERIFY(QFile::exists(s.path()));
        QCOMPARE(s.bytes(), QByteArray());
        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("0"));

        // A history that was never written stays absent, without an error.
        Setup missing(HistoryKind::Sent);
        LoadHistory(missing.viewer, missing.state, HistoryKind::Sent);
        missing.viewer.Command5->click();
        QCOMPARE(missing.shown().size(), 1);
        QVERIFY(!QFile::exists(missing.path()));
        QCOMPARE(missing.viewer.Text2->text(), QStringLiteral("0"));
    }

    void deletingAllSparesARecordStoredAfterTheListWasFilled_data() { bothKinds(); }
    void deletingAllSparesARecordStoredAfterTheListWasFilled()
    {
        QFETCH(HistoryKind, kind);
        Setup s(kind);
        s.load(mails(2));
        // A mail stored while the viewer was open.
        QVERIFY(store::writeRecord(s.path(), store::NextRecordNumber(s.path()), recordOf(mail(3), kind)).ok);
        const QByteArray before = s.bytes();
        s.viewer.Command5->click();
        QCOMPARE(s.state.CurrentRecord, std::int16_t(2));
        QCOMPARE(s.bytes(), recordsOf(before, 3));
        // Listed as loading lists it, and counted, so list, count and file agree.
        QCOMPARE(listLines(s.viewer.List1), QStringList{lineOf(3)});
        QCOMPARE(s.viewer.Text2->text(), QStringLiteral("1"));
        QVERIFY(s.viewer.Text9->text().isEmpty());
        QVERIFY(s.viewer.rtfEd->toPlainText().isEmpty());
        // The remaining line leads to that record.
        pressLine(s.viewer.List1, 0);
        QCOMPARE(s.viewer.Text9->text(), mail(3).subject);
    }

    void linesOfTheMailCheckDeleteTheirOwnRecords()
    {
        Setup s(HistoryKind::Received);
        s.load(mails(5));
        const QByteArray before = s.bytes();
        // As the mail check leaves the list: its own lines for the records it has just stored.
        s.viewer.clearHistoryList();
        s.viewer.addHistoryLine(QStringLiteral("new 4"), HistoryKind::Received, 4);
        s.viewer.addHistoryLine(QStringLiteral("new 5"), HistoryKind::Received, 5);
        pressLine(s.viewer.List1, 1);
        s.viewer.Command1->click();
        QCOMPARE(s.state.CurrentRecord, std::int16_t(5));
        QCOMPARE(s.bytes(), recordsOf(before, 1, 4));
        QCOMPARE(s.viewer.List1->count(), 4);

        s.viewer.clearHistoryList();
        s.viewer.addHistoryLine(QStringLiteral("new 2"), HistoryKind::Received, 2);
        s.viewer.addHistoryLine(QStringLiteral("new 4"), HistoryKind::Received, 4);
        s.viewer.Command5->click();
        QCOMPARE(s.bytes(), recordsOf(before, 1) + recordsOf(before, 3));
        QCOMPARE(listLines(s.viewer.List1), QStringList({lineOf(1), lineOf(3)}));
    }

    void aFailedRewriteLeavesTheHistoryAndTellsTheUser()
    {
        Setup s(HistoryKind::Sent);
        s.load(mails(3));
        const QByteArray before = s.bytes();
        // Nothing can be written under the temporary file's name.
        QVERIFY(QDir(s.folder.path()).mkpath(tempFile(HistoryKind::Sent)));
        pressLine(s.viewer.List1, 1);
        s.viewer.Command1->click();
        QCOMPARE(s.shown().size(), 2);
        QVERIFY(s.shown().at(1).text.contains(s.path()));
        QCOMPARE(s.shown().at(1).icon, MessageIcon::Warning);
        QCOMPARE(s.bytes(), before);
        QCOMPARE(listLines(s.viewer.List1), QStringList({lineOf(1), lineOf(2), lineOf(3)}));
        QCOMPARE(s.mainHelp, QStringList{QStringLiteral("3")});
    }

    void aTemporaryFileLeftByACrashIsNeverTakenForData()
    {
        Setup s(HistoryKind::Received);
        s.load(mails(2));
        const QByteArray before = s.bytes();
        s.folder.write(tempFile(HistoryKind::Received), recordOf(mail(9), HistoryKind::Received).toBytes().repeated(3));
        pressLine(s.viewer.List1, 0);
        s.viewer.Command1->click();
        QCOMPARE(s.bytes(), recordsOf(before, 2));
        QVERIFY(!QFile::exists(s.folder.file(tempFile(HistoryKind::Received))));
    }
};

QTEST_MAIN(HistoryDeletionTest)
#include "history_deletion_test.moc"
