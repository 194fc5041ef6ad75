// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <initializer_list>
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

// A help text that wraps to the width of its window.
inline QLabel* HelpLabel(const char* name, const QString& text) {
    auto* label = Named<QLabel>(name, text);
    label->setWordWrap(true);
    return label;
}

// A field that shows its whole text as its tip: a path is often longer than the field.
inline void ShowWholeTextAsTip(QLineEdit* field) {
    QObject::connect(field, &QLineEdit::textChanged, field,
                     [field](const QString& text) { field->setToolTip(text); });
}

// "Show password": a check box that shows the fields' text instead of dots while ticked.
inline QCheckBox* ShowPasswordBox(const char* name, std::initializer_list<QLineEdit*> fields,
                                  const QString& caption = QStringLiteral("&Show password")) {
    auto* box = Named<QCheckBox>(name, caption);
    const QList<QLineEdit*> shown(fields);
    QObject::connect(box, &QCheckBox::toggled, box, [shown](bool ticked) {
        for (QLineEdit* field : shown)
            field->setEchoMode(ticked ? QLineEdit::Normal : QLineEdit::Password);
    });
    return box;
}

// The filter of the box file pickers.
inline const QString kBoxFileFilter =
    QStringLiteral("Vaultkeep Files (*.vkx)") + QChar(0) + QStringLiteral("*.vkx") + QChar(0);

}  // namespace vko
