// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
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

QString AnswerName(ExistingAnswer answer) {
    switch (answer) {
        case ExistingAnswer::kReplace:
            return QStringLiteral("Replace");
        case ExistingAnswer::kSkip:
            return QStringLiteral("Skip");
        case ExistingAnswer::kCancel:
            break;
    }
    return QStringLiteral("Cancel");
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

ExistingAnswer MessageBoxes::AskExistingFiles(const QString& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle), text,
                    QMessageBox::NoButton, FrontWindow());
    box.setTextFormat(Qt::PlainText);  // file names are shown as they are, never as markup
    // Modal to the window it belongs over; the job waits for the answer before it writes.
    box.setWindowModality(Qt::WindowModal);
    QPushButton* replace = box.addButton(QStringLiteral("&Replace"), QMessageBox::DestructiveRole);
    QPushButton* skip = box.addButton(QStringLiteral("&Skip"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("&Cancel"), QMessageBox::RejectRole);
    replace->setToolTip(QStringLiteral("Put the box's versions in place of these files"));
    skip->setToolTip(QStringLiteral("Keep these files and extract the others"));
    cancel->setToolTip(QStringLiteral("Extract nothing"));
    // Enter keeps every file there and still extracts the rest; replacing takes a deliberate
    // choice. Escape and the close box press Cancel.
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == replace) return ExistingAnswer::kReplace;
    if (box.clickedButton() == skip) return ExistingAnswer::kSkip;
    return ExistingAnswer::kCancel;
}

bool MessageBoxes::AskWriteDamaged(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kAppTitle), text,
                    QMessageBox::NoButton, FrontWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::WindowModal);
    QPushButton* write =
        box.addButton(QStringLiteral("&Write Anyway"), QMessageBox::DestructiveRole);
    QPushButton* leave = box.addButton(QStringLiteral("&Leave Out"), QMessageBox::RejectRole);
    write->setToolTip(QStringLiteral("Write these files as they are; they are named as damaged"));
    leave->setToolTip(QStringLiteral("Write none of these files"));
    // Writing what failed its check takes a deliberate choice; Enter, Escape and the close box
    // leave the files out.
    box.setDefaultButton(leave);
    box.setEscapeButton(leave);
    box.exec();
    return box.clickedButton() == write;
}

void PrintedMessages::Inform(const QString& text, Icon) {
    Print(QStringLiteral("message"), text);
}

bool PrintedMessages::AskYesNo(const QString& text, Answer) {
    Print(QStringLiteral("question"), text);
    return true;
}

ExistingAnswer PrintedMessages::AskExistingFiles(const QString& text) {
    Print(QStringLiteral("question"), text);
    return ExistingAnswer::kSkip;
}

bool PrintedMessages::AskWriteDamaged(const QString& text) {
    Print(QStringLiteral("question"), text);
    return false;
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

ExistingAnswer LoggedMessages::AskExistingFiles(const QString& text) {
    Print(QStringLiteral("question"), text);
    const ExistingAnswer answer = MessageBoxes::AskExistingFiles(text);
    Print(QStringLiteral("answer"), AnswerName(answer));
    return answer;
}

bool LoggedMessages::AskWriteDamaged(const QString& text) {
    Print(QStringLiteral("question"), text);
    const bool write = MessageBoxes::AskWriteDamaged(text);
    Print(QStringLiteral("answer"),
          write ? QStringLiteral("Write Anyway") : QStringLiteral("Leave Out"));
    return write;
}

std::unique_ptr<Messages> MessagesForEnvironment() {
    const QString mode = qEnvironmentVariable("VKO_TEST_MESSAGES");
    if (mode == QLatin1String("print")) return std::make_unique<PrintedMessages>();
    if (mode == QLatin1String("log")) return std::make_unique<LoggedMessages>();
    return std::make_unique<MessageBoxes>();
}

}  // namespace vko
