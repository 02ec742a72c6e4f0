#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>
#include <QString>

class QComboBox;
class QPrinter;
class QRadioButton;

namespace tarvelin::ui {

// A printer the operator can choose, with the paper it takes.
struct PrinterChoice {
    QString name;
    QList<QPageSize> pageSizes;
    QPageSize defaultPageSize;
};

// The printers installed on the system, the default one first.
QList<PrinterChoice> installedPrinters();

// "ﾌﾟﾘﾝﾀ設定": the operator chooses the printer, the paper and the orientation of the prints to come. The
// choices go into the printer on OK; キャンセル leaves it as it was.
class PrinterSetupDialog : public QDialog {
    Q_OBJECT

public:
    PrinterSetupDialog(QWidget* owner, QPrinter& printer, QList<PrinterChoice> printers);

    QComboBox* printerBox = nullptr;
    QComboBox* paperBox = nullptr;
    QRadioButton* portraitButton = nullptr;
    QRadioButton* landscapeButton = nullptr;

    void accept() override;

private:
    void fillPapers(const QPageSize& wanted);

    QPrinter& printer_;
    QList<PrinterChoice> printers_;
};

}  // namespace tarvelin::ui
