// libFuzzer target: the address record reader, on records and on an address book file. What
// must hold:
// - each field reads as exactly 60 characters that fit 60 bytes again when written;
// - writing a record read and reading it again gives the same record (reading normalises once);
// - the file lists one record per whole 124 bytes, equal to the bytes read directly and to the
//   record read by number, nothing past the last whole one.

#include "FuzzCheck.h"
#include "platform/Cp932.h"
#include "store/AddressBookFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using store::AddressRecord;

namespace {

bool same(const AddressRecord& a, const AddressRecord& b)
{
    return a.Name == b.Name && a.Address == b.Address && a.InUse == b.InUse;
}

void checkField(const QString& field)
{
    FUZZ_CHECK(field.size() == store::AddressFieldWidth);
    // The padding added on reading is spaces; what came from the file fits its 60 bytes again.
    qsizetype stored = field.size();
    while (stored > 0 && field[stored - 1] == u' ')
        --stored;
    FUZZ_CHECK(cp932::encode(QStringView(field).first(stored)).size() <= store::AddressFieldWidth);
}

void checkRecord(QByteArrayView bytes)
{
    const AddressRecord record = AddressRecord::fromBytes(bytes);
    checkField(record.Name);
    checkField(record.Address);
    const QByteArray written = record.toBytes();
    FUZZ_CHECK(written.size() == store::AddressRecordSize);
    FUZZ_CHECK(written.sliced(62, 2) == bytes.sliced(62, 2).toByteArray());
    FUZZ_CHECK(same(AddressRecord::fromBytes(written), record));
}

void checkFile(const QString& path, const QByteArray& content)
{
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(content) == content.size());
    }
    const qsizetype whole = content.size() / store::AddressRecordSize;
    const QList<AddressRecord> records = store::readAddresses(path);
    FUZZ_CHECK(records.size() == whole);
    for (qsizetype n = 0; n < whole; ++n) {
        const QByteArrayView bytes =
            QByteArrayView(content).sliced(n * store::AddressRecordSize, store::AddressRecordSize);
        checkRecord(bytes);
        const AddressRecord direct = AddressRecord::fromBytes(bytes);
        FUZZ_CHECK(same(records[n], direct));
        const std::optional<AddressRecord> numbered = store::readAddress(path, static_cast<int>(n + 1));
        FUZZ_CHECK(numbered && same(*numbered, direct));
    }
    FUZZ_CHECK(!store::readAddress(path, static_cast<int>(whole + 1)));
    FUZZ_CHECK(!store::readAddress(path, 0));
    QFile::remove(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkFile(root.filePath(QStringLiteral("Devudiz20.data")), content);
    return 0;
}
