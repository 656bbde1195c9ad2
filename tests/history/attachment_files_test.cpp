// Attachments one click away: the lines of a mail's text that name a file of the attachment
// folder open it with the desktop's application (the scripted opener stands in for it here;
// tests/e2e/viewer_reads_mail.sh uses a stub xdg-open in a real window), the folder opens from
// the menu, and nothing outside the folder or that would run is handed over.

#include "HistoryFiles.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "history/TyakuForm.h"
#include "store/KeptMailLine.h"

#include <QAction>
#include <QTextBlock>
#include <QtTest>

using store::HistoryKind;

namespace {

const QString Attachments = QStringLiteral("添付フォルダ/");

QString attachmentLines(const QString& name)
{
    return QStringLiteral("Content-Type: image/jpeg\r\nContent-Disposition: attachment; filename=\"%1\"\r\n").arg(name);
}

}  // namespace

class AttachmentFilesTest : public QObject {
    Q_OBJECT

    struct Setup {
        TempProgramFolder folder;
        ProgramState state{folder.folder()};
        ScriptedSeams scripted;
        TyakuForm viewer{state, scripted.seams()};

        // Shows a received mail with that text and clicks the file name on the given line.
        void showAndClick(const QString& text, const QString& name)
        {
            viewer.showRecord(recordOf({QStringLiteral("s"), QStringLiteral("d"), QStringLiteral("a"), text},
                                       HistoryKind::Received),
                              HistoryKind::Received);
            viewer.show();
            QVERIFY(QTest::qWaitForWindowExposed(&viewer));
            const qsizetype at = viewer.rtfEd->toPlainText().indexOf(name);
            QVERIFY(at >= 0);
            QTextCursor cursor(viewer.rtfEd->document());
            cursor.setPosition(int(at + name.size() / 2));
            const QPoint point = viewer.rtfEd->cursorRect(cursor).center();
            QCOMPARE(viewer.rtfEd->fileLinkAt(point), name);
            QTest::mouseClick(viewer.rtfEd->viewport(), Qt::LeftButton, {}, point);
        }
        QString file(const QString& name) const { return folder.file(Attachments + name); }
    };

private slots:
    void anAttachmentOpensWithTheDesktop()
    {
        Setup s;
        s.folder.write(Attachments + QStringLiteral("写真 ①.jpg"), "\xFF\xD8\xFF\xE0 jpeg");
        s.showAndClick(QStringLiteral("写真です。\r\n") + attachmentLines(QStringLiteral("写真 ①.jpg")),
                       QStringLiteral("写真 ①.jpg"));
        QCOMPARE(s.scripted.browser.opened, QList<QUrl>{QUrl::fromLocalFile(s.file(QStringLiteral("写真 ①.jpg")))});
        QVERIFY(s.scripted.messages.shown.isEmpty());
    }

    void theKeptMailOpensFromItsLine()
    {
        Setup s;
        s.folder.write(Attachments + QStringLiteral("mail-undated-0011223344.eml"), "Subject: x\r\n\r\nbody\r\n");
        s.showAndClick(QStringLiteral("本文\r\n") + store::keptMailLine(QStringLiteral("mail-undated-0011223344.eml")),
                       QStringLiteral("mail-undated-0011223344.eml"));
        QCOMPARE(s.scripted.browser.opened.size(), 1);
        QVERIFY(s.scripted.browser.opened.first().toLocalFile().endsWith(QStringLiteral("/mail-undated-0011223344.eml")));
    }

    // A file that would run as a program, a missing one, and a link leading out of the folder
    // are not handed to the desktop; the user is told why and where.
    void whatWouldRunOrLiesElsewhereIsNotOpened_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("why");
        QTest::newRow("executable") << QStringLiteral("setup.exe") << QStringLiteral("プログラム");
        QTest::newRow("script") << QStringLiteral("run.sh") << QStringLiteral("プログラム");
        QTest::newRow("desktop entry") << QStringLiteral("open.desktop") << QStringLiteral("プログラム");
        QTest::newRow("marked runnable") << QStringLiteral("notes.txt") << QStringLiteral("プログラム");
        QTest::newRow("missing") << QStringLiteral("gone.pdf") << QStringLiteral("見つかりません");
        QTest::newRow("link out of the folder") << QStringLiteral("link.txt") << QStringLiteral("見つかりません");
    }
    void whatWouldRunOrLiesElsewhereIsNotOpened()
    {
        QFETCH(QString, name);
        QFETCH(QString, why);
        Setup s;
        s.folder.write(Attachments + QStringLiteral("setup.exe"), "MZ\x90\x00\x03\x00\x00\x00");
        s.folder.write(Attachments + QStringLiteral("run.sh"), "#!/bin/sh\necho hi\n");
        s.folder.write(Attachments + QStringLiteral("open.desktop"), "[Desktop Entry]\nExec=xterm\n");
        s.folder.write(Attachments + QStringLiteral("notes.txt"), "text\n");
        QFile::setPermissions(s.file(QStringLiteral("notes.txt")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        s.folder.write(QStringLiteral("secret.txt"), "outside\n");
        QVERIFY(QFile::link(s.folder.file(QStringLiteral("secret.txt")), s.file(QStringLiteral("link.txt"))));
        s.showAndClick(attachmentLines(name), name);
        QVERIFY(s.scripted.browser.opened.isEmpty());
        QCOMPARE(s.scripted.messages.shown.size(), 1);
        QVERIFY2(s.scripted.messages.shown.first().text.contains(why), qPrintable(s.scripted.messages.shown.first().text));
    }

    void withoutAnApplicationTheUserLearnsWhereTheFileIs()
    {
        Setup s;
        s.scripted.browser.succeeds = false;
        s.folder.write(Attachments + QStringLiteral("a.pdf"), "%PDF-1.4\n");
        s.showAndClick(attachmentLines(QStringLiteral("a.pdf")), QStringLiteral("a.pdf"));
        QCOMPARE(s.scripted.messages.shown.size(), 1);
        QVERIFY(s.scripted.messages.shown.first().text.contains(s.file(QStringLiteral("a.pdf"))));
    }

    void theMenuOpensTheFolder()
    {
        Setup s;
        QCOMPARE(s.viewer.mattachments->text(), QStringLiteral("添付フォルダを開く"));
        s.viewer.mattachments->trigger();
        QCOMPARE(s.scripted.browser.opened,
                 QList<QUrl>{QUrl::fromLocalFile(s.state.folder.path(ProgramFolder::AttachmentFolder))});
    }

    // Text that only looks like a file line in the middle of a sentence is no link, and the
    // links change nothing of the text.
    void onlyWholeFileLinesAreLinks()
    {
        Setup s;
        const QString text = QStringLiteral("see Content-Disposition: attachment; filename=\"x.jpg\" here");
        s.viewer.showRecord(recordOf({QStringLiteral("s"), {}, {}, text}, HistoryKind::Received), HistoryKind::Received);
        for (QTextBlock block = s.viewer.rtfEd->document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it)
                QVERIFY(!it.fragment().charFormat().isAnchor());
        }
        QCOMPARE(s.viewer.bodyText(), text);
    }
};

QTEST_MAIN(AttachmentFilesTest)
#include "attachment_files_test.moc"
