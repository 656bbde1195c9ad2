#include "MailCorpus.h"

#include <QFile>
#include <QList>
#include <QStringEncoder>
#include <QUrl>

namespace corpus {

namespace {
QByteArray lines(const QByteArray& text)
{
    QByteArray out = text;
    out.replace("\r\n", "\n").replace("\n", "\r\n");
    return out;
}

QByteArray base64Lines(const QByteArray& data)
{
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b64.size(); i += 76)
        out += b64.mid(i, 76) + "\r\n";
    return out;
}
}  // namespace

QByteArray encoded(const QString& text, const char* charset)
{
    QStringEncoder encoder(charset);
    return encoder(text);
}

QByteArray word(const QString& text, const char* charset)
{
    return "=?" + QByteArray(charset) + "?B?" + encoded(text, charset).toBase64() + "?=";
}

QByteArray binaryData(qsizetype length)
{
    QByteArray data(length, '\0');
    for (qsizetype i = 0; i < length; ++i)
        data[i] = static_cast<char>(i % 256);
    return data;
}

QByteArray stored(const QByteArray& path)
{
    QFile file(QStringLiteral(TESSALY_MAIL_CORPUS "/") + QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray mail(const QByteArray& headers, const QByteArray& body)
{
    return lines("From: =?ISO-2022-JP?B?" + encoded(QStringLiteral("山田"), "ISO-2022-JP").toBase64() +
                 "?= <yamada@example.jp>\nDate: Tue, 08 Dec 2026 09:30:05 +0900\n" + headers + "\n\n") +
           body;
}

QByteArray iso2022jp()
{
    return mail("Subject: " + word(QStringLiteral("①～テスト"), "ISO-2022-JP") +
                    "\nMIME-Version: 1.0\nContent-Type: text/plain; charset=ISO-2022-JP\n"
                    "Content-Transfer-Encoding: 7bit",
                lines(encoded(QStringLiteral("丸数字①と波ダッシュ～です。\n二行目"), "ISO-2022-JP") + "\n"));
}

QByteArray utf8Base64()
{
    return mail("Subject: " + word(QStringLiteral("髙橋からのお知らせ"), "UTF-8") +
                    "\nMIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n"
                    "Content-Transfer-Encoding: base64",
                base64Lines(QStringLiteral("髙橋です。\nUTF-8の本文です。\n").toUtf8()));
}

QByteArray shiftJisQuotedPrintable()
{
    QByteArray qp;
    for (unsigned char c : encoded(QStringLiteral("シフトJISの本文"), "Shift_JIS"))
        qp += c < 0x80 ? QByteArray(1, static_cast<char>(c)) : "=" + QByteArray::number(c, 16).toUpper();
    return mail("Subject: =?Shift_JIS?Q?" + qp + "?=\nMIME-Version: 1.0\n"
                "Content-Type: text/plain; charset=Shift_JIS\nContent-Transfer-Encoding: quoted-printable",
                qp + "\r\n");
}

QByteArray eucJp()
{
    return mail("Subject: " + word(QStringLiteral("EUCの件名"), "EUC-JP") +
                    "\nMIME-Version: 1.0\nContent-Type: text/plain; charset=EUC-JP\n"
                    "Content-Transfer-Encoding: 8bit",
                lines(encoded(QStringLiteral("EUC-JPの本文です。\n"), "EUC-JP")));
}

QByteArray htmlOnly()
{
    return mail("Subject: HTML\nMIME-Version: 1.0\nContent-Type: text/html; charset=UTF-8\n"
                "Content-Transfer-Encoding: 8bit",
                lines(QStringLiteral("<html><head><style>p{color:red}</style></head><body>\n"
                                     "<p>こんにちは</p><p>A &amp; B&nbsp;&#x2460;</p>"
                                     "<script>alert(1)</script></body></html>\n").toUtf8()));
}

QByteArray forwarded()
{
    const QByteArray innermost = lines("From: shop@example.jp\nSubject: =?UTF-8?B?" + QStringLiteral("セール").toUtf8().toBase64()
                                       + "?=\nContent-Type: text/html; charset=UTF-8\n\n"
                                       + QStringLiteral("<p>全品<b>半額</b></p>").toUtf8() + "\n");
    const QByteArray inner = lines("From: " + word(QStringLiteral("佐藤"), "ISO-2022-JP") + " <sato@example.jp>\n"
                                   "To: yamada@example.jp\nDate: Mon, 07 Dec 2026 18:00:00 +0900\nSubject: "
                                   + word(QStringLiteral("会議の件"), "ISO-2022-JP") + "\nMIME-Version: 1.0\n"
                                   "Content-Type: multipart/mixed; boundary=\"IN\"\n\n--IN\n"
                                   "Content-Type: text/plain; charset=ISO-2022-JP\n\n"
                                   + encoded(QStringLiteral("明日の会議は10時からです。\n"), "ISO-2022-JP")
                                   + "--IN\nContent-Type: message/rfc822\n\n") + innermost + "--IN--\r\n";
    return mail("Subject: Fwd\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"OUT\"",
                lines("--OUT\nContent-Type: text/plain; charset=UTF-8\n\n" + QStringLiteral("転送します。\n").toUtf8()
                      + "--OUT\nContent-Type: message/rfc822\nContent-Disposition: attachment\n\n")
                    + inner + "--OUT--\r\n");
}

QByteArray alternative()
{
    return mail("Subject: alt\nMIME-Version: 1.0\nContent-Type: multipart/alternative; boundary=\"ALT\"",
                lines("--ALT\nContent-Type: text/plain; charset=UTF-8\n\n" +
                      QStringLiteral("平文の版\n").toUtf8() +
                      "--ALT\nContent-Type: text/html; charset=UTF-8\n\n<p>" +
                      QStringLiteral("HTMLの版").toUtf8() + "</p>\n--ALT--\n"));
}

QByteArray nestedFirstData() { return binaryData(3000); }
QByteArray nestedSecondData() { return encoded(QStringLiteral("添付のテキスト\r\n"), "Shift_JIS"); }

QByteArray nestedAttachments()
{
    const QByteArray firstName = QUrl::toPercentEncoding(NestedFirstName);
    const QByteArray secondName = QUrl::toPercentEncoding(NestedSecondName);
    const qsizetype cut = 42;  // two continuations, split inside a character (between %XX bytes)
    return mail(
        "Subject: " + word(QStringLiteral("添付つき"), "ISO-2022-JP") +
            "\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"OUT\"",
        lines("preamble\n--OUT\nContent-Type: multipart/alternative; boundary=\"IN\"\n\n"
              "--IN\nContent-Type: text/plain; charset=ISO-2022-JP\n\n" +
              encoded(QStringLiteral("本文です。\n"), "ISO-2022-JP") +
              "--IN\nContent-Type: text/html; charset=UTF-8\n\n<p>html</p>\n--IN--\n"
              "--OUT\nContent-Type: application/pdf; name=\"" + word(NestedFirstName, "ISO-2022-JP") +
              "\"\nContent-Disposition: attachment; filename*=UTF-8''" + firstName +
              "\nContent-Transfer-Encoding: base64\n\n") +
            base64Lines(nestedFirstData()) +
            lines("--OUT\nContent-Type: text/plain; charset=Shift_JIS\n"
                  "Content-Disposition: attachment;\n filename*0*=UTF-8''" + secondName.left(cut) +
                  ";\n filename*1*=" + secondName.mid(cut) + "\nContent-Transfer-Encoding: base64\n\n") +
            base64Lines(nestedSecondData()) + "--OUT--\r\n");
}

QByteArray fragment()
{
    return mail("Subject: part 1/2\nMIME-Version: 1.0\n"
                "Content-Type: message/partial; id=\"abc@example.jp\"; number=1; total=2",
                lines("Subject: whole\nContent-Type: text/plain\n\nfirst half\n"));
}

QByteArray foldedSubject()
{
    // One UTF-8 word ends in the middle of a character; the next carries the rest.
    const QByteArray bytes = QStringLiteral("長い件名が複数の符号化語にまたがって折り返されています").toUtf8();
    const QByteArray w1 = "=?UTF-8?B?" + bytes.left(20).toBase64() + "?=";
    const QByteArray w2 = "=?UTF-8?B?" + bytes.mid(20, 31).toBase64() + "?=";
    const QByteArray w3 = "=?UTF-8?B?" + bytes.mid(51).toBase64() + "?=";
    return mail("Subject: " + w1 + "\n " + w2 + "\n\t" + w3 + "\nContent-Type: text/plain; charset=UTF-8",
                "body\r\n");
}

QByteArray lyingCharset()
{
    return mail("Subject: =?ISO-2022-JP?B?" + QStringLiteral("嘘のラベル").toUtf8().toBase64() +
                    "?=\nContent-Type: text/plain; charset=ISO-2022-JP",
                lines(QStringLiteral("本当はUTF-8です。\n").toUtf8()));
}

QByteArray badBase64()
{
    return mail("Subject: bad\nContent-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: base64",
                "5pel5pys6Kqe!!!@@@\r\n***\r\n");
}

QByteArray missingBoundary()
{
    return mail("Subject: noboundary\nContent-Type: multipart/mixed",
                "just some text\r\n");
}

QByteArray unknownCharset()
{
    return mail("Subject: unknown\nContent-Type: text/plain; charset=x-no-such-charset",
                lines(QStringLiteral("知らない文字コード\n").toUtf8()));
}

QByteArray hugeHeaderLine()
{
    return mail("Subject: huge\nX-Huge: " + QByteArray(10 * 1024 * 1024, 'x') + "\nContent-Type: text/plain",
                "small body\r\n");
}

QByteArray dotLines()
{
    return mail("Subject: dots\nContent-Type: text/plain",
                ".\r\n..two dots\r\n.one dot\r\nend\r\n");
}

QByteArray hostileFileNames()
{
    QByteArray body = "--B\r\nContent-Type: text/plain\r\n\r\ntext\r\n";
    const QList<QByteArray> names = {"../../escape.txt", "/etc/passwd", "..\\..\\win.txt", "CON",
                                     "a\x01" "b.txt", "", "same.txt", "same.txt", "..",
                                     "=?UTF-8?B?" + QByteArray("../x.txt").toBase64() + "?="};
    for (const QByteArray& name : names) {
        body += "--B\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"" +
                name + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + base64Lines(name + "-data");
    }
    return mail("Subject: hostile\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"B\"",
                body + "--B--\r\n");
}

}  // namespace corpus
