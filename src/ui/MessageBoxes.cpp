#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <cstdio>

#include "app/AppInfo.h"

namespace vko {

namespace {

QMessageBox::Icon BoxIcon(Messages::Icon icon) {
    switch (icon) {
        case Messages::Icon::Information:
            return QMessageBox::Information;
        case Messages::Icon::Question:
            return QMessageBox::Question;
        case Messages::Icon::Exclamation:
            return QMessageBox::Warning;
        case Messages::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

void Print(const QString& kind, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(kind), qPrintable(text));
    std::fflush(stderr);
}

}  // namespace

QWidget* FrontWindow() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(window) && window->isVisible()) return window;
    return nullptr;
}

void MessageBoxes::Inform(const QString& text, Icon icon) {
    Report(QString::fromLatin1(kAppTitle), text, icon);
}

void MessageBoxes::Report(const QString& title, const QString& text, Icon icon) {
    QMessageBox box(BoxIcon(icon), title, text, QMessageBox::Ok, FrontWindow());
    box.exec();
}

bool MessageBoxes::AskYesNo(const QString& text, Answer preferred) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle), text,
                    QMessageBox::Yes | QMessageBox::No, FrontWindow());
    box.setDefaultButton(preferred == Answer::No ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxes::AskYesNoLater(const QString& text, std::function<void(bool)> answered,
                                 Answer preferred) {
    QWidget* owner = FrontWindow();
    // Owned by the main window when nothing is shown, so that it goes with it.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!owner && qobject_cast<QMainWindow*>(window)) owner = window;
    auto* box = new QMessageBox(QMessageBox::Question, QString::fromLatin1(kAppTitle), text,
                                QMessageBox::Yes | QMessageBox::No, owner);
    box->setDefaultButton(preferred == Answer::No ? QMessageBox::No : QMessageBox::Yes);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [box, answered = std::move(answered)] {
        answered(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
}

void PrintedMessages::Inform(const QString& text, Icon) {
    Print(QStringLiteral("message"), text);
}

bool PrintedMessages::AskYesNo(const QString& text, Answer) {
    Print(QStringLiteral("question"), text);
    return true;
}

void LoggedMessages::Inform(const QString& text, Icon icon) {
    Print(QStringLiteral("message"), text);
    MessageBoxes::Report(QString::fromLatin1(kAppTitle), text, icon);
}

void LoggedMessages::Report(const QString& title, const QString& text, Icon icon) {
    Print(QStringLiteral("message"), title + QLatin1Char('\n') + text);
    MessageBoxes::Report(title, text, icon);
}

bool LoggedMessages::AskYesNo(const QString& text, Answer preferred) {
    Print(QStringLiteral("question"), text);
    const bool yes = MessageBoxes::AskYesNo(text, preferred);
    Print(QStringLiteral("answer"), yes ? QStringLiteral("Yes") : QStringLiteral("No"));
    return yes;
}

void LoggedMessages::AskYesNoLater(const QString& text, std::function<void(bool)> answered,
                                   Answer preferred) {
    Print(QStringLiteral("question"), text);
    MessageBoxes::AskYesNoLater(
        text,
        [answered = std::move(answered)](bool yes) {
            Print(QStringLiteral("answer"), yes ? QStringLiteral("Yes") : QStringLiteral("No"));
            answered(yes);
        },
        preferred);
}

std::unique_ptr<Messages> MessagesForEnvironment() {
    const QString mode = qEnvironmentVariable("VKO_TEST_MESSAGES");
    if (mode == QLatin1String("print")) return std::make_unique<PrintedMessages>();
    if (mode == QLatin1String("log")) return std::make_unique<LoggedMessages>();
    return std::make_unique<MessageBoxes>();
}

}  // namespace vko
