#include "mail/Charsets.h"

#include "mail/Iso2022JpDecoder.h"

#include <QStringDecoder>

#include <array>

namespace nmail::charsets {

// Adds to the innermost UndecodableCount of this thread, if any.
void countUndecodable(int characters);

namespace {

thread_local UndecodableCount* innermostCount = nullptr;

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

// Decodes with replacement characters, counting them.
QString lenientDecode(QByteArrayView bytes, const char* name)
{
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        countUndecodable(std::max<int>(1, int(text.count(QChar(0xFFFD)))));
    return text;
}

}  // namespace

UndecodableCount::UndecodableCount() : outer_(innermostCount) { innermostCount = this; }

UndecodableCount::~UndecodableCount()
{
    innermostCount = outer_;
    if (outer_)
        outer_->count_ += count_;
}

void countUndecodable(int characters)
{
    if (innermostCount)
        innermostCount->count_ += characters;
}

QString decode(QByteArrayView bytes, QByteArrayView label)
{
    if (isPlainAscii(bytes))
        return QString::fromLatin1(bytes);
    const QByteArray name = normalisedLabel(label);
    // Double-byte JIS in 7-bit codes is unmistakable; no other charset would read it right.
    if (looksLikeIso2022Jp(bytes)) {
        int undecodable = 0;
        if (auto text = decodeIso2022Jp(bytes, undecodable)) {
            countUndecodable(undecodable);
            return *text;
        }
        return lenientDecode(bytes, "ISO-2022-JP-2");
    }
    if (!name.isEmpty()) {
        if (auto text = strictDecode(bytes, name.constData()))
            return *text;
    }
    static constexpr std::array guesses{"UTF-8", "EUC-JP", "Shift_JIS"};
    for (const char* guess : guesses) {
        if (auto text = strictDecode(bytes, guess))
            return *text;
    }
    return lenientDecode(bytes, name.isEmpty() ? "UTF-8" : name.constData());
}

}  // namespace nmail::charsets
