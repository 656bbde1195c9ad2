#pragma once
// Test mails as real mailers write them, built byte by byte: Japanese charsets and transfer
// encodings, HTML, nested multiparts with Japanese file names, split mails and broken ones.

#include <QByteArray>
#include <QString>

namespace corpus {

// Bytes of text in a named charset (ISO-2022-JP, Shift_JIS, EUC-JP, UTF-8).
QByteArray encoded(const QString& text, const char* charset);
// An RFC 2047 B word of text in charset.
QByteArray word(const QString& text, const char* charset);
// Bytes 0..255 repeated to the given length: data every byte of which matters.
QByteArray binaryData(qsizetype length);

// A mail of the stored corpus (tests/mail/corpus), by its path there, e.g.
// "rfc2045-2049/no-header-at-all.eml"; empty when missing.
QByteArray stored(const QByteArray& path);

// A complete mail: the given header lines (without the final blank line) and body, CR LF ends.
QByteArray mail(const QByteArray& headers, const QByteArray& body);

QByteArray iso2022jp();          // subject and text "①～" in ISO-2022-JP
QByteArray utf8Base64();         // UTF-8 text, base64
QByteArray shiftJisQuotedPrintable();
QByteArray eucJp();
QByteArray htmlOnly();
QByteArray alternative();        // plain and HTML versions of one text
QByteArray nestedAttachments();  // mixed(alternative(plain, html), two Japanese-named files)
QByteArray fragment();           // message/partial 1 of 2
QByteArray foldedSubject();      // long subject over encoded words, one splitting a character
QByteArray lyingCharset();       // labelled ISO-2022-JP, UTF-8 bytes
QByteArray badBase64();
QByteArray missingBoundary();
QByteArray unknownCharset();
QByteArray hugeHeaderLine();     // a 10 MB header line
QByteArray dotLines();           // lines starting with "."
QByteArray hostileFileNames();   // names that try to leave the folder or clash
QByteArray forwarded();          // "転送します。" and an ISO-2022-JP mail as message/rfc822, which
                                 // forwards an HTML mail in turn

// Names and contents the nested-attachments mail carries.
inline const QString NestedFirstName = QStringLiteral("見積書①（最終版）.pdf");
inline const QString NestedSecondName = QStringLiteral("とても長い日本語のファイル名を持つ添付ファイルの例です.txt");
QByteArray nestedFirstData();
QByteArray nestedSecondData();

}  // namespace corpus
