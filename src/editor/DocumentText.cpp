#include "editor/DocumentText.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace editor {

namespace {

constexpr QChar LineBreak = QChar::LineSeparator;          // within a paragraph
constexpr QChar ParagraphEnd = QChar::ParagraphSeparator;  // between paragraphs
const QString CrLf = QStringLiteral("\r\n");

}  // namespace

void setStoredText(QTextEdit* box, const QString& text)
{
    QString paragraphs = text;
    paragraphs.replace(CrLf, ParagraphEnd).replace(QLatin1Char('\r'), ParagraphEnd);
    paragraphs.replace(QLatin1Char('\n'), LineBreak);
    box->setPlainText(paragraphs);
}

QString storedText(const QTextEdit* box)
{
    QString text = searchedText(box);
    return text.replace(LineBreak, CrLf).replace(ParagraphEnd, CrLf);
}

QString searchedText(const QTextEdit* box)
{
    // The raw text keeps its separators and non-breaking spaces, unlike toPlainText().
    return box->document()->toRawText();
}

QString plainSelection(const QTextCursor& cursor)
{
    QString text = cursor.selectedText();
    return text.replace(LineBreak, QLatin1Char('\n')).replace(ParagraphEnd, QLatin1Char('\n'));
}

QString linesEndingInCrLf(QStringView text)
{
    QString result;
    result.reserve(text.size() + 2);
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype cr = text.indexOf(QLatin1Char('\r'), start);
        const qsizetype end = cr < 0 ? text.size() : cr;
        result.append(text.sliced(start, end - start)).append(CrLf);
        start = end + 1;
        if (cr >= 0 && start < text.size() && text.at(start) == QLatin1Char('\n'))
            ++start;
    }
    return result;
}

}  // namespace editor
