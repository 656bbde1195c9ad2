#include "app/receive/LibraryText.h"

#include "mail/NMailSession.h"
#include "platform/Cp932.h"

#include <algorithm>

QByteArray CutAtNull(const std::vector<char>& buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return QByteArray(buffer.data(), end - buffer.begin());
}

QString libraryMessage()
{
    constexpr int Size = 8192;
    std::vector<char> message(Size);
    int length = Size;
    nmail::NMailGetMessage(0, message, length);
    return cp932::decode(CutAtNull(message));
}
