#include "ui/dialogs/WidgetPrompts.h"

#include "base/L10n.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>

namespace {

const QString applicationTitle = QStringLiteral("Talvane Orvello");

// The texts name files and hosts: shown as written, never guessed as HTML.
void setTexts(QMessageBox& box, const QString& informative) {
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(informative.isEmpty() ? QString()
                                                 : Qt::convertFromPlainText(informative));
}

} // namespace

void WidgetPrompts::alert(const QString& message, const QString& informative) {
    QMessageBox box(QMessageBox::Warning, applicationTitle, message, QMessageBox::Ok, parent);
    setTexts(box, informative);
    box.exec();
}

void WidgetPrompts::notice(const QString& message, const QString& informative) {
    if (!parent)
        return alert(message, informative);
    auto* box =
        new QMessageBox(QMessageBox::Warning, applicationTitle, message, QMessageBox::Ok, parent);
    setTexts(*box, informative);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

std::optional<QString> WidgetPrompts::password(const QString& name, bool again) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(applicationTitle);
    dialog.setLabelText(
        again ? L10n::format("Falsches Passwort für %@. Bitte noch einmal:", {name})
              : L10n::format("%@ ist durch ein Passwort geschützt. Passwort:", {name}));
    // The file name is shown as written, never read as markup.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

namespace {

// A question whose default, and the answer to Esc, keeps the talk running.
bool confirmLeavingTheTalk(QWidget* parent, const QString& message, const QString& leave) {
    QMessageBox box(QMessageBox::Question, applicationTitle, message, QMessageBox::NoButton,
                    parent);
    QPushButton* keep = box.addButton(L10n::lookup("Weiter präsentieren"), QMessageBox::RejectRole);
    box.addButton(leave, QMessageBox::DestructiveRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() != keep;
}

} // namespace

bool WidgetPrompts::confirmQuit(const QString& message) {
    return confirmLeavingTheTalk(parent, message, L10n::lookup("Beenden"));
}

bool WidgetPrompts::confirmDeckChange(const QString& message) {
    return confirmLeavingTheTalk(parent, message, L10n::lookup("Wechseln"));
}

int WidgetPrompts::ask(const QString& message, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Information, applicationTitle, message, QMessageBox::NoButton,
                    parent);
    QList<QAbstractButton*> choices;
    for (const QString& title : buttons)
        choices.append(box.addButton(title, choices.isEmpty() ? QMessageBox::AcceptRole
                                                              : QMessageBox::RejectRole));
    if (!choices.isEmpty())
        box.setDefaultButton(static_cast<QPushButton*>(choices.first()));
    box.exec();
    return int(choices.indexOf(box.clickedButton()));
}

void WidgetPrompts::about(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setIconPixmap(QApplication::windowIcon().pixmap(64));
    box.setTextFormat(Qt::PlainText);
    // The address and the version can be copied from it.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A message box sizes itself to its longest line only; the title needs room too.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(520, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
}
