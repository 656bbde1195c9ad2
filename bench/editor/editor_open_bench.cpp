// How large a text file the viewer's editor holds responsively: writes a code page 932 text of
// the given size (Japanese and ASCII lines of about 60 characters, CR LF line ends) into a
// temporary folder, then times what opening it costs in the real window:
//
//   read+decode  reading the file and converting it from code page 932
//   set text     putting the text into rtfEd (the editor's own steps of "開く")
//   first paint  showing the top of the document
//   to the end   jumping to the end and painting there (the whole text laid out)
//   typing       one character typed at the start and painted, once all is laid out
//
// and the process's peak memory. Run one size per process, so the peak belongs to that size.
// With "oneline" the same text has no line breaks at all, as a minified file has; with
// "oneword" it is one run of letters without any place to break a line, as a block of base64.
//
// Usage: editor_open_bench megabytes [lines|oneline|oneword]   (QT_QPA_PLATFORM=offscreen)

#include "SilentSeams.h"
#include "app/ProgramState.h"
#include "editor/DocumentText.h"
#include "history/TyakuForm.h"
#include "platform/Cp932.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTest>

#include <sys/resource.h>

#include <cstdio>

namespace {

QByteArray sampleText(qint64 bytes, const QByteArray& shape)
{
    if (shape == "oneword")
        return QByteArray(bytes, 'a');
    QByteArray lines = cp932::encode(
        QStringLiteral("いつもお世話になっております。来週の打ち合わせの件でご連絡いたします。\r\n"
                       "The meeting room is booked from 10:00 to 12:00; please bring the draft.\r\n"));
    if (shape == "oneline")
        lines.replace("\r\n", " ");
    QByteArray text;
    text.reserve(bytes + lines.size());
    while (text.size() < bytes)
        text.append(lines);
    text.truncate(bytes);
    return text;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const double megabytes = argc > 1 ? QByteArray(argv[1]).toDouble() : 1.0;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("big.txt"));
    {
        QFile file(path);
        const QByteArray shape = argc > 2 ? QByteArray(argv[2]) : QByteArray("lines");
        if (!file.open(QIODevice::WriteOnly) || file.write(sampleText(qint64(megabytes * 1024 * 1024), shape)) < 0)
            return 1;
    }

    SilentSeams silent;
    ProgramState state{ProgramFolder(folder.path())};
    TyakuForm viewer(state, silent.seams());
    viewer.show();
    if (!QTest::qWaitForWindowExposed(&viewer))
        return 1;
    const double before = peakMegabytes();

    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QString text = editor::linesEndingInCrLf(cp932::decode(file.readAll()));
    const qint64 read = timer.restart();
    editor::setStoredText(viewer.rtfEd, text);
    const qint64 set = timer.restart();
    viewer.rtfEd->repaint();
    const qint64 firstPaint = timer.restart();
    viewer.rtfEd->moveCursor(QTextCursor::End);
    viewer.rtfEd->ensureCursorVisible();
    viewer.rtfEd->repaint();
    const qint64 toEnd = timer.restart();
    viewer.rtfEd->moveCursor(QTextCursor::Start);
    viewer.rtfEd->repaint();
    timer.restart();
    QTest::keyClick(viewer.rtfEd, Qt::Key_A);
    viewer.rtfEd->repaint();
    const qint64 typing = timer.elapsed();

    std::printf("%.3f MB: read+decode %lld ms, set text %lld ms, first paint %lld ms, to the end %lld ms, "
                "typing %lld ms; peak memory %.0f MB (%.0f MB before opening)\n",
                megabytes, static_cast<long long>(read), static_cast<long long>(set),
                static_cast<long long>(firstPaint), static_cast<long long>(toEnd), static_cast<long long>(typing),
                peakMegabytes(), before);
    return 0;
}
