// Mail that bends the MIME rules the way real mailers bend them: every text it carries reaches the
// reader, every attachment is written with its data, one bad character costs one character, and
// whatever cannot be given back whole is reported so that the raw mail is kept.

#include "MailCorpus.h"
#include "mail/AttachmentWriter.h"
#include "mail/Charsets.h"
#include "mail/MessageDecoder.h"
#include "mail/ParsedMail.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using nmail::decodeMail;
namespace MailLoss = nmail::MailLoss;
using nmail::ParsedMail;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class MalformedMailTest : public QObject {
    Q_OBJECT

private slots:
    // Each of these once lost its text: the parser found no part, or no body behind the header.
    void textSurvivesBrokenStructure_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::newRow("padding after boundaries") << QByteArray("transport-padding-after-boundary.eml")
            << QStringLiteral("Two pictures") << QStringLiteral("Here are the two pictures.\r\n");
        QTest::newRow("boundary never occurs") << QByteArray("boundary-never-occurs.eml") << QStringLiteral("Lost boundary")
            << QStringLiteral("The sender declared a boundary and never used it.\r\n--other-boundary\r\n"
                              "This line and the one above are text too.\r\n");
        QTest::newRow("separator holds a space") << QByteArray("separator-line-holding-a-space.eml")
            << QStringLiteral("Space in the empty line")
            << QStringLiteral("The blank line above holds one space.\r\nSecond line.\r\n");
        QTest::newRow("no blank line") << QByteArray("no-blank-line-after-header.eml") << QStringLiteral("No separator")
            << QStringLiteral("This text follows the header with no blank line.\r\nSecond line.\r\n");
        QTest::newRow("no header") << QByteArray("no-header-at-all.eml") << QString()
            << QStringLiteral("This mail has no header at all.\r\nOnly text.\r\n");
        QTest::newRow("type without subtype") << QByteArray("content-type-text-without-subtype.eml")
            << QStringLiteral("Type without subtype")
            << QStringLiteral("A plain text that says only \"text\" as its type.\r\n");
    }
    void textSurvivesBrokenStructure()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        const ParsedMail parsed(corpus::stored("rfc2045-2049/" + file));
        const auto mail = decodeMail(parsed);
        QCOMPARE(mail.subject.trimmed(), subject);
        QCOMPARE(mail.body, body);
        QVERIFY2(mail.text.startsWith(body), qPrintable(mail.text));
    }

    // RFC 2045 6.4: data in a transfer encoding nobody here knows is kept as it came.
    void unknownTransferEncodingKeepsTheData()
    {
        const ParsedMail mail(corpus::stored("rfc2045-2049/unknown-transfer-encoding-x-gzip64.eml"));
        QTemporaryDir dir;
        const auto report = nmail::writeAttachments(mail, dir.path());
        QCOMPARE(report.result, 1);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("notes.txt"))),
                 QByteArray("H4sIAAAAAAACA3POzy0oSi0uTk1RSCwpSUzOyE3NK1FISSxJ1ONyprMcACuaRtyMAAAA"));
        QVERIFY(decodeMail(mail).losses & MailLoss::UnknownEncoding);
    }

    // RFC 2045 6.8: characters outside the alphabet are ignored, not a reason to garble the rest;
    // the raw mail is kept all the same, as the data may have been damaged on its way.
    void base64IgnoresCharactersOutsideItsAlphabet()
    {
        const auto mail = decodeMail(ParsedMail(corpus::stored("rfc2045-2049/base64-with-characters-outside-the-alphabet.eml")));
        QCOMPARE(mail.body, QStringLiteral("壊れたBase64の本文です。\r\n"));
        QVERIFY(mail.losses & MailLoss::Undecodable);
    }

    void oneUndecodableCharacterCostsOneCharacter()
    {
        const auto mail = decodeMail(ParsedMail(corpus::stored("rfc2045-2049/unassigned-jis-code-in-subject-and-text.eml")));
        QCOMPARE(mail.subject, QStringLiteral("テスト\uFFFDテスト"));
        QCOMPARE(mail.body, QStringLiteral("一行目です。\r\nテスト\uFFFDテスト\r\n三行目です。\r\n"));
        QVERIFY(mail.losses & MailLoss::Undecodable);
    }

    // nkf in its Windows mode writes the IBM extension 髙 in JIS X 0212's user rows.
    void ibmExtensionInJisX0212Decodes()
    {
        const auto mail = decodeMail(ParsedMail(corpus::stored("rfc2045-2049/jis-x0212-ibm-extension-from-nkf.eml")));
        QCOMPARE(mail.subject, QStringLiteral("髙橋様へ"));
        QCOMPARE(mail.body, QStringLiteral("髙橋様\r\n①と㈱と～\r\n"));
        QCOMPARE(mail.losses, 0);
    }

    // The IBM extension in the user rows, then JIS X 0212's tilde, as nkf's CP50222 mode writes
    // them: the second once came out unreadable after the first.
    void jisX0212AfterUserRows()
    {
        const nmail::charsets::UndecodableCount undecodable;
        QCOMPARE(nmail::charsets::decode("\x1b$(Dt{\"7\x1b(B", "ISO-2022-JP"), QStringLiteral("髙～"));
        QCOMPARE(undecodable.count(), 0);
    }

    void attachmentLinesShowTheDecodedNames()
    {
        const auto mail = decodeMail(ParsedMail(corpus::stored("rfc2045-2049/encoded-attachment-names.eml")));
        QVERIFY2(mail.text.contains(QStringLiteral("filename=\"報告書①.pdf\"")), qPrintable(mail.text));
        QVERIFY2(mail.text.contains(QStringLiteral("filename=\"報告書①.pdf.txt\"")), qPrintable(mail.text));
        QVERIFY(!mail.text.contains(QStringLiteral("=?")));
        QVERIFY(!mail.text.contains(QStringLiteral("filename*")));
        QCOMPARE(mail.text.count(QStringLiteral("Content-Disposition: attachment")), 2);
    }

    void fragmentIsReportedAsNotWhole()
    {
        const auto mail = decodeMail(ParsedMail(corpus::stored("rfc2045-2049/message-partial-fragment-1-of-2.eml")));
        QVERIFY(mail.losses & MailLoss::Fragment);
        QCOMPARE(decodeMail(ParsedMail(corpus::stored("rfc2045-2049/koi8r-text-longer-than-listed-size.eml"))).losses, 0);
    }
};

QTEST_GUILESS_MAIN(MalformedMailTest)
#include "tst_MalformedMail.moc"
