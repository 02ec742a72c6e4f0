#pragma once

#include <QLineEdit>

class QLabel;

namespace tarvelin::ui {

// Lets a one-line box take a text of any length, a pasted one too (a box keeps 32767 characters unless
// told otherwise).
void takeWholeTexts(QLineEdit* box);

// A one-line box with its label 3 pixels above it, placed as one.
class LabeledEdit : public QLineEdit {
    Q_OBJECT

public:
    LabeledEdit(QWidget* parent, const char* name, const QString& label, int left, int top, int width, int height);
    QLabel* label() const { return label_; }

    // Every letter typed or pasted becomes upper case as it is entered.
    void forceUpperCase();

private:
    QLabel* label_;
};

}  // namespace tarvelin::ui
