#include "ui/ViewPrint.h"

#include <cmath>

#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBlock>
#include <QTextLayout>

#include "ui/ansi_text.h"
#include "ui/window_fonts.h"

namespace tarvelin::ui {

namespace {

constexpr int kWidth = 776;
constexpr int kHeight = 427;
constexpr int kTopPaneHeight = 200;

QTextOption wrappingOption() {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

QPlainTextEdit* holderPane(QWidget* parent, const char* name, int top, int height) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setObjectName(QString::fromLatin1(name));
    pane->setGeometry(0, top, kWidth, height);
    pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    pane->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setPlainText(QString());  // one empty line
    return pane;
}

// Lays out one line of text at `width` and calls `onLine` for every piece it wraps into.
template <typename OnLine>
void layOutWrapped(const QString& text, const QFont& font, QPaintDevice* device, qreal width, OnLine&& onLine) {
    QTextLayout layout(text, font, device);
    layout.setTextOption(wrappingOption());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
    }
    layout.endLayout();
    for (int i = 0; i < layout.lineCount(); ++i) {
        onLine(layout.lineAt(i));
    }
}

// Calls `onLine` with the text of every line of the document but a last empty one.
template <typename OnLine>
void forEachHeldLine(const QTextDocument& document, OnLine&& onLine) {
    const QTextBlock last = document.lastBlock();
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        if (block == last && block.text().isEmpty()) {
            break;
        }
        onLine(block.text());
    }
}

}  // namespace

TPrintForm::TPrintForm() : QWidget(nullptr) {
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(QStringLiteral("PrintForm"));
    setFont(windowFont());
    setFixedSize(kWidth, kHeight);
    RichEdit1 = holderPane(this, "RichEdit1", 0, kTopPaneHeight);
    RichEdit2 = holderPane(this, "RichEdit2", kTopPaneHeight, kHeight - kTopPaneHeight);
}

TPrintForm::~TPrintForm() = default;

void TPrintForm::holdText(const QString& text, const QFont& font) {
    RichEdit1->setPlainText(text);
    RichEdit1->setFont(font);
    QPalette palette = RichEdit1->palette();
    palette.setColor(QPalette::Text, Qt::black);
    RichEdit1->setPalette(palette);
}

size_t TPrintForm::laidOutLineCount() const {
    // The pane is never shown, so its width is worked out from its own geometry, not from a laid-out
    // viewport: the inside of its frame less the document's margins.
    const qreal width = RichEdit1->contentsRect().width() - 2 * RichEdit1->document()->documentMargin();
    size_t lines = 0;
    forEachHeldLine(*RichEdit1->document(), [&](const QString& text) {
        layOutWrapped(text, RichEdit1->font(), RichEdit1, width, [&](const QTextLine&) { ++lines; });
    });
    return lines;
}

bool TPrintForm::printHeld(QPrinter& printer, const QString& title) const {
    printer.setDocName(title);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    // The painter's origin is the printable area's corner; the text uses all of that area.
    const QRectF area = printer.pageRect(QPrinter::DevicePixel);
    const QFont font(RichEdit1->font(), &printer);
    painter.setFont(font);
    painter.setPen(RichEdit1->palette().color(QPalette::Text));
    qreal y = 0;
    forEachHeldLine(*RichEdit1->document(), [&](const QString& text) {
        layOutWrapped(text, font, &printer, area.width(), [&](const QTextLine& line) {
            if (y > 0 && y + line.height() > area.height()) {
                printer.newPage();
                y = 0;
            }
            line.draw(&painter, QPointF(0, y));
            y += line.height();
        });
    });
    return painter.end();
}

QPrinter* TPrintForm::printer() {
    if (printerGiven_) {
        return printer_.get();
    }
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        return nullptr;
    }
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return printer_.get();
}

void TPrintForm::setPrinter(std::unique_ptr<QPrinter> printer) {
    printer_ = std::move(printer);
    printerGiven_ = true;
}

int fontHeightInPixels(const QFont& font, int dotsPerInch) {
    if (font.pixelSize() > 0) {
        return font.pixelSize();
    }
    return static_cast<int>(std::lround(font.pointSizeF() * dotsPerInch / 72.0));
}

}  // namespace tarvelin::ui
