// The attachment row, which the compose and the reply window share: two picked files joined with
// ",", "追加" pressed before any first file, a cancelled dialog, "取り消し", and what a send does
// to the row. Each case runs on both windows.

#include "ComposeFixture.h"

#include <QtTest>

namespace {

QStringList lines(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// True when the whole list lies above every other control of its window, so that all its lines
// can be seen and pressed.
bool listOnTop(const QListWidget* list)
{
    const QWidget* window = list->window();
    const QRect area(list->mapTo(window, QPoint(0, 0)), list->size());
    for (int y = area.top(); y <= area.bottom(); y += 4) {
        for (int x = area.left(); x <= area.right(); x += 4) {
            const QWidget* shown = window->childAt(QPoint(x, y));
            if (shown != list && !list->isAncestorOf(shown))
                return false;
        }
    }
    return true;
}

const QString First = QStringLiteral("/home/user/書類/見積 書.pdf");
const QString Second = QStringLiteral("/tmp/b.txt");

}  // namespace

class AttachmentRowsTest : public QObject {
    Q_OBJECT

    static void bothWindows()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("compose") << QStringLiteral("compose");
        QTest::newRow("reply") << QStringLiteral("reply");
    }

private slots:
    void twoPickedFilesAreJoinedWithAComma_data() { bothWindows(); }
    void twoPickedFilesAreJoinedWithAComma()
    {
        QFETCH(QString, kind);
        AnyWindow w(kind);
        const AttachmentRow& row = w.row;
        w.fixture->files.answers << First << Second;

        row.attach->click();
        QCOMPARE(row.paths->text(), First);
        QVERIFY(!row.attach->isEnabled());
        QVERIFY(row.add->isEnabled());
        QVERIFY(!row.list->isVisible());  // the list waits for "追加"

        row.add->click();
        QCOMPARE(row.paths->text(), First + u',' + Second);
        QCOMPARE(lines(row.list), (QStringList{First, Second}));
        QVERIFY(row.list->isVisible());
        QVERIFY(listOnTop(row.list));
        QCOMPARE(w.fixture->files.opened, 2);
    }

    // The compose window enables "追加" only with "添付File", so there the empty text comes from
    // a cancelled first pick; the reply window offers it from the start.
    void addBeforeAnyFirstFileOnlyShowsTheList_data() { bothWindows(); }
    void addBeforeAnyFirstFileOnlyShowsTheList()
    {
        QFETCH(QString, kind);
        AnyWindow w(kind);
        const AttachmentRow& row = w.row;
        if (kind == QStringLiteral("compose")) {
            QVERIFY(!row.add->isEnabled());
            row.attach->click();  // cancelled: nothing added, the button is spent all the same
            QCOMPARE(w.fixture->files.opened, 1);
            QVERIFY(row.paths->text().isEmpty());
            QVERIFY(!row.attach->isEnabled());
        }
        const int openedBefore = w.fixture->files.opened;
        w.fixture->files.answers << Second;
        row.add->click();
        QVERIFY(row.list->isVisible());
        QCOMPARE(row.list->count(), 0);
        QVERIFY(row.paths->text().isEmpty());
        QCOMPARE(w.fixture->files.opened, openedBefore);
    }

    void dropAllEmptiesTheRow_data() { bothWindows(); }
    void dropAllEmptiesTheRow()
    {
        QFETCH(QString, kind);
        AnyWindow w(kind);
        const AttachmentRow& row = w.row;
        w.fixture->files.answers << First << QString() << Second;
        row.attach->click();
        row.add->click();  // cancelled: the text keeps the first file only
        QCOMPARE(row.paths->text(), First);
        row.add->click();

        row.drop->click();  // 取り消し
        QVERIFY(row.paths->text().isEmpty());
        QCOMPARE(row.list->count(), 0);
        QVERIFY(!row.list->isVisible());
        QVERIFY(!row.add->isEnabled());
        QVERIFY(!row.drop->isEnabled());
        QVERIFY(row.attach->isEnabled());
    }

    // A path the mail library cannot carry (its list separator, or a character code page 932
    // has no code for) is refused at once, saying why; the row stays exactly as it was, so the
    // user can pick another file with the same button.
    void pathsThatCannotBeCarriedAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        for (const char* kind : {"compose", "reply"}) {
            QTest::addRow("%s, comma", kind) << QString::fromLatin1(kind) << QStringLiteral("/tmp/a,b.txt") << QStringLiteral("「,」");
            QTest::addRow("%s, outside code page 932", kind)
                << QString::fromLatin1(kind) << QStringLiteral("/tmp/café简.txt") << QStringLiteral("é 简");
        }
    }
    void pathsThatCannotBeCarriedAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, path);
        QFETCH(QString, reason);
        AnyWindow w(kind);
        const AttachmentRow& row = w.row;
        w.fixture->files.answers << path << First << path;

        row.attach->click();  // refused
        QCOMPARE(w.fixture->shown().size(), 1);
        QVERIFY2(w.fixture->shown().first().text.contains(reason), qPrintable(w.fixture->shown().first().text));
        QCOMPARE(w.fixture->shown().first().icon, MessageIcon::Warning);
        QVERIFY(row.paths->text().isEmpty());
        QCOMPARE(row.list->count(), 0);
        QVERIFY(row.attach->isEnabled());
        QCOMPARE(row.add->isEnabled(), kind == QStringLiteral("reply"));

        row.attach->click();  // the same button takes a good file
        QCOMPARE(row.paths->text(), First);
        row.add->click();  // refused again: the first file stays alone
        QCOMPARE(w.fixture->shown().size(), 2);
        QCOMPARE(row.paths->text(), First);
        QCOMPARE(lines(row.list), QStringList{First});
    }

    // At the moment the mail goes to the library the list is hidden, "追加" is off and the first
    // button usable again; the paths are still there to go with the mail.
    void composeSendResetsTheRowButSendsThePaths()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        c.files.answers << First << Second;
        form.AttachCommand->click();
        form.Command9->click();
        bool listShown = true;
        bool addEnabled = true;
        bool attachEnabled = false;
        QString paths;
        c.messages.onShow = [&] {
            listShown = c.form->List2->isVisible();
            addEnabled = c.form->Command9->isEnabled();
            attachEnabled = c.form->AttachCommand->isEnabled();
            paths = c.form->AttachText->text();
        };
        form.Command1->click();
        QCOMPARE(c.shown().size(), 1);
        QVERIFY(!listShown);
        QVERIFY(!addEnabled);
        QVERIFY(attachEnabled);
        QCOMPARE(paths, First + u',' + Second);
    }
};

QTEST_MAIN(AttachmentRowsTest)
#include "attachment_rows_test.moc"
