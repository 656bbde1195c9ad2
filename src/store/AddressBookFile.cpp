#include "store/AddressBookFile.h"

#include "store/RecordFileRewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace store {

QString addressBookPath(const ProgramFolder& folder)
{
    return folder.path(u"\\★MAilData\\Devudiz20.data");
}

QString addressBookTempPath(const ProgramFolder& folder)
{
    return folder.path(u"\\★MAilData\\DEVUDIZ20.TMP");
}

QString addressListPath(const ProgramFolder& folder)
{
    return folder.path(u"\\★MAilData\\ZIDORIDE20.INI");
}

int NextAddressNumber(const QString& path) { return nextRecordNumber(path, AddressRecordSize); }

StoreResult createIfMissing(const QString& path)
{
    if (QFileInfo::exists(path))
        return {};
    if (!QFileInfo(path).absoluteDir().exists())
        return {false, QStringLiteral("データフォルダがありません。\n%1").arg(QFileInfo(path).absolutePath())};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, QStringLiteral("アドレス帳を作れませんでした。\n%1\n%2").arg(path, file.errorString())};
    return {};
}

StoreResult writeAddress(const QString& path, int number, const AddressRecord& record)
{
    return writeRecordBytes(path, number, record.toBytes(),
                            {QStringLiteral("アドレス帳"), QStringLiteral("アドレス")});
}

QList<AddressRecord> readAddresses(const QString& path)
{
    QList<AddressRecord> records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    const QByteArray bytes = file.readAll();
    const qsizetype count = bytes.size() / AddressRecordSize;
    records.reserve(count);
    for (qsizetype n = 0; n < count; ++n)
        records.append(AddressRecord::fromBytes(QByteArrayView(bytes).sliced(n * AddressRecordSize, AddressRecordSize)));
    return records;
}

std::optional<AddressRecord> readAddress(const QString& path, int number)
{
    const std::optional<QByteArray> bytes = readRecordBytes(path, number, AddressRecordSize);
    return bytes ? std::optional(AddressRecord::fromBytes(*bytes)) : std::nullopt;
}

StoreResult removeAddress(const ProgramFolder& folder, int doomed)
{
    return rewriteRecordFile(addressBookPath(folder), addressBookTempPath(folder), AddressRecordSize,
                             [doomed](int number, QByteArrayView record) {
                                 return number != doomed && inUseMark(record, AddressInUseOffset) != 0;
                             });
}

}  // namespace store
