#include "EditorFixture.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

namespace {

// A printed job without its creation time, the only part that differs between equal jobs.
QByteArray jobContent(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("(missing)");
    QString content = QString::fromLatin1(file.readAll());
    content.remove(QRegularExpression(QStringLiteral("/CreationDate \\([^)]*\\)")));
    return content.toLatin1();
}

int pageCount(const QString& path) { return jobContent(path).count("/Type /Page\n"); }

QString numberedLines(int count, int width = 0)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1 ").arg(i) + QString(width, QLatin1Char('w'));
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace

class EditorPrintTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir settingsDir_;

    // Prints the text of a fresh window as a job of the name and returns its first file.
    static QString printed(EditorFixture& f, const QString& text, const QString& name)
    {
        f.setText(text);
        f.dialogs.jobName = name;
        f.press(QStringLiteral("Print"));
        return f.dialogs.jobFile(1);
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path()); }

    void everyCopyIsAJobOfItsOwnWithTheSameText()
    {
        EditorFixture f;
        f.dialogs.copies = 2;
        const QString first = printed(f, QStringLiteral("first line\r\nsecond line"), QStringLiteral("copies"));
        QVERIFY(QFile::exists(first));
        QVERIFY(QFile::exists(f.dialogs.jobFile(2)));
        QVERIFY(!QFile::exists(f.dialogs.jobFile(3)));
        QCOMPARE(jobContent(f.dialogs.jobFile(2)), jobContent(first));
        QCOMPARE(pageCount(first), 1);
        QCOMPARE(f.dialogs.selectionOffered, QList<bool>{false});
        // Another text makes another job: the comparison above sees the text.
        f.dialogs.copies = 1;
        const QString other = printed(f, QStringLiteral("first line\r\nsecond lime"), QStringLiteral("other"));
        QVERIFY(jobContent(other) != jobContent(first));
    }

    void pagesAreBrokenWhenFullAndLongLinesAreNotWrapped()
    {
        EditorFixture f;
        const int few = pageCount(printed(f, numberedLines(20), QStringLiteral("few")));
        const int many = pageCount(printed(f, numberedLines(200), QStringLiteral("many")));
        const int more = pageCount(printed(f, numberedLines(400), QStringLiteral("more")));
        QCOMPARE(few, 1);
        QVERIFY2(many > few && more > many, qPrintable(QStringLiteral("%1 %2 %3").arg(few).arg(many).arg(more)));
        // Lines far wider than the page still take one line each.
        QCOMPARE(pageCount(printed(f, numberedLines(200, 600), QStringLiteral("wide"))), many);
    }

    void aSelectionPrintsAloneAndIsOfferedInTheDialog()
    {
        EditorFixture f;
        const QString whole = printed(f, QStringLiteral("alpha beta"), QStringLiteral("whole"));
        f.setText(QStringLiteral("alpha beta\r\ngamma"));
        f.select(0, 10);
        f.dialogs.jobName = QStringLiteral("selected");
        f.viewer->mprint->trigger();  // the menu item prints like the toolbar button
        QCOMPARE(f.dialogs.selectionOffered, (QList<bool>{false, true}));
        QCOMPARE(jobContent(f.dialogs.jobFile(1)), jobContent(whole));
    }

    void theSelectionOfTheFocusedSearchBoxIsPrinted()
    {
        EditorFixture f;
        const QString expected = printed(f, QStringLiteral("needle"), QStringLiteral("expected"));
        f.setText(QStringLiteral("some text"));
        f.select(0, 4);
        f.editor().Text1->setText(QStringLiteral("a needle b"));
        f.editor().Text1->setFocus();
        f.editor().Text1->setSelection(2, 6);
        f.dialogs.jobName = QStringLiteral("search box");
        f.press(QStringLiteral("Print"));
        QCOMPARE(jobContent(f.dialogs.jobFile(1)), jobContent(expected));
    }

    void cancellingPrintsNothing()
    {
        EditorFixture f;
        f.dialogs.copies = 0;
        printed(f, QStringLiteral("text"), QStringLiteral("cancelled"));
        QVERIFY(!QFile::exists(f.dialogs.jobFile(1)));
        QVERIFY(f.scripted.messages.shown.isEmpty());
    }

    void aJobThatCannotStartEndsPrintingQuietly()
    {
        EditorFixture f;
        f.dialogs.copies = 2;
        f.dialogs.printFolder = f.folder.file(QStringLiteral("no such folder"));
        printed(f, QStringLiteral("text"), QStringLiteral("nowhere"));
        QVERIFY(!QFile::exists(f.dialogs.jobFile(1)));
        QVERIFY(f.scripted.messages.shown.isEmpty());
    }

    void theEditorFontIsUsedWithoutUnderline()
    {
        EditorFixture f;
        const QString plain = printed(f, QStringLiteral("same text"), QStringLiteral("plain"));
        f.press(QStringLiteral("Underline"));
        QCOMPARE(jobContent(printed(f, QStringLiteral("same text"), QStringLiteral("underlined"))), jobContent(plain));
        f.press(QStringLiteral("Italic"));
        QVERIFY(jobContent(printed(f, QStringLiteral("same text"), QStringLiteral("italic"))) != jobContent(plain));
        f.press(QStringLiteral("Italic"));
        f.press(QStringLiteral("Bold"));
        const QString bold = printed(f, QStringLiteral("same text"), QStringLiteral("bold"));
        QVERIFY(jobContent(bold) != jobContent(plain));
        f.press(QStringLiteral("Bold"));
        QCOMPARE(jobContent(printed(f, QStringLiteral("same text"), QStringLiteral("plain again"))), jobContent(plain));
    }
};

QTEST_MAIN(EditorPrintTest)
#include "editor_print_test.moc"
