#pragma once
// The fixed-length record of both history files: 20284 bytes of code page 932.
//
//   offset  width  field
//        0    100  Subject
//      100     90  FieldA   received: sender (address)   sent: clock text (date)
//      190     90  FieldB   received: date               sent: recipient (address)
//      280  20000  Body
//    20280      2  LineEnd  CR LF
//    20282      2  InUse    16-bit little-endian, 1 at rest
//
// Text fields are padded with ASCII spaces and cut to their width without splitting a
// double-byte character. The two files keep date and address in opposite fields, so readers go
// by the roles (dateField/addressField), never by position.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace store {

enum class HistoryKind : std::int16_t { Received = 1, Sent = 2 };

inline constexpr qint64 HistoryRecordSize = 20284;
inline constexpr qint64 SubjectWidth = 100;
inline constexpr qint64 FieldWidth = 90;
inline constexpr qint64 BodyWidth = 20000;
// The list of a history needs only subject, date and address: the bytes before the body.
inline constexpr qint64 HeadingSize = SubjectWidth + 2 * FieldWidth;

struct HistoryRecord {
    // The field texts as stored, padding included; readers trim them.
    QString Subject;
    QString FieldA;
    QString FieldB;
    QString Body;
    std::int16_t InUse = 1;

    // The 20284 bytes of the record.
    QByteArray toBytes() const;
    // Reads a whole record, or just its heading when given HeadingSize bytes (Body stays empty).
    static HistoryRecord fromBytes(QByteArrayView bytes);

    const QString& dateField(HistoryKind kind) const
    {
        return kind == HistoryKind::Received ? FieldB : FieldA;
    }
    const QString& addressField(HistoryKind kind) const
    {
        return kind == HistoryKind::Received ? FieldA : FieldB;
    }
    void setDateField(HistoryKind kind, const QString& text)
    {
        (kind == HistoryKind::Received ? FieldB : FieldA) = text;
    }
    void setAddressField(HistoryKind kind, const QString& text)
    {
        (kind == HistoryKind::Received ? FieldA : FieldB) = text;
    }
};

}  // namespace store
