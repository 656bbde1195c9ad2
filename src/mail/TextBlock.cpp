#include "mail/TextBlock.h"

#include "mail/TextTable.h"

namespace nmail::html {

namespace {

bool isHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Characters that only steer line breaking; a plain-text reader shows nothing for them.
bool isInvisible(QChar c)
{
    return c == u'\u200B' || c == u'\u00AD' || c == u'\uFEFF' || c == u'\u2060';
}

bool isWideCharacter(QChar c) { return displayWidth(QStringView(&c, 1)) == 2; }

}  // namespace

void TextBlock::text(QStringView raw)
{
    for (const QChar c : raw) {
        if (isInvisible(c))
            continue;
        if (isHtmlSpace(c)) {
            pendingSpace_ = true;
            pendingBreak_ = pendingBreak_ || c == u'\n' || c == u'\r';
            continue;
        }
        const bool joinsWide = pendingBreak_ && !line_.isEmpty() && isWideCharacter(line_.back()) && isWideCharacter(c);
        if (pendingSpace_ && lineOpen_ && !joinsWide && !line_.endsWith(u' '))
            line_ += u' ';
        pendingSpace_ = pendingBreak_ = false;
        put(c == u'\u00A0' ? QChar(u' ') : c);
    }
}

void TextBlock::preformatted(QStringView raw)
{
    for (const QChar c : raw) {
        if (c == u'\r')
            continue;
        if (c == u'\n')
            lineBreak();
        else if (!isInvisible(c))
            put(c == u'\t' || c == u'\u00A0' ? QChar(u' ') : c);
    }
}

void TextBlock::word(const QString& text)
{
    if (lineOpen_ && !line_.endsWith(u' '))
        line_ += u' ';
    for (const QChar c : text)
        put(c);
    pendingSpace_ = pendingBreak_ = false;
}

void TextBlock::lineBreak()
{
    if (breakTaken_) {
        breakTaken_ = false;
        return;
    }
    if (!lineOpen_)
        openLine();
    endLine();
}

void TextBlock::addressLine(const QString& address)
{
    lines({address});
    breakTaken_ = true;
}

void TextBlock::boundary(bool blankLine)
{
    endLine();
    blankWanted_ = blankWanted_ || blankLine;
}

void TextBlock::lines(const QStringList& block)
{
    boundary(false);
    for (const QString& line : block) {
        openLine();
        line_ += line;
        endLine();
    }
}

void TextBlock::indent(const QString& marker)
{
    endLine();
    indents_.append({marker, QString(displayWidth(marker), u' '), false});
}

void TextBlock::outdent()
{
    endLine();
    if (!indents_.isEmpty())
        indents_.removeLast();
}

QStringList TextBlock::finish()
{
    endLine();
    QStringList out;
    for (const QString& line : std::as_const(lines_)) {
        if (!line.isEmpty() || (!out.isEmpty() && !out.back().isEmpty()))
            out.append(line);
    }
    while (!out.isEmpty() && out.back().isEmpty())
        out.removeLast();
    return out;
}

void TextBlock::put(QChar c)
{
    breakTaken_ = false;
    if (!lineOpen_)
        openLine();
    line_ += c;
    written_ += c;
}

void TextBlock::openLine()
{
    if (blankWanted_ && !lines_.isEmpty() && !lines_.back().isEmpty())
        lines_.append(QString());
    blankWanted_ = false;
    lineOpen_ = true;
    line_.clear();
    for (qsizetype i = 0; i < indents_.size(); ++i) {
        Indent& level = indents_[i];
        const bool innermost = i == indents_.size() - 1;
        line_ += innermost && !level.markerUsed ? level.marker : level.rest;
        level.markerUsed = level.markerUsed || innermost;
    }
    written_ += u' ';
}

void TextBlock::endLine()
{
    if (lineOpen_) {
        while (line_.endsWith(u' '))
            line_.chop(1);
        lines_.append(line_);
    }
    lineOpen_ = false;
    pendingSpace_ = pendingBreak_ = false;
}

}  // namespace nmail::html
