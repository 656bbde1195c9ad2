#pragma once
// The fixed-length record of the address book: 124 bytes of code page 932.
//
//   offset  width  field
//        0     60  Name     the name, full-width spaces (81 40) up to 30 characters, then
//                           ASCII spaces up to 60 bytes
//       60      2  LineEnd  CR LF
//       62      2  InUse    16-bit little-endian, 1 at rest, 0 marks a record to drop
//       64     60  Address  the address cut to 60 bytes, padded with ASCII spaces
//
// A name has at most 30 characters of at most two bytes each, so it and its full-width padding
// always fit; only the ASCII padding gets cut.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace store {

inline constexpr qint64 AddressRecordSize = 124;
inline constexpr qint64 AddressFieldWidth = 60;
inline constexpr qsizetype NameCharacters = 30;
inline constexpr qsizetype AddressInUseOffset = 62;

struct AddressRecord {
    // Read back, each field is 60 characters: the stored characters, then spaces. Readers use
    // them untrimmed.
    QString Name;
    QString Address;
    std::int16_t InUse = 1;

    // The record for a new entry: the name gets its full-width padding here.
    static AddressRecord forEntry(const QString& name, const QString& address);

    // The 124 bytes of the record. Name is written as it stands (padding included).
    QByteArray toBytes() const;
    // Reads a whole record of 124 bytes.
    static AddressRecord fromBytes(QByteArrayView bytes);
};

}  // namespace store
