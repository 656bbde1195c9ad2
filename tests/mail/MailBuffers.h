#pragma once
// The caller's side of the mail library: the 8192-byte buffers and the code page 932 strings
// the program hands over, and the text it reads back before the first NUL.

#include "mail/NMailSession.h"
#include "platform/Cp932.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

struct MailBuffers {
    std::vector<char> subject = std::vector<char>(8192, 'X');
    std::vector<char> date = std::vector<char>(8192, 'X');
    std::vector<char> sender = std::vector<char>(8192, 'X');
    std::vector<char> header = std::vector<char>(8192, 'X');
    std::vector<char> text;

    static QString read(const std::vector<char>& buffer)
    {
        return cp932::decode(QByteArray(buffer.data()));  // stops at the first NUL
    }
    QString subjectText() const { return read(subject); }
    QString dateText() const { return read(date); }
    QString senderText() const { return read(sender); }
    QString headerText() const { return read(header); }
    QString bodyText() const { return read(text); }
};

// Code page 932 bytes of text, as the program passes every string.
inline std::string sjis(const QString& text)
{
    return cp932::encode(text).toStdString();
}

inline QString lastMailError()
{
    std::vector<char> buffer(8192);
    int length = 8192;
    nmail::NMailGetMessage(0, buffer, length);
    return cp932::decode(QByteArray(buffer.data(), length));
}
