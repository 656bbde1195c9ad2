#include "history/HistoryList.h"

#include <QMouseEvent>

namespace history {

namespace {
constexpr int KindRole = Qt::UserRole;
constexpr int RecordRole = Qt::UserRole + 1;
}  // namespace

HistoryList::HistoryList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every line has the same height; without this a list of thousands of lines is measured
    // line by line whenever it is shown.
    setUniformItemSizes(true);
}

void HistoryList::addPositionalLines(const QStringList& lines) { addItems(lines); }

void HistoryList::addRecordLine(const QString& text, store::HistoryKind kind, int record)
{
    auto* item = new QListWidgetItem(text);
    item->setData(KindRole, static_cast<int>(kind));
    item->setData(RecordRole, record);
    addItem(item);
}

std::optional<int> HistoryList::selectedLine() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first().row();
}

LineTarget HistoryList::target(int line, store::HistoryKind shown) const
{
    const QListWidgetItem* lineItem = item(line);
    const QVariant record = lineItem ? lineItem->data(RecordRole) : QVariant();
    if (!record.isValid())
        return {shown, line + 1};
    return {static_cast<store::HistoryKind>(lineItem->data(KindRole).toInt()), record.toInt()};
}

void HistoryList::mousePressEvent(QMouseEvent* event)
{
    pressing_ = true;
    if (event->button() == Qt::LeftButton)
        QListWidget::mousePressEvent(event);
    else
        event->accept();
    pressing_ = false;
    emit mouseDown();
}

}  // namespace history
