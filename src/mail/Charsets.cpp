#include "mail/Charsets.h"

#include <QStringDecoder>

#include <array>

namespace nmail::charsets {

namespace {

std::optional<QString> strictDecode(QByteArrayView bytes, const char* name)
{
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isPlainAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\x1b')
            return false;
    }
    return true;
}

QByteArray normalisedLabel(QByteArrayView label)
{
    QByteArray name = label.toByteArray().trimmed().toLower();
    // Names mail programs use that the codec registry spells differently.
    if (name == "x-sjis" || name == "sjis" || name == "shift-jis" || name == "ms932")
        return "Shift_JIS";
    if (name == "x-euc-jp" || name == "euc_jp")
        return "EUC-JP";
    if (name == "utf8")
        return "UTF-8";
    return name;
}

}  // namespace

QString decode(QByteArrayView bytes, QByteArrayView label)
{
    if (isPlainAscii(bytes))
        return QString::fromLatin1(bytes);
    const QByteArray name = normalisedLabel(label);
    // JIS escapes are unmistakable whatever the label says.
    if (bytes.contains("\x1b$B") || bytes.contains("\x1b$@")) {
        if (auto text = strictDecode(bytes, "ISO-2022-JP"))
            return *text;
    }
    if (!name.isEmpty()) {
        if (auto text = strictDecode(bytes, name.constData()))
            return *text;
    }
    static constexpr std::array guesses{"UTF-8", "ISO-2022-JP", "EUC-JP", "Shift_JIS"};
    for (const char* guess : guesses) {
        if (auto text = strictDecode(bytes, guess))
            return *text;
    }
    QStringDecoder lenient(name.isEmpty() ? "UTF-8" : name.constData());
    if (!lenient.isValid())
        lenient = QStringDecoder(QStringDecoder::Utf8);
    return lenient(bytes);
}

}  // namespace nmail::charsets
