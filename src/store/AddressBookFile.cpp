#include "store/AddressBookFile.h"

#include "platform/NumberRules.h"
#include "store/RecordFileRewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

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

int NextAddressNumber(const QString& path)
{
    const double records = static_cast<double>(QFileInfo(path).size()) / AddressRecordSize;
    return static_cast<int>(numberrules::roundHalfEven(records + 1.0));
}

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
    if (number < 1 || number > MaxRecordNumber) {
        return {false, QStringLiteral("アドレス帳が一杯です（最大 %1 件）。不要なアドレスを削除してください。\n%2")
                           .arg(MaxRecordNumber)
                           .arg(path)};
    }
    if (const StoreResult created = createIfMissing(path); !created.ok)
        return created;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return {false, QStringLiteral("アドレス帳を開けませんでした。\n%1\n%2").arg(path, file.errorString())};
    const QByteArray bytes = record.toBytes();
    const qint64 oldSize = file.size();
    const bool written = file.seek((number - 1) * AddressRecordSize)
        && file.write(bytes) == bytes.size()
        && file.flush()
        && ::fsync(file.handle()) == 0;
    if (!written) {
        // A half-written record would shift the number of every later registration.
        if (file.size() > oldSize)
            file.resize(oldSize);
        return {false, QStringLiteral("アドレス帳に書き込めませんでした。\n%1\n%2").arg(path, file.errorString())};
    }
    return {};
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
    QFile file(path);
    if (number < 1 || !file.open(QIODevice::ReadOnly) || !file.seek((number - 1) * AddressRecordSize))
        return std::nullopt;
    const QByteArray bytes = file.read(AddressRecordSize);
    if (bytes.size() != AddressRecordSize)
        return std::nullopt;
    return AddressRecord::fromBytes(bytes);
}

StoreResult removeAddress(const ProgramFolder& folder, int doomed)
{
    return rewriteRecordFile(addressBookPath(folder), addressBookTempPath(folder), AddressRecordSize,
                             [doomed](int number, QByteArrayView record) {
                                 return number != doomed && inUseMark(record, AddressInUseOffset) != 0;
                             });
}

}  // namespace store
