// libFuzzer target: the private-profile INI reader and writer on a real file. The input gives a
// section, a key, a value, a second section and key, and the file's bytes (code page 932, so
// every text is one the file can hold). What must hold:
// - a read gives at most 255 bytes of whole code page 932 characters;
// - a refused write leaves the file's bytes as they were;
// - after a write, reading the key gives the value as the reader hands it out (blanks and one
//   pair of quotes removed, cut to 255 bytes), and any other key reads as before.

#include "FuzzCheck.h"
#include "platform/Cp932.h"
#include "platform/PrivateProfile.h"
#include "platform/TextFields.h"

#include <QFile>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

namespace {

QString text(FuzzedDataProvider& input, size_t maxBytes)
{
    return cp932::decode(QByteArray::fromStdString(input.ConsumeRandomLengthString(maxBytes)));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\v' || ch == u'\f';
}

QString trimmed(QString value)
{
    while (!value.isEmpty() && isBlank(value.front()))
        value.remove(0, 1);
    while (!value.isEmpty() && isBlank(value.back()))
        value.chop(1);
    return value;
}

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(trimmed(a), trimmed(b), Qt::CaseInsensitive) == 0;
}

// What a read hands out for a stored value.
QString asRead(const QString& value)
{
    QString stripped = trimmed(value);
    if (stripped.size() >= 2 && (stripped.front() == u'"' || stripped.front() == u'\'')
        && stripped.back() == stripped.front())
        stripped = stripped.sliced(1, stripped.size() - 2);
    return cp932::decode(textfields::cutBytes(stripped, 255));
}

void checkRead(const QString& value)
{
    const QByteArray bytes = cp932::encode(value);
    FUZZ_CHECK(bytes.size() <= 255);
    FUZZ_CHECK(cp932::decode(bytes) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    const QString path = root.filePath(QStringLiteral("profile.ini"));
    const QString missing = QStringLiteral("\x01missing");

    FuzzedDataProvider input(data, size);
    const QString section = text(input, 24);
    const QString key = text(input, 24);
    const QString value = text(input, 400);
    const QString otherSection = text(input, 24);
    const QString otherKey = text(input, 24);
    const QByteArray content = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());
    writeFile(path, content);

    const QString otherBefore = privateprofile::getString(otherSection, otherKey, missing, path);
    if (otherBefore != missing)
        checkRead(otherBefore);
    checkRead(privateprofile::getString(section, key, {}, path));

    if (!privateprofile::writeString(section, key, value, path)) {
        FUZZ_CHECK(readFile(path) == content);
    } else {
        FUZZ_CHECK(privateprofile::getString(section, key, missing, path) == asRead(value));
        if (!(sameName(section, otherSection) && sameName(key, otherKey)))
            FUZZ_CHECK(privateprofile::getString(otherSection, otherKey, missing, path) == otherBefore);
    }
    QFile::remove(path);
    return 0;
}
