#include "mail/TextTable.h"

#include <algorithm>
#include <numeric>

namespace nmail::html {

namespace {

constexpr int Gap = 2;
constexpr int MaxColumns = 1000;  // a span beyond this is a broken or hostile table

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
        || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F)
        || (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

int widest(const QStringList& lines)
{
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, displayWidth(line));
    return width;
}

bool isEmpty(const TableCell& cell)
{
    return std::all_of(cell.lines.begin(), cell.lines.end(), [](const QString& line) { return line.trimmed().isEmpty(); });
}

struct Grid {
    QList<QList<int>> firstColumn;  // per row, the column each cell starts in
    QList<int> widths;              // per column

    // Room for a cell spanning columns [first, first + span): the visible columns and the gaps
    // between them.
    int room(int first, int span) const
    {
        int width = 0, visible = 0;
        for (int c = first; c < first + span; ++c) {
            if (widths[c] > 0) {
                width += widths[c];
                ++visible;
            }
        }
        return width + Gap * std::max(visible - 1, 0);
    }
};

Grid measure(const QList<TableRow>& rows)
{
    Grid grid;
    int columns = 0;
    for (const TableRow& row : rows) {
        QList<int> starts;
        int column = 0;
        for (const TableCell& cell : row) {
            starts.append(column);
            column = std::min(column + std::clamp(cell.columnSpan, 1, MaxColumns), MaxColumns);
        }
        grid.firstColumn.append(starts);
        columns = std::max(columns, column);
    }
    grid.widths = QList<int>(columns, 0);
    // Cells of one column set its width first; a wider spanning cell then widens its last column.
    for (const int pass : {1, 2}) {
        for (qsizetype r = 0; r < rows.size(); ++r) {
            for (qsizetype i = 0; i < rows[r].size(); ++i) {
                const TableCell& cell = rows[r][i];
                const int first = grid.firstColumn[r][i];
                const int span = std::min(std::max(cell.columnSpan, 1), columns - first);
                if ((span == 1) != (pass == 1) || span < 1)
                    continue;
                const int needed = widest(cell.lines);
                const int room = grid.room(first, span);
                if (needed > room)
                    grid.widths[first + span - 1] += needed - room;
            }
        }
    }
    return grid;
}

QString padded(const QString& text, int width)
{
    return text + QString(std::max(width - displayWidth(text), 0), u' ');
}

QString rightTrimmed(QString line)
{
    while (!line.isEmpty() && line.back() == u' ')
        line.chop(1);
    return line;
}

void setAligned(const TableRow& row, const QList<int>& starts, const Grid& grid, QStringList& out)
{
    qsizetype height = 0;
    for (const TableCell& cell : row)
        height = isEmpty(cell) ? height : std::max(height, cell.lines.size());
    for (qsizetype line = 0; line < height; ++line) {
        QStringList pieces;
        for (qsizetype i = 0; i < row.size(); ++i) {
            const int span = std::min(std::max(row[i].columnSpan, 1), int(grid.widths.size()) - starts[i]);
            const int width = grid.room(starts[i], span);
            if (width > 0)
                pieces.append(padded(row[i].lines.value(line), width));
        }
        out.append(rightTrimmed(pieces.join(QString(Gap, u' '))));
    }
}

void setLoose(const TableRow& row, QStringList& out)
{
    QList<const TableCell*> filled;
    for (const TableCell& cell : row) {
        if (!isEmpty(cell))
            filled.append(&cell);
    }
    const bool oneLineEach = std::all_of(filled.begin(), filled.end(), [](const TableCell* cell) {
        return std::count_if(cell->lines.begin(), cell->lines.end(), [](const QString& l) { return !l.trimmed().isEmpty(); }) == 1;
    });
    if (oneLineEach) {
        QStringList pieces;
        for (const TableCell* cell : filled) {
            for (const QString& line : cell->lines) {
                if (!line.trimmed().isEmpty())
                    pieces.append(line.trimmed());
            }
        }
        if (!pieces.isEmpty())
            out.append(pieces.join(QString(Gap, u' ')));
        return;
    }
    // A cell of several lines is a block of its own, set off by blank lines.
    for (const TableCell* cell : filled) {
        if (!out.isEmpty() && !out.back().isEmpty())
            out.append(QString());
        out += cell->lines;
        out.append(QString());
    }
}

}  // namespace

int displayWidth(QStringView text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing || category == QChar::Other_Format)
            continue;
        width += isWide(c) ? 2 : 1;
    }
    return width;
}

std::optional<QStringList> alignedTable(const QList<TableRow>& rows, int maxWidth)
{
    const Grid grid = measure(rows);
    const int visible = int(std::count_if(grid.widths.begin(), grid.widths.end(), [](int w) { return w > 0; }));
    const int total = std::accumulate(grid.widths.begin(), grid.widths.end(), 0) + Gap * std::max(visible - 1, 0);
    if (total > maxWidth)
        return std::nullopt;
    QStringList out;
    for (qsizetype r = 0; r < rows.size(); ++r)
        setAligned(rows[r], grid.firstColumn[r], grid, out);
    return out;
}

QStringList looseTable(const QList<TableRow>& rows)
{
    QStringList out;
    for (const TableRow& row : rows)
        setLoose(row, out);
    return out;
}

int filledColumns(const QList<TableRow>& rows)
{
    const Grid grid = measure(rows);
    return int(std::count_if(grid.widths.begin(), grid.widths.end(), [](int w) { return w > 0; }));
}

}  // namespace nmail::html
