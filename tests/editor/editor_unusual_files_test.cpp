// What the editor's file commands do with names that are no ordinary text file: a device that
// never ends, a FIFO that would block, a folder, a file or a line too long for the editor, a
// FIFO as the target of a save. And the line ends it writes for breaks typed within a line.

#include "EditorFixture.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Feeds a FIFO once somebody opens it for reading, until stop is set. An editor that opened
// the FIFO would read "fed" from it instead of blocking for ever.
class FifoFeeder {
public:
    explicit FifoFeeder(const QString& path)
        : native_(QFile::encodeName(path))
        , thread_([this] { feed(); })
    {
    }
    ~FifoFeeder()
    {
        stop_ = true;
        thread_.join();
    }
    FifoFeeder(const FifoFeeder&) = delete;
    FifoFeeder& operator=(const FifoFeeder&) = delete;

private:
    void feed()
    {
        while (!stop_) {
            // Without a reader the open fails at once (ENXIO) instead of waiting.
            const int fd = ::open(native_.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                const ssize_t written = ::write(fd, "fed", 3);
                ::close(fd);
                if (written == 3)
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    QByteArray native_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

QString makeFifo(const TempProgramFolder& folder, const QString& name)
{
    const QString path = folder.file(name);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
}

}  // namespace

class EditorUnusualFilesTest : public QObject {
    Q_OBJECT

private slots:
    void openRefusesWhatIsNoTextFileItCanHold_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("device that never ends") << QStringLiteral("device") << QStringLiteral("通常のファイルではない");
        QTest::newRow("FIFO named x.txt") << QStringLiteral("fifo") << QStringLiteral("通常のファイルではない");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("通常のファイルではない");
        QTest::newRow("one byte over the limit") << QStringLiteral("large") << QStringLiteral("大きすぎる");
        QTest::newRow("a line one character too long") << QStringLiteral("long line") << QStringLiteral("長すぎる行");
    }
    void openRefusesWhatIsNoTextFileItCanHold()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        EditorFixture f;
        QString path = f.folder.file(QStringLiteral("x.txt"));
        std::unique_ptr<FifoFeeder> feeder;
        if (kind == QStringLiteral("device")) {
            path = QStringLiteral("/dev/zero");
        } else if (kind == QStringLiteral("fifo")) {
            path = makeFifo(f.folder, QStringLiteral("x.txt"));
            QVERIFY(!path.isEmpty());
            feeder = std::make_unique<FifoFeeder>(path);
        } else if (kind == QStringLiteral("folder")) {
            QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("x.txt")));
        } else if (kind == QStringLiteral("long line")) {
            f.folder.write(QStringLiteral("x.txt"), "short\r\n" + QByteArray(editor::MaxLineCharacters + 1, 'a') + "\r\n");
        } else {
            QFile large(path);
            QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(editor::MaxDocumentBytes + 1));
        }
        f.setText(QStringLiteral("kept"));
        f.state.EditorModified = false;
        f.dialogs.openAnswers.enqueue(path);
        f.press(QStringLiteral("Open"));
        feeder.reset();
        QCOMPARE(f.text(), QStringLiteral("kept"));
        QVERIFY(!f.state.EditorModified);
        QCOMPARE(f.viewer->windowTitle(), path);
        QCOMPARE(f.scripted.messages.shown.size(), 1);
        QVERIFY(f.scripted.messages.shown.first().text.contains(path));
        QVERIFY2(f.scripted.messages.shown.first().text.contains(reason),
                 qPrintable(f.scripted.messages.shown.first().text));
    }

    void openTakesAFileOfExactlyTheLimits()
    {
        EditorFixture f;
        QByteArray bytes(editor::MaxDocumentBytes, 'a');
        // The first line is as long as a line may be.
        for (qsizetype end = editor::MaxLineCharacters; end + 1 < bytes.size(); end += 80) {
            bytes[end] = '\r';
            bytes[end + 1] = '\n';
        }
        f.folder.write(QStringLiteral("limit.txt"), bytes);
        f.dialogs.openAnswers.enqueue(f.folder.file(QStringLiteral("limit.txt")));
        f.press(QStringLiteral("Open"));
        QVERIFY(f.scripted.messages.shown.isEmpty());
        QCOMPARE(cp932::encode(f.text()).size(), editor::MaxDocumentBytes + 2);  // the last line gets its CR LF
    }

    // The window's load of the current file refuses what "開く" refuses: its load prompt comes
    // up (and the text stays empty) instead of the program hanging or filling its memory.
    void windowLoadRefusesACurrentFileThatIsNoTextFile()
    {
        TempProgramFolder folder;
        ProgramState state(folder.folder());
        state.CurrentFile = makeFifo(folder, QStringLiteral("新規作成.TXT"));
        QVERIFY(!state.CurrentFile.isEmpty());
        FifoFeeder feeder(state.CurrentFile);
        ScriptedSeams scripted;
        scripted.messages.answers.enqueue(MessageAnswer::Cancel);
        TyakuForm viewer(state, scripted.seams());
        QCOMPARE(scripted.messages.shown.size(), 1);
        QCOMPARE(scripted.messages.shown.first().title, QStringLiteral("rudiv  Form_LoadError"));
        QVERIFY(viewer.rtfEd->toPlainText().isEmpty());
    }

    void saveDoesNotTakeTheFifosPlace()
    {
        EditorFixture f;
        const QString path = makeFifo(f.folder, QStringLiteral("out.txt"));
        QVERIFY(!path.isEmpty());
        f.setText(QStringLiteral("text"));
        f.dialogs.saveAnswers.enqueue(path);
        f.press(QStringLiteral("Save"));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));
    }

    // Shift+Enter breaks the line within its paragraph; on disk it is a line end like any other.
    void typedLineBreaksAreWrittenAsCrLf()
    {
        EditorFixture f;
        f.box()->setFocus();
        QTest::keyClicks(f.box(), QStringLiteral("ab"));
        QTest::keyClick(f.box(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(f.box(), QStringLiteral("cd"));
        QTest::keyClick(f.box(), Qt::Key_Return);
        QTest::keyClicks(f.box(), QStringLiteral("ef"));
        f.dialogs.saveAnswers.enqueue(f.folder.file(QStringLiteral("typed.txt")));
        f.press(QStringLiteral("Save"));
        QCOMPARE(f.folder.read(QStringLiteral("typed.txt")), QByteArray("ab\r\ncd\r\nef\r\n"));
        f.state.CurrentFile = f.folder.file(QStringLiteral("current.txt"));
        f.editor().SaveToCurrentFile();
        QCOMPARE(f.folder.read(QStringLiteral("current.txt")), QByteArray("ab\r\ncd\r\nef"));
    }
};

QTEST_MAIN(EditorUnusualFilesTest)
#include "editor_unusual_files_test.moc"
