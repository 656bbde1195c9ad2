// libFuzzer target: the history record reader, on bytes and on a history file. The first input
// byte picks whether the rest is padded with spaces to whole records (so whole records are read
// often, despite their 20284 bytes) or taken as it is. What must hold:
// - every field read fits its width again when written (subject 100, the two fields 90, body
//   20000 bytes) and reading what was written gives the same texts, padded to their widths;
// - the file lists one heading per whole record, equal to the bytes read directly, and reading a
//   record by number gives the record's bytes read directly, nothing past the last whole one.

#include "FuzzCheck.h"
#include "platform/Cp932.h"
#include "store/HistoryFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using store::HistoryRecord;

namespace {

bool sameFields(const HistoryRecord& a, const HistoryRecord& b)
{
    return a.Subject == b.Subject && a.FieldA == b.FieldA && a.FieldB == b.FieldB
        && a.Body == b.Body && a.InUse == b.InUse;
}

// A field as it reads back once written: the text, then the spaces that pad it to its width.
QString padded(const QString& text, qint64 width)
{
    const qsizetype bytes = cp932::encode(text).size();
    FUZZ_CHECK(bytes <= width);
    return text + QString(width - bytes, u' ');
}

void checkRecord(QByteArrayView bytes)
{
    const HistoryRecord record = HistoryRecord::fromBytes(bytes);
    const QByteArray written = record.toBytes();
    FUZZ_CHECK(written.size() == store::HistoryRecordSize);
    const HistoryRecord again = HistoryRecord::fromBytes(written);
    FUZZ_CHECK(again.Subject == padded(record.Subject, store::SubjectWidth));
    FUZZ_CHECK(again.FieldA == padded(record.FieldA, store::FieldWidth));
    FUZZ_CHECK(again.FieldB == padded(record.FieldB, store::FieldWidth));
    FUZZ_CHECK(again.Body == padded(record.Body, store::BodyWidth));
    FUZZ_CHECK(again.InUse == record.InUse);
    if (bytes.size() < store::HistoryRecordSize)
        FUZZ_CHECK(record.InUse == 1);
}

void checkFile(const QString& path, const QByteArray& content)
{
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(content) == content.size());
    }
    const qsizetype whole = content.size() / store::HistoryRecordSize;
    const QList<HistoryRecord> headings = store::readHeadings(path);
    FUZZ_CHECK(headings.size() == whole && store::recordCount(path) == whole);
    for (qsizetype n = 0; n < whole; ++n) {
        const QByteArrayView bytes = QByteArrayView(content).sliced(n * store::HistoryRecordSize,
                                                                    store::HistoryRecordSize);
        const HistoryRecord heading = HistoryRecord::fromBytes(bytes.first(store::HeadingSize));
        FUZZ_CHECK(headings[n].Body.isEmpty() && headings[n].Subject == heading.Subject
              && headings[n].FieldA == heading.FieldA && headings[n].FieldB == heading.FieldB);
        const std::optional<HistoryRecord> record = store::readRecord(path, static_cast<int>(n + 1));
        FUZZ_CHECK(record && sameFields(*record, HistoryRecord::fromBytes(bytes)));
    }
    FUZZ_CHECK(!store::readRecord(path, static_cast<int>(whole + 1)));
    FUZZ_CHECK(!store::readRecord(path, 0));
    FUZZ_CHECK(store::NextRecordNumber(path) >= whole + 1);
    QFile::remove(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    if (size == 0)
        return 0;
    QByteArray content(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] & 1) {
        const qsizetype partial = content.size() % store::HistoryRecordSize;
        content.append(store::HistoryRecordSize - partial, ' ');
    }
    checkRecord(content);
    checkRecord(QByteArrayView(content).first(qMin<qsizetype>(content.size(), store::HeadingSize)));
    checkFile(root.filePath(QStringLiteral("zeldata2.data")), content);
    return 0;
}
