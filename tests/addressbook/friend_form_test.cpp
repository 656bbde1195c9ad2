// The address book window under the offscreen platform: registering, listing and deleting
// through the real controls, with the file checked byte by byte.

#include "addressbook/FriendForm.h"
#include "store/AddressBookFile.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "LineEdits.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

const QString BookFile = QStringLiteral("★MAilData/Devudiz20.data");
const QString TempFile = QStringLiteral("★MAilData/DEVUDIZ20.TMP");
const QString DeleteQuestion = QStringLiteral("選択された（行、青色）データを削除します。よろしいですか");

QByteArray entry(const QString& name, const QString& address)
{
    return store::AddressRecord::forEntry(name, address).toBytes();
}

// Types text key by key, Japanese included (what an input method commits arrives the same way).
void type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void registerEntry(FriendForm& form, const QString& name, const QString& address)
{
    type(form.Text2, name);
    type(form.Text4, address);
    form.Command4->click();
}

void selectLine(FriendForm& form, int row)
{
    QListWidgetItem* item = form.List1->item(row);
    QTest::mouseClick(form.List1->viewport(), Qt::LeftButton, {}, form.List1->visualItemRect(item).center());
    QVERIFY(item->isSelected());
}

}  // namespace

class FriendFormTest : public QObject {
    Q_OBJECT

private slots:
    void opensOnAMissingFileWithAnEmptyList()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        QCOMPARE(form.windowTitle(), QStringLiteral("アドレス帳"));
        QCOMPARE(form.List1->count(), 0);
        QCOMPARE(form.Text3->text(), QStringLiteral("0"));
        QVERIFY(form.Label7->text().isEmpty());
        QVERIFY(QFile::exists(program.file(BookFile)));
        QCOMPARE(QFileInfo(program.file(BookFile)).size(), 0);
        QVERIFY(seams.messages.shown.isEmpty());
    }

    void registeringAppendsTheExactRecordAndListsIt()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        registerEntry(form, QStringLiteral("山田"), QStringLiteral("a@b"));

        const QByteArray bytes = program.read(BookFile);
        QCOMPARE(bytes.size(), 124);
        QCOMPARE(bytes.left(60), QByteArray("\x8e\x52\x93\x63") + QByteArray("\x81\x40").repeated(28));
        QCOMPARE(bytes.mid(60, 4), QByteArray("\r\n\x01\x00", 4));
        QCOMPARE(bytes.mid(64), QByteArray("a@b") + QByteArray(57, ' '));
        QCOMPARE(form.List1->count(), 1);
        QCOMPARE(form.List1->item(0)->text(), QStringLiteral("a@b") + QString(57, u' ') + QStringLiteral("  山田")
                                                  + QString(28, QChar(0x3000)) + QString(30, u' '));
        QCOMPARE(form.Text3->text(), QStringLiteral("1"));
        QCOMPARE(form.Label7->text(), QStringLiteral("　登録が完了しました。"));
        QVERIFY(form.Text2->text().isEmpty());
        QVERIFY(form.Text4->text().isEmpty());
        QVERIFY(seams.messages.shown.isEmpty());
    }

    void duplicatesAreKept()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        registerEntry(form, QStringLiteral("Suzuki Ken"), QStringLiteral("ken@example.jp"));
        registerEntry(form, QStringLiteral("Suzuki Ken"), QStringLiteral("ken@example.jp"));
        const QByteArray one = entry(QStringLiteral("Suzuki Ken"), QStringLiteral("ken@example.jp"));
        QCOMPARE(one.left(60), QByteArray("Suzuki Ken") + QByteArray("\x81\x40").repeated(20) + QByteArray(10, ' '));
        QCOMPARE(program.read(BookFile), one + one);
        QCOMPARE(form.Text3->text(), QStringLiteral("2"));
    }

    void missingNameOrAddressWritesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::newRow("no name") << QString() << QStringLiteral("a@b") << QStringLiteral("氏名（名称）が入力されていません。");
        QTest::newRow("neither") << QString() << QString() << QStringLiteral("氏名（名称）が入力されていません。");
        QTest::newRow("no address") << QStringLiteral("山田") << QString() << QStringLiteral("メールアドレスが入力されていません。");
    }
    void missingNameOrAddressWritesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, message);
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.Text2->setText(name);
        form.Text4->setText(address);
        form.Command4->click();
        QCOMPARE(seams.messages.shown.size(), 1);
        QCOMPARE(seams.messages.shown.first().text, message);
        QCOMPARE(seams.messages.shown.first().title, QStringLiteral("rudiv"));
        QCOMPARE(seams.messages.shown.first().buttons, MessageButtons::Ok);
        QCOMPARE(seams.messages.shown.first().icon, MessageIcon::None);
        QCOMPARE(QFileInfo(program.file(BookFile)).size(), 0);
        QCOMPARE(form.Text2->text(), name);
        QVERIFY(form.Label7->text().isEmpty());
    }

    void typingLimits()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        type(form.Text2, QString(35, QChar(0x540d)));
        QCOMPARE(form.Text2->text().size(), 30);
        type(form.Text4, QString(70, u'a'));
        QCOMPARE(form.Text4->text().size(), 60);
        form.Text3->setText(QStringLiteral("1"));
        type(form.Text3, QStringLiteral("234"));
        QCOMPARE(form.Text3->text(), QStringLiteral("12"));
        // The count itself is not cut: a book of a hundred entries shows "100".
        form.Text3->setText(QStringLiteral("100"));
        QCOMPARE(form.Text3->text(), QStringLiteral("100"));
    }

    void thirtyCharacterNameFillsTheFieldWithoutFullWidthPadding()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        registerEntry(form, QString(30, QChar(0x5c71)), QStringLiteral("y@x"));
        QCOMPARE(program.read(BookFile).left(64), QByteArray("\x8e\x52").repeated(30) + QByteArray("\r\n\x01\x00", 4));
    }

    void deletingTheFirstOfThreeMovesTheOthersUp()
    {
        TempProgramFolder program;
        const QByteArray one = entry(QStringLiteral("一"), QStringLiteral("1@x"));
        const QByteArray two = entry(QStringLiteral("二"), QStringLiteral("2@x"));
        const QByteArray three = entry(QStringLiteral("三"), QStringLiteral("3@x"));
        program.write(BookFile, one + two + three);
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        QCOMPARE(form.Text3->text(), QStringLiteral("3"));
        selectLine(form, 0);
        form.Command5->click();

        QCOMPARE(seams.messages.shown.size(), 1);
        QCOMPARE(seams.messages.shown.first().text, DeleteQuestion);
        QCOMPARE(seams.messages.shown.first().title, QStringLiteral("確認"));
        QCOMPARE(seams.messages.shown.first().buttons, MessageButtons::YesNo);
        QCOMPARE(seams.messages.shown.first().icon, MessageIcon::Question);
        QCOMPARE(program.read(BookFile), two + three);
        QVERIFY(!QFile::exists(program.file(TempFile)));
        QCOMPARE(form.List1->count(), 2);
        QVERIFY(form.List1->item(0)->text().startsWith(QStringLiteral("2@x ")));
        QCOMPARE(form.Text3->text(), QStringLiteral("2"));
        QCOMPARE(form.Label7->text(), QStringLiteral("削除が完了しました"));
    }

    void answeringNoLeavesEverything()
    {
        TempProgramFolder program;
        const QByteArray book = entry(QStringLiteral("一"), QStringLiteral("1@x")) + entry(QStringLiteral("二"), QStringLiteral("2@x"));
        program.write(BookFile, book);
        ScriptedSeams seams;
        seams.messages.answers.enqueue(MessageAnswer::No);
        FriendForm form(program.folder(), seams.seams());
        form.show();
        const QString before = form.List1->item(1)->text();
        selectLine(form, 1);
        form.Command5->click();
        QCOMPARE(seams.messages.shown.size(), 1);
        QCOMPARE(program.read(BookFile), book);
        QCOMPARE(form.List1->count(), 2);
        QCOMPARE(form.List1->item(1)->text(), before);
        QCOMPARE(form.Label7->text(), QStringLiteral(" "));
        QVERIFY(!QFile::exists(program.file(TempFile)));
    }

    void anyAnswerDropsRecordsAlreadyMarkedUnused()
    {
        TempProgramFolder program;
        store::AddressRecord unused = store::AddressRecord::forEntry(QStringLiteral("旧"), QStringLiteral("old@x"));
        unused.InUse = 0;
        const QByteArray kept = entry(QStringLiteral("一"), QStringLiteral("1@x"));
        program.write(BookFile, unused.toBytes() + kept);
        ScriptedSeams seams;
        seams.messages.answers.enqueue(MessageAnswer::No);
        FriendForm form(program.folder(), seams.seams());
        form.show();
        QCOMPARE(form.List1->count(), 2);  // the list shows every record, marked or not
        selectLine(form, 1);
        form.Command5->click();
        QCOMPARE(program.read(BookFile), kept);
        QCOMPARE(form.Text3->text(), QStringLiteral("1"));
    }

    void deletingWithoutASelectionOnlyComplains()
    {
        TempProgramFolder program;
        const QByteArray book = entry(QStringLiteral("一"), QStringLiteral("1@x"));
        program.write(BookFile, book);
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.Command5->click();
        QCOMPARE(seams.messages.shown.size(), 1);
        QCOMPARE(seams.messages.shown.first().text, QStringLiteral("データが選択されていません。"));
        QCOMPARE(seams.messages.shown.first().icon, MessageIcon::None);
        QCOMPARE(program.read(BookFile), book);
        QVERIFY(form.Label7->text().isEmpty());
    }

    void aFailedRewriteKeepsTheBookAndSaysSo()
    {
        TempProgramFolder program;
        const QByteArray book = entry(QStringLiteral("一"), QStringLiteral("1@x")) + entry(QStringLiteral("二"), QStringLiteral("2@x"));
        program.write(BookFile, book);
        QVERIFY(QDir(program.path()).mkpath(TempFile));  // the temporary name is taken by a folder
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        selectLine(form, 0);
        form.Command5->click();
        QCOMPARE(seams.messages.shown.size(), 2);
        QVERIFY(seams.messages.shown.at(1).text.contains(QStringLiteral("Devudiz20.data")));
        QCOMPARE(seams.messages.shown.at(1).icon, MessageIcon::Warning);
        QCOMPARE(program.read(BookFile), book);
        QCOMPARE(form.List1->count(), 2);
        QCOMPARE(form.Label7->text(), QStringLiteral(" "));
    }

    void aPartialTailIsNotListedAndTheNextEntryGoesToTheRoundedNumber()
    {
        TempProgramFolder program;
        const QByteArray one = entry(QStringLiteral("一"), QStringLiteral("1@x"));
        program.write(BookFile, one + one + QByteArray(40, 'T'));  // 2.32 records
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        QCOMPARE(form.List1->count(), 2);
        QCOMPARE(form.Text3->text(), QStringLiteral("2"));
        registerEntry(form, QStringLiteral("三"), QStringLiteral("3@x"));
        QCOMPARE(program.read(BookFile), one + one + entry(QStringLiteral("三"), QStringLiteral("3@x")));
        QCOMPARE(form.Text3->text(), QStringLiteral("3"));
    }

    void pasteReplacesTheAddressWithTheClipboardText()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.Text4->setText(QStringLiteral("old@x"));
        QGuiApplication::clipboard()->setText(QStringLiteral("new@example.jp"));
        form.Command1->click();
        QCOMPARE(form.Text4->text(), QStringLiteral("new@example.jp"));
        QGuiApplication::clipboard()->clear();
        form.Command1->click();
        QVERIFY(form.Text4->text().isEmpty());
    }

    void aLongPastedAddressShowsItsStart()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        QGuiApplication::clipboard()->setText(QStringLiteral("a.very.long.friend.address.for.testing@example.co.jp"));
        form.Command1->click();
        QVERIFY(showsItsStart(form.Text4));
    }

    void withoutADataFolderNothingIsCreated()
    {
        TempProgramFolder program(false);
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        QCOMPARE(seams.messages.shown.size(), 1);
        QVERIFY(seams.messages.shown.first().text.contains(QStringLiteral("★MAilData")));
        form.Text2->setText(QStringLiteral("山田"));
        form.Text4->setText(QStringLiteral("a@b"));
        form.Command4->click();
        QCOMPARE(seams.messages.shown.size(), 2);
        QCOMPARE(form.Text2->text(), QStringLiteral("山田"));
        QVERIFY(form.Label7->text().isEmpty());
        QVERIFY(QDir(program.path()).isEmpty());
    }

    void homeClosesTheWindow()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        FriendForm form(program.folder(), seams.seams());
        form.show();
        form.Command3->click();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(FriendFormTest)
#include "friend_form_test.moc"
