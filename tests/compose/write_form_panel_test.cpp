// The compose window's address panel and bulk mode without a mail server: the lists it shows,
// widening and narrowing, a press on a name, the two options, a bulk send over an empty list,
// and one over a list longer than the address book. Also the greeting phrases.

#include "ComposeFixture.h"
#include "compose/AddressListPanel.h"
#include "platform/Twips.h"
#include "store/AddressRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

const QString BookFile = QStringLiteral("★MAilData/Devudiz20.data");
const QString ListFile = QStringLiteral("★MAilData/ZIDORIDE20.INI");

QByteArray records(const QList<std::pair<QString, QString>>& entries)
{
    QByteArray bytes;
    for (const auto& [name, address] : entries)
        bytes += store::AddressRecord::forEntry(name, address).toBytes();
    return bytes;
}

QColor listColour(const WriteForm& form) { return form.AddressPanel->List1->palette().color(QPalette::Base); }

void pressRow(QListWidget* list, int row)
{
    const QRect where = row < 0 ? QRect(QPoint(5, list->viewport()->height() - 5), QSize(1, 1))
                                : list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where.center());
}

}  // namespace

class WriteFormPanelTest : public QObject {
    Q_OBJECT

private slots:
    void greetingPhrasesReplaceTheBodyWhenTheBoxIsLeft()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        QCOMPARE(form.Combo1->count(), 8);
        QCOMPARE(form.Combo1->itemText(0), QStringLiteral("御社益々ご清祥の事とお慶び申し上げます。"));
        QCOMPARE(form.Combo1->itemText(4), QStringLiteral("メールありがとうございました。確かに受け取りました。"));
        QCOMPARE(form.Combo1->itemText(7), QStringLiteral("こんにちわ。お変わりなく、お元気ですか？"));
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));

        form.setBodyText(QStringLiteral("書きかけの本文\r\n二行目"));
        form.Combo1->setFocus(Qt::TabFocusReason);
        form.Combo1->setCurrentIndex(3);
        QCOMPARE(form.bodyText(), QStringLiteral("書きかけの本文\r\n二行目"));  // not before leaving
        form.SubjectText->setFocus(Qt::TabFocusReason);
        QCOMPARE(form.bodyText(), QStringLiteral("いつもお世話になっております。"));

        form.Combo1->setFocus(Qt::TabFocusReason);
        form.Combo1->setEditText(QString());
        form.ToText->setFocus(Qt::MouseFocusReason);
        QVERIFY(form.bodyText().isEmpty());
    }

    void loadListsTheReadOnlyAddressList()
    {
        ComposeFixture before;
        // A missing list is created empty, and the panel counts nothing.
        QVERIFY(QFile::exists(before.program.file(ListFile)));
        QCOMPARE(before.program.read(ListFile).size(), 0);
        QCOMPARE(before.form->AddressPanel->Text1->text(), QStringLiteral("0"));
        QCOMPARE(before.form->AddressPanel->AddressRecordNumbers, std::vector<std::int16_t>{0});

        before.program.write(ListFile, records({{QStringLiteral("山田"), QStringLiteral("yamada@example.jp")},
                                                {QStringLiteral("Ito"), QStringLiteral("ito@example.jp")}})
                                           + QByteArray(50, 'x'));
        WriteForm reloaded(before.state, before.formSeams(), before.files, {});
        compose::AddressListPanel& panel = *reloaded.AddressPanel;
        QCOMPARE(panel.List1->count(), 2);  // the incomplete tail is no entry
        // Names are shown as stored: full-width padding to 30 characters, then ASCII spaces.
        QCOMPARE(panel.List1->item(0)->text(), QStringLiteral("山田") + QString(28, QChar(0x3000)) + QString(30, u' '));
        QCOMPARE(panel.Text1->text(), QStringLiteral("2"));
        QCOMPARE(panel.AddressRecordNumbers, (std::vector<std::int16_t>{1, 2, 0}));
    }

    void addressBookWidensTheWindowAndListsTheBook()
    {
        ComposeFixture c;
        c.program.write(BookFile, records({{QStringLiteral("一"), QStringLiteral("one@example.jp")},
                                           {QStringLiteral("二"), QStringLiteral("  two@example.jp")},
                                           {QStringLiteral("三"), QStringLiteral("three@example.jp")}}));
        WriteForm& form = *c.form;
        const int normalWidth = form.width();
        form.Command4->click();  // アドレス帳
        QCOMPARE(form.width() - normalWidth, twips::toPixels(9700 - 7100));
        QVERIFY(form.rect().contains(form.AddressPanel->geometry()));
        QCOMPARE(form.AddressPanel->List1->count(), 3);
        QCOMPARE(form.AddressPanel->Text1->text(), QStringLiteral("3"));
        QCOMPARE(form.AddressPanel->AddressRecordNumbers, (std::vector<std::int16_t>{1, 2, 3, 0}));

        form.AddressPanel->Option2->click();
        form.Command6->click();  // 元のサイズ: narrower and white, still in bulk mode
        QCOMPARE(form.width(), normalWidth);
        QCOMPARE(listColour(form), QColor(Qt::white));
        QVERIFY(form.AddressPanel->Option2->isChecked());
    }

    void pressingANameFillsTheRecipientFromTheBook()
    {
        ComposeFixture c;
        c.program.write(BookFile, records({{QStringLiteral("一"), QStringLiteral("one@example.jp")},
                                           {QStringLiteral("二"), QStringLiteral("  two@example.jp")}}));
        WriteForm& form = *c.form;
        form.Command4->click();
        form.ToText->setText(QStringLiteral("before@example.jp"));

        pressRow(form.AddressPanel->List1, -1);  // below the names, nothing selected yet
        QCOMPARE(c.shown().size(), 1);
        QCOMPARE(c.shown().first().text, QStringLiteral("データが選択されていません"));
        QCOMPARE(c.shown().first().title, QStringLiteral("rudiv"));
        QCOMPARE(c.shown().first().icon, MessageIcon::Warning);
        QCOMPARE(form.ToText->text(), QStringLiteral("before@example.jp"));

        pressRow(form.AddressPanel->List1, 1);
        QCOMPARE(form.ToText->text(), QStringLiteral("two@example.jp"));
        pressRow(form.AddressPanel->List1, 0);
        QCOMPARE(form.ToText->text(), QStringLiteral("one@example.jp"));
        QCOMPARE(c.shown().size(), 1);
    }

    void optionsSwitchBulkModeAndColourTheList()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        QVERIFY(!form.AddressPanel->Option1->isChecked() && !form.AddressPanel->Option2->isChecked());
        QCOMPARE(listColour(form), QColor(Qt::white));
        form.ToText->setText(QStringLiteral("to@example.jp"));
        form.AddressPanel->Option2->click();
        QVERIFY(form.AddressPanel->bulkMode());
        QCOMPARE(listColour(form), QColor(0, 128, 0));
        QCOMPARE(form.ToText->text(), QStringLiteral("to@example.jp"));
        form.AddressPanel->Option1->click();
        QVERIFY(!form.AddressPanel->bulkMode());
        QCOMPARE(listColour(form), QColor(Qt::white));
        QVERIFY(form.ToText->text().isEmpty());

        form.AddressPanel->Option2->click();
        form.Command11->click();  // クリア ends it: neither option set, the list white
        QVERIFY(!form.AddressPanel->Option1->isChecked() && !form.AddressPanel->Option2->isChecked());
        QCOMPARE(listColour(form), QColor(Qt::white));
    }

    void bulkSendOverAnEmptyListSendsAndWritesNothing()
    {
        ComposeFixture c;  // the list was filled from the (missing, now empty) read-only list
        c.program.write(BookFile, records({{QStringLiteral("一"), QStringLiteral("one@example.jp")}}));
        c.form->ToText->setText(QStringLiteral("to@example.jp"));
        c.form->Check1->setChecked(true);
        c.form->AddressPanel->Option2->click();
        c.form->Command1->click();
        QVERIFY(c.shown().isEmpty());  // the server at port 1 would have refused a mail
        QVERIFY(c.sentFile().isEmpty());
        QVERIFY(c.unloaded());
    }

    // The read-only list names three entries, the book has one record: one pass goes out (and
    // fails at port 1), the two others send and record nothing, and the window stays to say so.
    void passesBeyondTheBookSendNothingAndSaySo()
    {
        ComposeFixture c;
        c.program.write(ListFile, records({{QStringLiteral("a"), QStringLiteral("a@example.jp")},
                                           {QStringLiteral("b"), QStringLiteral("b@example.jp")},
                                           {QStringLiteral("c"), QStringLiteral("c@example.jp")}}));
        c.program.write(BookFile, records({{QStringLiteral("一"), QStringLiteral("one@example.jp")}}));
        WriteForm form(c.state, c.formSeams(), c.files, {});
        QCOMPARE(form.AddressPanel->List1->count(), 3);
        form.ToText->setText(QStringLiteral("to@example.jp"));
        form.AddressPanel->Option2->click();

        form.Command1->click();

        QCOMPARE(c.shown().size(), 1);
        QCOMPARE(c.shown().first().title, QStringLiteral("送信エラー"));
        QCOMPARE(c.sentFile().size(), 20284);
        // The one pass with an address failed, so none of the three got the mail: the window
        // keeps the mail and bulk mode for another try.
        QCOMPARE(form.Label7->text(), QStringLiteral("3件中3件が未送信です。「送信」で残りを送れます。"));
        QCOMPARE(form.ToText->text(), QStringLiteral("to@example.jp"));
        QVERIFY(form.AddressPanel->bulkMode());
    }
};

QTEST_MAIN(WriteFormPanelTest)
#include "write_form_panel_test.moc"
