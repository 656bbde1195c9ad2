#include "store/AddressRecord.h"

#include "platform/Cp932.h"
#include "platform/TextFields.h"

#include <QtEndian>

namespace store {

namespace {

// A stored field read back as a text of 60 characters: double-byte characters decode to one
// character each, and the shortfall is made up with spaces.
QString readField(QByteArrayView bytes)
{
    return cp932::decode(bytes).leftJustified(AddressFieldWidth, u' ');
}

}  // namespace

AddressRecord AddressRecord::forEntry(const QString& name, const QString& address)
{
    AddressRecord record;
    record.Name = name + QString(qMax<qsizetype>(0, NameCharacters - name.size()), QChar(0x3000));
    record.Address = address;
    return record;
}

QByteArray AddressRecord::toBytes() const
{
    QByteArray bytes;
    bytes.reserve(AddressRecordSize);
    textfields::appendFixedField(bytes, Name, AddressFieldWidth);
    bytes += "\r\n";
    char inUse[2];
    qToLittleEndian<std::int16_t>(InUse, inUse);
    bytes.append(inUse, 2);
    textfields::appendFixedField(bytes, Address, AddressFieldWidth);
    return bytes;
}

AddressRecord AddressRecord::fromBytes(QByteArrayView bytes)
{
    AddressRecord record;
    record.Name = readField(bytes.first(AddressFieldWidth));
    record.InUse = qFromLittleEndian<std::int16_t>(bytes.data() + AddressInUseOffset);
    record.Address = readField(bytes.sliced(AddressInUseOffset + 2, AddressFieldWidth));
    return record;
}

}  // namespace store
