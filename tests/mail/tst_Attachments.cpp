// Writing the attachments of a received mail: names decoded from RFC 2231 and RFC 2047, data
// intact, every file inside the attachment folder, nothing overwritten, and the results for a
// folder that cannot be written and a split mail.

#include "MailCorpus.h"
#include "mail/AttachmentWriter.h"
#include "mail/ParsedMail.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using nmail::ParsedMail;
using nmail::safeFileName;
using nmail::writeAttachments;

namespace {
QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

class AttachmentsTest : public QObject {
    Q_OBJECT

private slots:
    void writesJapaneseNamedFilesIntact()
    {
        QTemporaryDir dir;
        const auto report = writeAttachments(ParsedMail(corpus::nestedAttachments()), dir.path() + u'/');
        QCOMPARE(report.result, 1);
        QCOMPARE(report.written, QStringList({dir.filePath(corpus::NestedFirstName), dir.filePath(corpus::NestedSecondName)}));
        QCOMPARE(readFile(dir.filePath(corpus::NestedFirstName)), corpus::nestedFirstData());
        QCOMPARE(readFile(dir.filePath(corpus::NestedSecondName)), corpus::nestedSecondData());
    }

    void hostileNamesStayInsideTheFolder()
    {
        QTemporaryDir outer;
        QVERIFY(QDir(outer.path()).mkdir(QStringLiteral("inbox")));
        const QString folder = outer.filePath(QStringLiteral("inbox"));
        const auto report = writeAttachments(ParsedMail(corpus::hostileFileNames()), folder + u'\\');
        QCOMPARE(report.result, 1);
        QCOMPARE(report.written.size(), 10);
        QCOMPARE(QDir(outer.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("inbox")});
        const QStringList names = QDir(folder).entryList(QDir::Files);
        QCOMPARE(names.size(), 10);
        for (const QString& path : report.written) {
            QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(folder).absoluteFilePath());
            QVERIFY(readFile(path).endsWith("-data"));
        }
        QVERIFY(names.contains(QStringLiteral("same.txt")));
        QVERIFY(names.contains(QStringLiteral("same (2).txt")));
        QCOMPARE(readFile(folder + QStringLiteral("/same (2).txt")), QByteArray("same.txt-data"));
    }

    // 100 kanji fit the 200-byte limit of code page 932 but not the file system's 255 bytes of
    // UTF-8: the attachment could not be created, and the mail would have stayed on the server.
    void nulAndOverlongNamesFromAMailAreCut()
    {
        QFile input(QFINDTESTDATA("data/kanji-name-too-long-for-file-system.eml"));
        QVERIFY(input.open(QIODevice::ReadOnly));
        const QByteArray raw = input.readAll();
        QTemporaryDir outer;
        QVERIFY(QDir(outer.path()).mkdir(QStringLiteral("inbox")));
        const QString folder = outer.filePath(QStringLiteral("inbox"));
        const auto report = writeAttachments(ParsedMail(raw), folder);
        QVERIFY2(report.result == 1, qPrintable(report.error));
        QCOMPARE(report.written.size(), 3);
        QCOMPARE(QDir(outer.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("inbox")});
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 3);
        for (const QString& path : report.written) {
            const QString name = QFileInfo(path).fileName();
            QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(folder).absoluteFilePath());
            QVERIFY2(!name.contains(QChar(0)) && cp932::encode(name).size() <= 200, qPrintable(name));
            QCOMPARE(readFile(path), QByteArray("bytes"));
        }
        QVERIFY(report.written[0].endsWith(QStringLiteral("hidden.txt")));
        QVERIFY(report.written[1].endsWith(QStringLiteral("aaa.txt")));
        QVERIFY(report.written[2].endsWith(QStringLiteral("長長.pdf")));
    }

    void neverOverwritesAnExistingFile()
    {
        QTemporaryDir dir;
        QFile existing(dir.filePath(corpus::NestedFirstName));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
        existing.close();
        const ParsedMail mail(corpus::nestedAttachments());
        QCOMPARE(writeAttachments(mail, dir.path()).result, 1);
        QCOMPARE(writeAttachments(mail, dir.path()).result, 1);
        QCOMPARE(readFile(dir.filePath(corpus::NestedFirstName)), QByteArray("keep me"));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("見積書①（最終版） (2).pdf"))), corpus::nestedFirstData());
        QCOMPARE(readFile(dir.filePath(QStringLiteral("見積書①（最終版） (3).pdf"))), corpus::nestedFirstData());
    }

    void folderThatCannotBeWrittenGivesMinusFive()
    {
        QTemporaryDir dir;
        QFile plainFile(dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        plainFile.close();
        for (const QString& folder : {dir.filePath(QStringLiteral("missing")), plainFile.fileName()}) {
            const auto report = writeAttachments(ParsedMail(corpus::nestedAttachments()), folder);
            QCOMPARE(report.result, -5);
            QVERIFY(!report.error.isEmpty());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("not-a-folder")});
    }

    void splitMailGivesMinusSixAndPlainMailNothing()
    {
        QTemporaryDir dir;
        QCOMPARE(writeAttachments(ParsedMail(corpus::fragment()), dir.path()).result, -6);
        QCOMPARE(writeAttachments(ParsedMail(corpus::iso2022jp()), dir.path()).result, 0);
        QCOMPARE(writeAttachments(ParsedMail(corpus::missingBoundary()), dir.path()).result, 0);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void safeFileNames_data()
    {
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("safe");
        QTest::newRow("ordinary") << QStringLiteral("報告書.xlsx") << QStringLiteral("報告書.xlsx");
        QTest::newRow("parent path") << QStringLiteral("../../x.txt") << QStringLiteral("_.._x.txt");
        QTest::newRow("absolute") << QStringLiteral("/etc/passwd") << QStringLiteral("_etc_passwd");
        QTest::newRow("backslashes") << QStringLiteral("..\\a.txt") << QStringLiteral("_a.txt");
        QTest::newRow("dot dot") << QStringLiteral("..") << QStringLiteral("fallback.dat");
        QTest::newRow("empty") << QString() << QStringLiteral("fallback.dat");
        QTest::newRow("control characters") << QStringLiteral("a\tb\nc.txt") << QStringLiteral("a_b_c.txt");
        QTest::newRow("reserved device") << QStringLiteral("nul.txt") << QStringLiteral("fallback.dat");
        QTest::newRow("reserved characters") << QStringLiteral("a:b*c?.txt") << QStringLiteral("a_b_c_.txt");
        QTest::newRow("outside code page 932") << QStringLiteral("😀絵文字.txt") << QStringLiteral("〓絵文字.txt");
        QTest::newRow("trailing dots and spaces") << QStringLiteral(" name. . ") << QStringLiteral("name");
    }
    void safeFileNames()
    {
        QFETCH(QString, proposed);
        QFETCH(QString, safe);
        QCOMPARE(safeFileName(proposed, QStringLiteral("fallback.dat")), safe);
    }

    void longNamesKeepTheirExtension()
    {
        const QString name = safeFileName(QString(300, QChar(u'長')) + QStringLiteral(".pdf"), QStringLiteral("x"));
        QVERIFY(name.endsWith(QStringLiteral(".pdf")));
        QVERIFY(cp932::encode(name).size() <= 200);
        QVERIFY(QFile::encodeName(name).size() + 7 <= 255);  // room for " (9999)"
        QVERIFY(name.startsWith(QStringLiteral("長長")));
    }
};

QTEST_GUILESS_MAIN(AttachmentsTest)
#include "tst_Attachments.moc"
