#pragma once

#include <QLabel>
#include <QString>
#include <utility>

namespace vko {

// A new widget carrying the control's name, so that tests and style sheets find it.
template <typename W, typename... Args>
W* Named(const char* name, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A caption label in bold.
inline QLabel* BoldLabel(const char* name, const QString& text) {
    auto* label = Named<QLabel>(name, text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A help text that wraps at a fixed width, so that a dialog sized by its layout shows all of
// its lines.
inline QLabel* HelpLabel(const char* name, const QString& text, int widthInCharacters = 62) {
    auto* label = Named<QLabel>(name, text);
    label->setWordWrap(true);
    label->setFixedWidth(label->fontMetrics().averageCharWidth() * widthInCharacters);
    return label;
}

// The filter of the box file pickers.
inline const QString kBoxFileFilter =
    QStringLiteral("Vaultkeep Files (*.vkx)") + QChar(0) + QStringLiteral("*.vkx") + QChar(0);

}  // namespace vko
