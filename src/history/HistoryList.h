#pragma once
// The viewer's list of history lines. Besides its text every line knows the record it stands
// for: lines filled from a history file stand for the record at their position, but the mail
// check puts in lines of its own for the mails it has just stored, and those must keep leading
// to the records that were written for them rather than to whatever sits at their position.

#include "store/HistoryRecord.h"

#include <QListWidget>
#include <QStringList>

#include <optional>

namespace history {

struct LineTarget {
    store::HistoryKind kind;
    int record;  // from 1
};

class HistoryList : public QListWidget {
    Q_OBJECT
public:
    explicit HistoryList(QWidget* parent = nullptr);

    // Lines that stand for records 1, 2, … of the file shown, in that order.
    void addPositionalLines(const QStringList& lines);
    // A line that stands for the given record, wherever it sits in the list.
    void addRecordLine(const QString& text, store::HistoryKind kind, int record);

    // The selected line, or nullopt when no line is selected.
    std::optional<int> selectedLine() const;
    // The record a line stands for; a positional line belongs to the history currently shown.
    LineTarget target(int line, store::HistoryKind shown) const;

    // While a mouse press is handled: the selection it moves is followed up by mouseDown.
    bool pressing() const { return pressing_; }

signals:
    // A mouse button was pressed over the list. A left press has already moved the selection;
    // other buttons leave it where it was.
    void mouseDown();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool pressing_ = false;
};

}  // namespace history
