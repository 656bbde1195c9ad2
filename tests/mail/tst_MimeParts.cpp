// Where headers, bodies and parts lie in a raw mail, found by the in-place scan: the stretches
// are compared as text, so a part that starts or ends one byte off shows.

#include "MailCorpus.h"
#include "mail/HeaderFields.h"
#include "mail/MimeParts.h"
#include "mail/ParsedMail.h"

#include <QDirIterator>
#include <QTest>

#include <vmime/vmime.hpp>

#include <string>

using nmail::MailStretch;

namespace {

QStringList textsOf(const std::string& mail, const std::vector<MailStretch>& stretches)
{
    QStringList texts;
    for (const MailStretch& part : stretches)
        texts.append(QString::fromStdString(mail.substr(part.start, part.end - part.start)));
    return texts;
}

// The parts of the multipart body that follows the first empty line of mail, as texts.
QStringList partsOf(const std::string& mail, const std::string& boundary)
{
    const size_t body = mail.find("\r\n\r\n") + 4;
    return textsOf(mail, nmail::multipartParts(mail, {body, mail.size()}, boundary));
}

// A field's value without its line breaks and the blanks around it.
QByteArray unfolded(std::string_view value)
{
    return QByteArray(value.data(), qsizetype(value.size())).replace('\r', "").replace('\n', "").trimmed();
}

// What VMime, given the whole header, finds as the first field of that name: its value as
// received, without the name.
QByteArray vmimeValue(const vmime::header& header, std::string_view block, const std::string& name)
{
    if (!header.hasField(name))
        return {};
    const auto field = header.findField(name);
    const std::string_view text = block.substr(field->getParsedOffset(), field->getParsedLength());
    return unfolded(text.substr(text.find(':') + 1));
}

}  // namespace

class MimePartsTest : public QObject {
    Q_OBJECT

private slots:
    void partsBetweenDelimiterLines_data()
    {
        QTest::addColumn<QString>("mail");
        QTest::addColumn<QString>("boundary");
        QTest::addColumn<QStringList>("parts");
        const QString head = QStringLiteral("Content-Type: multipart/mixed\r\n\r\n");
        QTest::newRow("preamble and epilogue are not parts")
            << head + "preamble\r\n--b\r\nA: 1\r\n\r\none\r\n--b\r\n\r\ntwo\r\n--b--\r\nepilogue\r\n"
            << "b" << QStringList{"A: 1\r\n\r\none", "\r\ntwo"};
        QTest::newRow("first delimiter right after the header")
            << head + "--b\r\n\r\none\r\n--b--\r\n" << "b" << QStringList{"\r\none"};
        QTest::newRow("bare line feeds") << head + "--b\n\none\n--b\n\ntwo\n--b--\n" << "b"
                                         << QStringList{"\none", "\ntwo"};
        QTest::newRow("a longer boundary in the text is not a delimiter")
            << head + "--b\r\n\r\n--bb\r\nx--b\r\n--b--\r\n" << "b" << QStringList{"\r\n--bb\r\nx--b"};
        QTest::newRow("blanks after the boundary and after the closing one")
            << head + "--b \t\r\n\r\none\r\n--b-- \r\n" << "b" << QStringList{"\r\none"};
        QTest::newRow("no closing delimiter: the last part runs to the end")
            << head + "--b\r\n\r\none\r\n--b\r\n\r\ntwo\r\n" << "b" << QStringList{"\r\none", "\r\ntwo\r\n"};
        QTest::newRow("two delimiter lines enclose an empty part")
            << head + "--b\r\n--b\r\n\r\ntwo\r\n--b--" << "b" << QStringList{"", "\r\ntwo"};
        QTest::newRow("no delimiter line at all") << head + "text --b\r\n" << "b" << QStringList{};
        QTest::newRow("only a closing delimiter") << head + "text\r\n--b--\r\n" << "b" << QStringList{};
    }
    void partsBetweenDelimiterLines()
    {
        QFETCH(QString, mail);
        QFETCH(QString, boundary);
        QFETCH(QStringList, parts);
        QCOMPARE(partsOf(mail.toStdString(), boundary.toStdString()), parts);
    }

    // A nested multipart is scanned within its own body: a delimiter of its boundary beyond the
    // outer part's end belongs to a later part and must not be taken.
    void scanStaysInsideTheBody()
    {
        const std::string mail = "--inner\r\n\r\none\r\n--outer\r\n\r\n--inner\r\n\r\nlater\r\n--inner--\r\n";
        const size_t outer = mail.find("\r\n--outer");
        const auto parts = nmail::multipartParts(mail, {0, outer}, "inner");
        QCOMPARE(parts.size(), size_t(1));
        QCOMPARE(mail.substr(parts[0].start, parts[0].end - parts[0].start), std::string("\r\none"));
    }

    // Stretches known to hold no "-" are passed over unread (here one is made to hide a delimiter
    // line, which a base64 body cannot hold), and the delimiter right after one is still found.
    void dashFreeStretchesAreNotRead()
    {
        const std::string mail = "--b\r\n\r\nQUJD\r\n--b\r\n\r\nhidden\r\n--b\r\n\r\ntwo\r\n--b--\r\n";
        const size_t third = mail.find("--b", mail.find("hidden"));
        const size_t two = mail.find("two");
        const std::vector<MailStretch> dashFree{{mail.find("QUJD"), third}, {two, two + 3}};
        QCOMPARE(textsOf(mail, nmail::multipartParts(mail, {0, mail.size()}, "b", dashFree)),
                 (QStringList{"\r\nQUJD\r\n--b\r\n\r\nhidden", "\r\ntwo"}));
    }

    void headerEndsAtItsFirstNonFieldLine_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<bool>("wholeMail");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("body");
        QTest::newRow("empty line") << "A: 1\r\n folded\r\n\r\nbody" << false << "A: 1\r\n folded\r\n" << "body";
        QTest::newRow("line of blanks") << "A: 1\r\n \t\r\nbody" << false << "A: 1\r\n" << "body";
        QTest::newRow("text without an empty line") << "A: 1\r\ntext here\r\n" << false << "A: 1\r\n"
                                                    << "text here\r\n";
        QTest::newRow("no header at all") << "and \r\nmore\r\n" << false << "" << "and \r\nmore\r\n";
        QTest::newRow("a part begins with an empty line") << "\r\ntext" << false << "" << "text";
        QTest::newRow("mbox From line of a whole mail") << "From a@b Mon\r\nA: 1\r\n\r\nx" << true
                                                        << "From a@b Mon\r\nA: 1\r\n" << "x";
        QTest::newRow("From line inside a part is text") << "From a@b Mon\r\nA: 1\r\n\r\nx" << false << ""
                                                         << "From a@b Mon\r\nA: 1\r\n\r\nx";
        QTest::newRow("header alone") << "A: 1\r\nB: 2" << false << "A: 1\r\nB: 2" << "";
    }
    void headerEndsAtItsFirstNonFieldLine()
    {
        QFETCH(QString, part);
        QFETCH(bool, wholeMail);
        QFETCH(QString, header);
        QFETCH(QString, body);
        const std::string raw = "--b\r\n" + part.toStdString();  // the part does not start the text
        const auto extent = nmail::headerExtent(raw, {5, raw.size()}, wholeMail);
        QCOMPARE(QString::fromStdString(raw.substr(5, extent.headerEnd - 5)), header);
        QCOMPARE(QString::fromStdString(raw.substr(extent.bodyStart)), body);
    }

    // Fields are found where VMime finds them in the whole header, and the fields with
    // parameters handed to VMime alone parse as they do in the whole: checked on every stored test mail
    // and on headers folded, repeated and cased as real mailers write them.
    void fieldsAreFoundWhereVMimeFindsThem_data()
    {
        QTest::addColumn<QByteArray>("mail");
        for (QDirIterator files(QStringLiteral(TESSALY_MAIL_CORPUS), {"*.eml", "*.txt"}, QDir::Files,
                                QDirIterator::Subdirectories);
             files.hasNext();) {
            const QString path = files.next();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << file.readAll();
        }
        QTest::newRow("folded, repeated, in other cases")
            << QByteArray("From a@b Tue Dec  8 09:30:05 2026\r\nsubject: one\r\n\ttwo\r\nSUBJECT: later\r\n"
                          "content-TYPE: text/plain;\r\n charset=\"iso-2022-jp\"\r\nX-Empty:\r\n"
                          "Content-Disposition:attachment;\r\n\tfilename=a.txt\r\nContent-Type: text/html\r\n\r\nx");
        QTest::newRow("bare line feeds and a header without a body")
            << QByteArray("Content-Transfer-Encoding: base64\nTo: a@b,\n  c@d\nContent-Type: image/png; name=x");
    }
    void fieldsAreFoundWhereVMimeFindsThem()
    {
        QFETCH(QByteArray, mail);
        const std::string raw = mail.toStdString();
        const std::string block = raw.substr(0, nmail::headerExtent(raw, {0, raw.size()}, true).headerEnd);
        vmime::header whole;
        whole.parse(block);
        const nmail::HeaderFields fields(block);
        std::vector<std::string> names = {"From", "Subject", "Date", "To", "Message-ID", "References"};
        for (const auto& field : whole.getFieldList())
            names.push_back(field->getName());
        for (const std::string& name : names)
            QCOMPARE(unfolded(fields.value(name)), vmimeValue(whole, block, name));

        const std::vector<std::string> content = {"Content-Type", "Content-Disposition"};
        vmime::header alone;
        alone.parse(fields.only({content[0], content[1]}));
        for (const std::string& name : content) {
            QCOMPARE(alone.hasField(name), whole.hasField(name));
            if (whole.hasField(name))
                QCOMPARE(alone.findField(name)->getValue()->generate(), whole.findField(name)->getValue()->generate());
        }
    }

    // A part whose first line is text has no header: its text is read, not dropped as broken
    // header fields, and the fields of a part are read from its own header only.
    void partsWithoutHeaderKeepTheirText()
    {
        const nmail::ParsedMail mail("Content-Type: multipart/mixed; boundary=b\r\n\r\n"
                                     "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nfirst\r\n"
                                     "--b\r\nsecond line one\r\nline two\r\n\r\nline four\r\n--b--\r\n");
        QCOMPARE(mail.leaves().size(), size_t(2));
        QCOMPARE(mail.content(mail.leaves()[0]), QByteArray("first"));
        QCOMPARE(mail.content(mail.leaves()[1]), QByteArray("second line one\r\nline two\r\n\r\nline four"));
        QCOMPARE(mail.losses(), 0);
    }
};

QTEST_GUILESS_MAIN(MimePartsTest)
#include "tst_MimeParts.moc"
