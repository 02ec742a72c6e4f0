#include "ui/labeled_edit.h"

#include <limits>

#include <QLabel>

namespace tarvelin::ui {

LabeledEdit::LabeledEdit(QWidget* parent, const char* name, const QString& label, int left, int top, int width,
                         int height)
    : QLineEdit(parent), label_(new QLabel(label, parent)) {
    setObjectName(QString::fromLatin1(name));
    setGeometry(left, top, width, height);
    takeWholeTexts(this);
    label_->setObjectName(QString::fromLatin1(name) + QStringLiteral("Label"));
    label_->adjustSize();
    label_->move(left, top - 3 - label_->height());
    label_->setBuddy(this);
}

void takeWholeTexts(QLineEdit* box) {
    box->setMaxLength(std::numeric_limits<int>::max());
}

void LabeledEdit::forceUpperCase() {
    // The ANSI upper-casing: single-byte letters only, as the program upper-cases its texts.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        QString upper = text;
        for (QChar& c : upper) {
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
                c = QChar(c.unicode() - ('a' - 'A'));
            }
        }
        if (upper != text) {
            const int cursor = cursorPosition();
            setText(upper);
            setCursorPosition(cursor);
        }
    });
}

}  // namespace tarvelin::ui
