#include "ui/ViewPrint.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <utility>
#include <vector>

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRawFont>
#include <QTextLayout>

#include "platform/mbcs.h"
#include "ui/ansi_text.h"
#include "ui/held_print_job.h"
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

// A long line is laid out this many bytes at a time, so that a line of any length takes little memory and
// time between two looks at the window's events.
constexpr size_t kStretchBytes = 16 * 1024;
// Lines counted or printed between two reports of progress.
constexpr size_t kLinesPerReport = 1024;
// Progress is reported in thousandths of a line, so that it moves on inside a long line too.
constexpr size_t kPartsPerLine = 1000;

size_t partsDone(size_t line, size_t bytesDone, size_t lineSize) {
    return line * kPartsPerLine + (lineSize == 0 ? 0 : bytesDone * kPartsPerLine / lineSize);
}

// Calls onLine(line, index) for every line of a held text, without its break, and stops when it returns
// false; false then. A last line that is empty is left out, so that an empty text has no line and a text
// that ends with a line break has none after it.
template <typename OnLine>
bool forEachLine(const core::EditedText& lines, OnLine&& onLine) {
    size_t count = lines.lineCount();
    if (count > 0 && lines.line(count - 1).empty()) {
        --count;
    }
    for (size_t index = 0; index < count; ++index) {
        if (!onLine(lines.line(index), index)) {
            return false;
        }
    }
    return true;
}

// A stretch of code page 932 text for layout, and where each of its characters starts in the bytes.
QString layoutText(std::string_view bytes, std::vector<size_t>* starts) {
    if (starts != nullptr) {
        starts->clear();
        for (size_t i = 0; i < bytes.size(); i += platform::charLengthAt(bytes, i)) {
            starts->push_back(i);
        }
    }
    QString text = fromAnsi(bytes);
    if (starts != nullptr && static_cast<size_t>(text.size()) != starts->size()) {
        // A character that does not become one UTF-16 unit: the stretch character by character.
        text.clear();
        std::vector<size_t> units;
        for (const size_t start : *starts) {
            const QString one = fromAnsi(bytes.substr(start, platform::charLengthAt(bytes, start)));
            for (qsizetype k = 0; k < one.size(); ++k) {
                units.push_back(start);
            }
            text += one;
        }
        *starts = std::move(units);
    }
    return text;
}

// Lays out one line at `width` as the holder's pane does (wrapping at word boundaries, or anywhere in a word
// wider than the line) and calls onPiece(const QTextLine&) for every piece it wraps into. A long line is
// laid out a stretch at a time: all pieces of a stretch but its last, which starts the next stretch, so
// that the pieces are those of the whole line. Between stretches between(bytesDone) is asked whether to go
// on; false then.
template <typename OnPiece, typename Between>
bool layOutLine(std::string_view line, const QFont& font, QPaintDevice* device, qreal width, OnPiece&& onPiece,
                Between&& between) {
    std::vector<size_t> starts;
    size_t pos = 0;
    while (true) {
        size_t end = std::min(line.size(), pos + kStretchBytes);
        if (end < line.size() && !platform::isCharStart(line, end, pos)) {
            --end;
        }
        const bool last = end == line.size();
        QTextLayout layout(layoutText(line.substr(pos, end - pos), last ? nullptr : &starts), font, device);
        layout.setTextOption(wrappingOption());
        layout.beginLayout();
        for (QTextLine piece = layout.createLine(); piece.isValid(); piece = layout.createLine()) {
            piece.setLineWidth(width);
        }
        layout.endLayout();
        const int count = layout.lineCount();
        const int whole = last || count < 2 ? count : count - 1;
        for (int i = 0; i < whole; ++i) {
            onPiece(layout.lineAt(i));
        }
        if (last) {
            return true;
        }
        pos += count < 2 ? end - pos : starts[static_cast<size_t>(layout.lineAt(count - 1).textStart())];
        if (!between(pos)) {
            return false;
        }
    }
}

// Tells without laying it out that a line takes one piece: printable ASCII whose widest character, times
// the line's length, fits the width.
class OnePieceTest {
public:
    OnePieceTest(const QFont& font, QPaintDevice* device, qreal width) {
        const QFontMetricsF metrics(font, device);
        qreal widest = 0;
        for (char c = 0x20; c < 0x7F; ++c) {
            widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(c)));
        }
        // A pixel to spare for the rounding of the layout.
        maxBytes_ = widest > 0 && width > 1 ? static_cast<size_t>((width - 1) / widest) : 0;
    }

    bool fits(std::string_view line) const {
        if (line.size() > maxBytes_) {
            return false;
        }
        for (const char c : line) {
            if (c < 0x20 || c > 0x7E) {
                return false;
            }
        }
        return true;
    }

private:
    size_t maxBytes_ = 0;
};

// The glyphs of a text laid out as one line, when they are all of one font.
struct OneLine {
    QRawFont font;
    std::vector<quint32> indexes;
    std::vector<QPointF> positions;
    qreal height = 0;
};

std::optional<OneLine> layOutOneLine(const QString& text, const QFont& font, QPaintDevice* device) {
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = line.isValid() ? line.glyphRuns() : QList<QGlyphRun>();
    if (runs.isEmpty()) {
        return std::nullopt;
    }
    OneLine laidOut{runs.front().rawFont(), {}, {}, line.height()};
    for (const QGlyphRun& run : runs) {
        if (run.rawFont() != laidOut.font) {
            return std::nullopt;
        }
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        laidOut.indexes.insert(laidOut.indexes.end(), indexes.begin(), indexes.end());
        laidOut.positions.insert(laidOut.positions.end(), positions.begin(), positions.end());
    }
    return laidOut;
}

// Gives the glyphs of a line of printable ASCII that fits the page's width, without laying it out:
// shaping every line is most of the time a print spends in its own hands. Each character's glyph and advance
// come from layouts of every pair of these characters, once among letters and once of the characters that
// are not letters alone (a line of digits and signs is shaped as another script), which also show whether
// the font joins any two of them (a ligature, kerning). Only where it joins none, in both, do the glyphs land
// where a layout of the line puts them; a font that does, or one drawn with lines (underline and the like),
// gets no shortcut, and every line is laid out.
class PlainLines {
public:
    PlainLines(const QFont& font, QPaintDevice* device, qreal width) : chars_(decodedChars()) {
        if (font.underline() || font.overline() || font.strikeOut()) {
            return;
        }
        std::vector<size_t> all(kCount);
        std::vector<size_t> signs;
        for (size_t c = 0; c < kCount; ++c) {
            all[c] = c;
            if (!charOf(c).isLetter()) {
                signs.push_back(c);
            }
        }
        usable_ = learn(all, font, device) && learn(signs, font, device);
        // A glyph that reaches past its advance at the line's end counts in the layout's width.
        const QFontMetricsF metrics(font, device);
        qreal overhang = 0;
        for (size_t c = 0; c < kCount; ++c) {
            overhang = std::max(overhang, -metrics.rightBearing(charOf(c)));
        }
        widthLimit_ = width - overhang - 1;  // and a pixel to spare
    }

    qreal height() const { return height_; }

    const QRawFont& font() const { return font_; }

    // Whether `line` is one it draws: not empty, all printable ASCII, and in one piece at the width. Looks
    // at no more of the line than fits.
    bool takes(std::string_view line) const {
        if (!usable_ || line.empty()) {
            return false;
        }
        qreal x = 0;
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < kFirst || byte >= kFirst + kCount) {
                return false;
            }
            x += advances_[byte - kFirst];
            if (x > widthLimit_) {
                return false;
            }
        }
        return true;
    }

    // Adds the glyphs of a line it takes, where its layout would put them with the line's top at `top`.
    void add(std::string_view line, qreal top, QList<quint32>& indexes, QList<QPointF>& positions) const {
        const qreal baseline = top + baseline_;
        qreal x = 0;
        for (const char c : line) {
            const size_t i = static_cast<unsigned char>(c) - kFirst;
            indexes.append(glyphs_[i]);
            positions.append(QPointF(x, baseline));
            x += advances_[i];
        }
    }

private:
    static constexpr size_t kFirst = 0x20;
    static constexpr size_t kCount = 0x7F - kFirst;

    // The characters the bytes kFirst.. stand for, one UTF-16 unit each.
    static QString decodedChars() {
        std::string bytes(kCount, '\0');
        for (size_t i = 0; i < kCount; ++i) {
            bytes[i] = static_cast<char>(kFirst + i);
        }
        return fromAnsi(bytes);
    }

    QChar charOf(size_t i) const { return chars_.at(static_cast<qsizetype>(i)); }

    // Lays out every ordered pair of the characters `chars` as one line and takes each character's glyph and
    // advance from it; false where a character met twice, here or in an earlier layout, differs, a glyph
    // stands for more than one character, or the glyphs are not all of one font on one baseline.
    bool learn(const std::vector<size_t>& chars, const QFont& font, QPaintDevice* device) {
        QString pairs;
        std::vector<size_t> charAt;
        for (const size_t a : chars) {
            for (const size_t b : chars) {
                pairs += charOf(a);
                pairs += charOf(b);
                charAt.insert(charAt.end(), {a, b});
            }
        }
        const std::optional<OneLine> line = layOutOneLine(pairs, font, device);
        if (!line || line->indexes.size() != charAt.size() || line->positions.front().x() != 0) {
            return false;
        }
        const std::vector<quint32>& indexes = line->indexes;
        const std::vector<QPointF>& positions = line->positions;
        if (!known_.any()) {
            font_ = line->font;
            baseline_ = positions.front().y();
            height_ = line->height;
        } else if (line->font != font_ || line->height != height_) {
            return false;
        }
        for (size_t k = 0; k + 1 < indexes.size(); ++k) {
            const size_t c = charAt[k];
            const qreal advance = positions[k + 1].x() - positions[k].x();
            if (positions[k].y() != baseline_ || (known_[c] && (glyphs_[c] != indexes[k] || advances_[c] != advance))) {
                return false;
            }
            known_[c] = true;
            glyphs_[c] = indexes[k];
            advances_[c] = advance;
        }
        return std::all_of(chars.begin(), chars.end(), [&](size_t c) { return known_[c]; });
    }

    QString chars_;
    QRawFont font_;
    std::bitset<kCount> known_;
    std::array<quint32, kCount> glyphs_{};
    std::array<qreal, kCount> advances_{};
    qreal baseline_ = 0;
    qreal height_ = 0;
    qreal widthLimit_ = 0;
    bool usable_ = false;
};

// The pages of a print as its lines are drawn: the lines go down the printable area, whose corner is the
// painter's origin and whose whole width they take, and a line that does not fit below the last starts a
// new page. Plain lines wait as glyphs and go out together as one glyph run, before the page ends or a
// line laid out otherwise is drawn.
class PrintedPages {
public:
    PrintedPages(QPrinter& printer, QPainter& painter, const QFont& font)
        : printer_(printer),
          painter_(painter),
          font_(font),
          area_(printer.pageRect(QPrinter::DevicePixel)),
          plain_(font, &printer, area_.width()) {}

    // Draws `line`: as a plain line where it is one (unless every line is to be laid out), else laid out
    // and wrapped at the page's width, reporting the bytes done to `goOn`. False when `goOn` stopped it.
    template <typename GoOn>
    bool print(std::string_view line, bool layOutEveryLine, GoOn&& goOn) {
        if (!layOutEveryLine && plain_.takes(line)) {
            roomFor(plain_.height());
            plain_.add(line, y_, indexes_, positions_);
            y_ += plain_.height();
            return true;
        }
        if (!line.empty()) {
            drawPlainLines();  // in the order of the lines
        }
        return layOutLine(
            line, font_, &printer_, area_.width(),
            [&](const QTextLine& piece) {
                roomFor(piece.height());
                piece.draw(&painter_, QPointF(0, y_));
                y_ += piece.height();
            },
            std::forward<GoOn>(goOn));
    }

    // Draws the plain lines that wait, as one glyph run.
    void drawPlainLines() {
        if (indexes_.isEmpty()) {
            return;
        }
        {
            QGlyphRun run;  // shares the lists' buffers, which are kept for the next lines once it is gone
            run.setRawFont(plain_.font());
            run.setGlyphIndexes(indexes_);
            run.setPositions(positions_);
            painter_.drawGlyphRun(QPointF(0, 0), run);
        }
        indexes_.clear();
        positions_.clear();
    }

private:
    // Starts a new page unless `height` more fits below the last line, or the page is still empty.
    void roomFor(qreal height) {
        if (y_ > 0 && y_ + height > area_.height()) {
            drawPlainLines();
            printer_.newPage();
            y_ = 0;
        }
    }

    QPrinter& printer_;
    QPainter& painter_;
    const QFont& font_;
    const QRectF area_;
    const PlainLines plain_;
    // The glyphs of the plain lines not drawn yet, and where they go.
    QList<quint32> indexes_;
    QList<QPointF> positions_;
    qreal y_ = 0;  // the top of the next line
};

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

void TPrintForm::holdText(std::string text, const QFont& font) {
    ownText_ = std::move(text);
    lines_ = core::EditedText(ownText_);
    holdFont(font);
}

void TPrintForm::holdText(const QString& text, const QFont& font) {
    holdText(toAnsi(text), font);
}

void TPrintForm::holdText(const core::EditedText& lines, const QFont& font) {
    ownText_.clear();
    lines_ = lines;
    holdFont(font);
}

void TPrintForm::releaseText() {
    lines_ = core::EditedText();
    ownText_.clear();
    ownText_.shrink_to_fit();
}

void TPrintForm::holdFont(const QFont& font) {
    RichEdit1->setFont(font);
    font_ = RichEdit1->font();
    QPalette palette = RichEdit1->palette();
    palette.setColor(QPalette::Text, Qt::black);
    RichEdit1->setPalette(palette);
}

qreal TPrintForm::paneWidth() const {
    // The pane is never shown, so its width is worked out from its own geometry, not from a laid-out
    // viewport: the inside of its frame less the document's margins.
    return RichEdit1->contentsRect().width() - 2 * RichEdit1->document()->documentMargin();
}

size_t TPrintForm::laidOutLineCount() const {
    struct GoOn : PrintProgress {
        bool proceed(size_t, size_t) override { return true; }
    } goOn;
    return laidOutLineCount(goOn).value_or(0);
}

std::optional<size_t> TPrintForm::laidOutLineCount(PrintProgress& progress) const {
    const qreal width = paneWidth();
    const OnePieceTest onePiece(font_, RichEdit1, width);
    size_t lines = 0;
    size_t sinceReport = 0;
    const size_t total = lines_.lineCount() * kPartsPerLine;
    const bool counted = forEachLine(lines_, [&](std::string_view line, size_t index) {
        if (++sinceReport == kLinesPerReport) {
            sinceReport = 0;
            if (!progress.proceed(partsDone(index, 0, 0), total)) {
                return false;
            }
        }
        if (onePiece.fits(line)) {
            ++lines;
            return true;
        }
        return layOutLine(
            line, font_, RichEdit1, width, [&](const QTextLine&) { ++lines; },
            [&](size_t done) { return progress.proceed(partsDone(index, done, line.size()), total); });
    });
    if (!counted) {
        return std::nullopt;
    }
    return lines;
}

PrintOutcome TPrintForm::printHeld(QPrinter& printer, const QString& title, PrintProgress* progress) const {
    printer.setDocName(title);
    HeldPrintJob job(printer);
    QPainter painter;
    if (!job.ready() || !painter.begin(&printer)) {
        return PrintOutcome::Failed;
    }
    const QFont font(font_, &printer);
    painter.setFont(font);
    painter.setPen(RichEdit1->palette().color(QPalette::Text));
    PrintedPages pages(printer, painter, font);
    const size_t total = lines_.lineCount() * kPartsPerLine;
    const auto goOn = [&](size_t done) { return progress == nullptr || progress->proceed(done, total); };
    size_t sinceReport = 0;
    const bool printed = forEachLine(lines_, [&](std::string_view line, size_t index) {
        if (++sinceReport == kLinesPerReport) {
            sinceReport = 0;
            if (!goOn(partsDone(index, 0, 0))) {
                return false;
            }
        }
        return pages.print(line, layOutEveryLine_,
                           [&](size_t done) { return goOn(partsDone(index, done, line.size())); });
    });
    pages.drawPlainLines();
    if (!printed) {
        // Stopped: the job is dropped, and with it the pages drawn so far.
        printer.abort();
        painter.end();
        return PrintOutcome::Cancelled;
    }
    return painter.end() && job.commit(title) ? PrintOutcome::Printed : PrintOutcome::Failed;
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
