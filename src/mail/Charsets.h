#pragma once
// Mail charsets to and from Unicode, on the ICU codecs behind Qt's string converters.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace nmail::charsets {

// Decodes bytes written in the charset named by label. Text that can only be ISO-2022-JP is
// read as such whatever its label. Mail lies about its charset often enough that bytes which
// are not valid in the labelled charset (or an unknown label) are tried as UTF-8, EUC-JP and
// Shift_JIS before the label is used anyway; then each character that cannot be read becomes
// one U+FFFD, and the innermost UndecodableCount on this thread counts it.
QString decode(QByteArrayView bytes, QByteArrayView label);

// Counts, while it lives, the characters decode() on this thread replaced with U+FFFD, so that
// whoever decodes a whole mail learns what was lost without every layer in between passing it
// on. Counts of nested instances add up into the enclosing one.
class UndecodableCount {
public:
    UndecodableCount();
    ~UndecodableCount();
    UndecodableCount(const UndecodableCount&) = delete;
    UndecodableCount& operator=(const UndecodableCount&) = delete;

    int count() const { return count_; }

private:
    friend void countUndecodable(int);
    int count_ = 0;
    UndecodableCount* outer_;
};

}  // namespace nmail::charsets
