#include "platform/QtSeams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>

namespace {

QMessageBox::Icon toQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

}  // namespace

MessageAnswer QtMessageBoxes::showTitled(QWidget* parent, const QString& text, const QString& title,
                                         MessageButtons buttons, MessageIcon icon)
{
    // The window system puts the executable's name on a window without a title; a blank keeps
    // the title bar empty.
    QMessageBox box(toQtIcon(icon), title.isEmpty() ? QStringLiteral(" ") : title, text, toQtButtons(buttons),
                    parent);
    // A question with a warning asks about something risky (trusting a certificate, sending
    // without a record): Enter must not say yes to it.
    if (buttons == MessageButtons::YesNo && icon == MessageIcon::Warning)
        box.setDefaultButton(QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: break;
    }
    // Closing a box with its close box or Esc counts as its negative answer.
    switch (buttons) {
    case MessageButtons::OkCancel: return MessageAnswer::Cancel;
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::Ok: break;
    }
    return MessageAnswer::Ok;
}

TimerSeededRandom::TimerSeededRandom()
    : engine_(static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch()))
{
}

double TimerSeededRandom::next() { return unit_(engine_); }

void SystemBeeper::beep() { QApplication::beep(); }

bool DesktopUrlOpener::open(const QUrl& url) { return QDesktopServices::openUrl(url); }
