#include "history/ExactText.h"

#include "platform/Cp932.h"
#include "platform/TextFields.h"

#include <QTextBoundaryFinder>

namespace history {

std::optional<QString> exactText(const QString& recordText, const QString& mailText)
{
    // The record keeps its text without the spaces around it.
    const QString mail = textfields::trimSpaces(mailText);
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, mail);
    QString out;
    out.reserve(recordText.size());
    qsizetype i = 0, p = 0;
    bool changed = false;
    while (i < mail.size() && p < recordText.size()) {
        if (mail[i] == recordText[p]) {
            out += mail[i++];
            ++p;
            continue;
        }
        // Where they differ, the whole character as a reader sees it is compared again, from its
        // start (an accent after its letter differs only at the accent).
        clusters.setPosition(i);
        const qsizetype start = clusters.isAtBoundary() ? i : clusters.toPreviousBoundary();
        out.chop(i - start);
        p -= i - start;
        clusters.setPosition(start);
        const qsizetype end = clusters.toNextBoundary();
        const QString character = mail.sliced(start, (end > start ? end : mail.size()) - start);
        const QString recorded = cp932::decode(cp932::encode(character));
        if (!QStringView(recordText).sliced(p).startsWith(recorded))
            break;
        out += character;
        i = start + character.size();
        p += recorded.size();
        changed = true;
    }
    if (!changed)
        return std::nullopt;
    return out + recordText.sliced(p);
}

}  // namespace history
