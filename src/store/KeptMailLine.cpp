#include "store/KeptMailLine.h"

namespace store {

namespace {
const QString Before = QStringLiteral("※この記録に収まらない部分があるため、元のメールを添付フォルダの「");
const QString After = QStringLiteral("」に保存しました。");
}  // namespace

QString keptMailLine(const QString& fileName) { return Before + fileName + After; }

std::optional<QString> keptMailName(const QString& recordText)
{
    QString text = recordText;
    while (text.endsWith(u'\n') || text.endsWith(u'\r') || text.endsWith(u' '))
        text.chop(1);
    const qsizetype lineStart = std::max(text.lastIndexOf(u'\n'), text.lastIndexOf(u'\r')) + 1;
    const QStringView line = QStringView(text).sliced(lineStart);
    if (!line.startsWith(Before) || !line.endsWith(After))
        return std::nullopt;
    const QString name = line.sliced(Before.size(), line.size() - Before.size() - After.size()).toString();
    const bool plain = !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(u'\\') && !name.contains(QChar(0)) && !name.startsWith(u'.');
    return plain ? std::optional<QString>(name) : std::nullopt;
}

}  // namespace store
