// The platform's message boxes: the title each one really carries.

#include "platform/QtSeams.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Shows a box through the seam and returns the window title it had, closing it at once.
QString titleShown(const std::function<void()>& showBox)
{
    QString title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            box->accept();
        }
    });
    poll.start(10);
    showBox();
    return title;
}

}  // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void titles()
    {
        QtMessageBoxes boxes;
        const auto shown = [&](const QString& title, bool exact) {
            return titleShown([&] {
                if (exact)
                    boxes.showTitled(nullptr, QStringLiteral("text"), title, MessageButtons::Ok, MessageIcon::Warning);
                else
                    boxes.show(nullptr, QStringLiteral("text"), title, MessageButtons::Ok, MessageIcon::Warning);
            });
        };
        QCOMPARE(shown(QStringLiteral("確認"), true), QStringLiteral("確認"));
        QCOMPARE(shown(QString(), false), QStringLiteral("rudiv"));
        // An empty title would get the executable's name from the window system; a blank
        // keeps the title bar empty.
        const QString empty = shown(QString(), true);
        QVERIFY(!empty.isEmpty());
        QVERIFY(empty.trimmed().isEmpty());
    }
};

QTEST_MAIN(MessageBoxesTest)
#include "message_boxes_test.moc"
