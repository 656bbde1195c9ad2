#include "store/HistoryRecord.h"

#include "platform/Cp932.h"
#include "platform/TextFields.h"

#include <QtEndian>

namespace store {

QByteArray HistoryRecord::toBytes() const
{
    QByteArray bytes;
    bytes.reserve(HistoryRecordSize);
    textfields::appendFixedField(bytes, Subject, SubjectWidth);
    textfields::appendFixedField(bytes, FieldA, FieldWidth);
    textfields::appendFixedField(bytes, FieldB, FieldWidth);
    textfields::appendFixedField(bytes, Body, BodyWidth);
    bytes += "\r\n";
    char inUse[2];
    qToLittleEndian<std::int16_t>(InUse, inUse);
    bytes.append(inUse, 2);
    return bytes;
}

HistoryRecord HistoryRecord::fromBytes(QByteArrayView bytes)
{
    const auto field = [&bytes](qint64 offset, qint64 width) {
        return offset < bytes.size() ? cp932::decode(bytes.sliced(offset, qMin(width, bytes.size() - offset)))
                                     : QString();
    };
    HistoryRecord record;
    record.Subject = field(0, SubjectWidth);
    record.FieldA = field(SubjectWidth, FieldWidth);
    record.FieldB = field(SubjectWidth + FieldWidth, FieldWidth);
    record.Body = field(HeadingSize, BodyWidth);
    record.InUse = bytes.size() >= HistoryRecordSize
        ? qFromLittleEndian<std::int16_t>(bytes.data() + HistoryRecordSize - 2)
        : 1;
    return record;
}

}  // namespace store
