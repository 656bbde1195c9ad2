#pragma once
// The history window's text box (rtfEd): a plain-text editor that also shows a received mail.
// Lines that name a file in the attachment folder (an attachment written there, or the raw mail
// kept there) are shown as links and open the file when clicked; a one-line notice above the
// text says when the text is not the record's own.

#include <QTextEdit>

class QLabel;

namespace history {

class MailTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit MailTextBox(QWidget* parent = nullptr);

    // Marks as links the file names of the lines naming an attachment
    // ("Content-Disposition: attachment; filename="…"") or the kept raw mail. The text itself
    // does not change.
    void markFileLinks();

    // A line shown above the text; an empty one hides it. It goes away by itself once the text
    // changes.
    void setNotice(const QString& text);
    QString notice() const;

    // The file name of the link at a point of the viewport, or an empty string.
    QString fileLinkAt(QPoint position) const;

signals:
    // A click on a file link (not the end of a selection).
    void fileLinkClicked(const QString& fileName);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeNotice();

    QLabel* notice_;
    bool formatting_ = false;
    QPoint pressedAt_;
};

}  // namespace history
