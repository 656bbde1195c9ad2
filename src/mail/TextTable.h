#pragma once
// An HTML table set as plain text, as a text browser sets it: each cell's text in its column,
// cells side by side as long as the table fits the width of a reader's window.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace nmail::html {

// Columns a text takes in a fixed-width font: two for a wide (East Asian) character, none for a
// combining mark, one for anything else.
int displayWidth(QStringView text);

struct TableCell {
    QStringList lines;  // the cell's text, already set line by line
    int columnSpan = 1;
};
using TableRow = QList<TableCell>;

// The lines of the table in aligned columns two spaces apart, a cell of several lines beside its
// neighbours, when the table fits in maxWidth columns; nothing when it does not. Columns empty in
// every row take no room; empty rows are left out.
std::optional<QStringList> alignedTable(const QList<TableRow>& rows, int maxWidth);

// The lines of a table too wide to align (a layout table around long paragraphs, which are never
// broken here): a row whose cells are one line each stays on one line, cells two spaces apart;
// the cells of any other row are given one after the other, each set off by blank lines.
QStringList looseTable(const QList<TableRow>& rows);

// The number of columns that hold text in some row.
int filledColumns(const QList<TableRow>& rows);

}  // namespace nmail::html
