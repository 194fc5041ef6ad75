#include "ui/MessageBoxes.h"

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

void MessageBoxes::Inform(const QString& text, Icon icon) {
    QMessageBox box(BoxIcon(icon), QString::fromLatin1(kAppTitle), text, QMessageBox::Ok);
    box.exec();
}

bool MessageBoxes::AskYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle), text,
                    QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void PrintedMessages::Inform(const QString& text, Icon) {
    Print(QStringLiteral("message"), text);
}

bool PrintedMessages::AskYesNo(const QString& text) {
    Print(QStringLiteral("question"), text);
    return true;
}

std::unique_ptr<Messages> MessagesForEnvironment() {
    if (qEnvironmentVariable("VKO_TEST_MESSAGES") == QLatin1String("print"))
        return std::make_unique<PrintedMessages>();
    return std::make_unique<MessageBoxes>();
}

}  // namespace vko
