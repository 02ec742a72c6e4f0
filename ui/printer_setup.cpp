#include "ui/printer_setup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/ansi_text.h"

namespace tarvelin::ui {

QList<PrinterChoice> installedPrinters() {
    QList<PrinterChoice> choices;
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
        PrinterChoice choice{info.printerName(), info.supportedPageSizes(), info.defaultPageSize()};
        if (choice.name == defaultName) {
            choices.prepend(choice);
        } else {
            choices.append(choice);
        }
    }
    return choices;
}

PrinterSetupDialog::PrinterSetupDialog(QWidget* owner, QPrinter& printer, QList<PrinterChoice> printers)
    : QDialog(owner), printer_(printer), printers_(std::move(printers)) {
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    setWindowTitle(jp("プリンタの設定"));

    auto* printerGroup = new QGroupBox(jp("プリンタ"), this);
    printerBox = new QComboBox(printerGroup);
    printerBox->setObjectName(QStringLiteral("printerBox"));
    for (const PrinterChoice& choice : printers_) {
        printerBox->addItem(choice.name);
    }
    auto* printerForm = new QFormLayout(printerGroup);
    printerForm->addRow(jp("名前(&N):"), printerBox);

    auto* paperGroup = new QGroupBox(jp("用紙"), this);
    paperBox = new QComboBox(paperGroup);
    paperBox->setObjectName(QStringLiteral("paperBox"));
    auto* paperForm = new QFormLayout(paperGroup);
    paperForm->addRow(jp("サイズ(&Z):"), paperBox);

    auto* orientationGroup = new QGroupBox(jp("印刷の向き"), this);
    portraitButton = new QRadioButton(jp("縦(&O)"), orientationGroup);
    portraitButton->setObjectName(QStringLiteral("portraitButton"));
    landscapeButton = new QRadioButton(jp("横(&A)"), orientationGroup);
    landscapeButton->setObjectName(QStringLiteral("landscapeButton"));
    auto* orientationLayout = new QVBoxLayout(orientationGroup);
    orientationLayout->addWidget(portraitButton);
    orientationLayout->addWidget(landscapeButton);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(jp("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lower = new QHBoxLayout;
    lower->addWidget(paperGroup, 1);
    lower->addWidget(orientationGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    // Start from what the printer holds: its printer (the default one when it has none), paper and
    // orientation.
    const int current = printerBox->findText(printer_.printerName());
    printerBox->setCurrentIndex(current >= 0 ? current : 0);
    fillPapers(printer_.pageLayout().pageSize());
    connect(printerBox, &QComboBox::currentIndexChanged, this,
            [this] { fillPapers(paperBox->currentData().value<QPageSize>()); });
    (printer_.pageLayout().orientation() == QPageLayout::Landscape ? landscapeButton : portraitButton)
        ->setChecked(true);
}

void PrinterSetupDialog::fillPapers(const QPageSize& wanted) {
    // The paper of the printer chosen: the one wanted when the printer takes it, else the printer's own.
    paperBox->clear();
    const int index = printerBox->currentIndex();
    QList<QPageSize> sizes;
    QPageSize fallback = wanted;
    if (index >= 0 && index < printers_.size()) {
        sizes = printers_[index].pageSizes;
        fallback = printers_[index].defaultPageSize;
    }
    if (sizes.isEmpty() && wanted.isValid()) {
        sizes = {wanted};
    }
    int wantedIndex = -1;
    int fallbackIndex = 0;
    for (const QPageSize& size : sizes) {
        if (wantedIndex < 0 && size.isEquivalentTo(wanted)) {
            wantedIndex = paperBox->count();
        }
        if (size.isEquivalentTo(fallback)) {
            fallbackIndex = paperBox->count();
        }
        paperBox->addItem(size.name(), QVariant::fromValue(size));
    }
    paperBox->setCurrentIndex(wantedIndex >= 0 ? wantedIndex : fallbackIndex);
}

void PrinterSetupDialog::accept() {
    const QString name = printerBox->currentText();
    if (!name.isEmpty() && name != printer_.printerName() && printer_.outputFormat() == QPrinter::NativeFormat) {
        printer_.setPrinterName(name);
    }
    const QVariant paper = paperBox->currentData();
    if (paper.isValid()) {
        printer_.setPageSize(paper.value<QPageSize>());
    }
    printer_.setPageOrientation(landscapeButton->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QDialog::accept();
}

}  // namespace tarvelin::ui
