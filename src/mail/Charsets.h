#pragma once
// Mail charsets to and from Unicode, on the ICU codecs behind Qt's string converters.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace nmail::charsets {

// Decodes bytes written in the charset named by label. Mail lies about its charset often
// enough that bytes which are not valid in the labelled charset (or an unknown label) are
// tried as UTF-8, ISO-2022-JP, EUC-JP and Shift_JIS before the label is used with
// replacement characters.
QString decode(QByteArrayView bytes, QByteArrayView label);

}  // namespace nmail::charsets
