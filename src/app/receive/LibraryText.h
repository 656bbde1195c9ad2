#pragma once
// Reading what the mail library wrote: its buffers hold code page 932 text up to the first NUL.

#include <QByteArray>
#include <QString>

#include <vector>

// The text before the first NUL of a buffer the mail library filled (the whole buffer when it
// holds none).
QByteArray CutAtNull(const std::vector<char>& buffer);

// The mail library's text for its last failure.
QString libraryMessage();
