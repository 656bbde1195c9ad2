#include "history/HistoryListLine.h"

#include "platform/TextFields.h"

namespace history {

QString HistoryListLine(const store::HistoryRecord& record, store::HistoryKind kind)
{
    using textfields::trimSpaces;
    const QString gap(4, QLatin1Char(' '));
    QString column = trimSpaces(record.addressField(kind));
    if (column.size() < AddressColumnWidth)
        column += QString(AddressColumnWidth - column.size(), QLatin1Char('_'));
    return trimSpaces(record.dateField(kind)) + gap + column + gap + trimSpaces(record.Subject);
}

}  // namespace history
