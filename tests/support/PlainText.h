// Checks that texts from a server reach labels as plain text, never guessed as HTML.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

namespace PlainText {

// A server's text that Qt would take for HTML, with an image it would go and load.
inline const QString hostile = QStringLiteral("4.11.0 <img src='hostile.png'><b>bold</b>");

struct LabelCount {
    int plain = 0;
    int rich = 0; // a label whose text would be rendered as HTML
};

// The labels below `root` (itself included) whose text contains `text`.
inline LabelCount labelsShowing(QWidget& root, const QString& text) {
    QList<QLabel*> labels = root.findChildren<QLabel*>();
    if (auto* label = qobject_cast<QLabel*>(&root))
        labels.append(label);
    LabelCount count;
    for (const QLabel* label : labels) {
        if (!label->text().contains(text))
            continue;
        if (label->textFormat() == Qt::PlainText)
            ++count.plain;
        else
            ++count.rich;
    }
    return count;
}

} // namespace PlainText
