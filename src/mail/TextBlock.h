#pragma once
// The text of an HTML document (or of one table cell of it) set line by line, as the renderer
// walks the document: white space collapsed as HTML collapses it, blocks on lines of their own
// with at most one blank line between them, list items indented under their marker.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace nmail::html {

class TextBlock {
public:
    // Text as HTML flows it: runs of white space are one space (none at a line's start, none
    // for a source line break between two Japanese characters); a no-break space is a space.
    void text(QStringView raw);
    // Text as written (<pre>): every line break ends a line.
    void preformatted(QStringView raw);
    // A word set apart from what precedes it by a space (a link's address).
    void word(const QString& text);
    // <br>: ends the line, or makes an empty one.
    void lineBreak();
    // A link's address on a line of its own; a <br> right after it has nothing left to end.
    void addressLine(const QString& address);
    // The end or start of a block: what follows starts a new line, after a blank one when asked.
    void boundary(bool blankLine);
    // Whole lines (a table's), as a block of their own.
    void lines(const QStringList& block);
    // Lines from here on are indented under marker, which starts the first of them.
    void indent(const QString& marker);
    void outdent();

    // The lines, without blank ones at the start and the end, and never two blank ones in a
    // row (an empty paragraph between paragraphs, as word processors write them, or a run of
    // <br>, is one blank line).
    QStringList finish();

    // Everything the block holds so far, for the text of a link.
    qsizetype written() const { return written_.size(); }
    QString writtenSince(qsizetype mark) const { return written_.mid(mark); }

private:
    struct Indent {
        QString marker;
        QString rest;
        bool markerUsed;
    };

    void put(QChar c);
    void openLine();
    void endLine();

    QStringList lines_;
    QString line_;
    bool lineOpen_ = false;
    bool pendingSpace_ = false;
    bool pendingBreak_ = false;
    bool blankWanted_ = false;
    bool breakTaken_ = false;
    QList<Indent> indents_;
    QString written_;
};

}  // namespace nmail::html
