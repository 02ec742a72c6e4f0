// The editor's memo keeps a few dozen lines to a paragraph of its document. To the operator it is the plain
// box with a paragraph a line: the same text drawn the same way, the same caret and selection after every
// key and click, the same text after edits.
#include <functional>
#include <string>
#include <vector>

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "platform/codepage.h"
#include "platform/cp932_utf16.h"
#include "platform/mbcs.h"
#include "ui/ansi_text.h"
#include "ui/data_memo.h"
#include "ui/window_fonts.h"

using namespace tarvelin;

namespace {

void setUp(QPlainTextEdit& memo) {
    memo.setFont(ui::windowFont());
    memo.resize(465, 100);
    memo.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memo.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo.setCursorWidth(0);  // the caret blinks: it is compared by its position
    memo.show();
}

// A data file of 300 lines: NC blocks, empty lines, Japanese comments, a line that wraps over many rows
// (longer than a paragraph's characters), and no line break at the end.
std::string dataFile() {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        if (i % 37 == 5) {
            text += "\r\n";
        } else if (i == 100) {
            for (int j = 0; j < 600; ++j) {
                text += "X" + std::to_string(j) + ".5 ";
            }
            text += "\r\n";
        } else if (i % 50 == 7) {
            text += platform::utf8ToCp932("(工具 T" + std::to_string(i) + " ボールエンドミル Ｒ３)\r\n");
        } else {
            text += "N" + std::to_string(i * 10) + " G01 X" + std::to_string(i) + ".25 Y-" + std::to_string(i % 7) +
                    ".5 F1200.\r\n";
        }
    }
    return text + "M30";
}

// Loads the memo in pieces of about `pieceSize` bytes, each ending between two characters.
void load(ui::DataMemo& memo, const std::string& text, size_t pieceSize) {
    memo.startText();
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.size(), start + pieceSize);
        while (end < text.size() && !platform::isCharStart(text, end, start)) {
            ++end;
        }
        memo.appendText(std::string_view(text).substr(start, end - start));
        start = end;
    }
    memo.endText();
}

QString shownText(const std::string& cp932) {
    return ui::fromAnsi(cp932).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The two memos draw the same text the same way. Where the top row of the view lies inside a paragraph of
// several rows, Qt places it by the row's height as drawn (12.9 pixels) rather than as laid out (13): the text
// may then stand one pixel higher or lower than in a paragraph of its own (the box does the same in a long
// line that wraps over several rows).
bool drawnAlike(QPlainTextEdit& a, QPlainTextEdit& b) {
    const QImage one = a.viewport()->grab().toImage();
    const QImage other = b.viewport()->grab().toImage();
    if (one == other) {
        return true;
    }
    const auto rowsMatch = [&](int shift) {
        for (int y = 2; y + 2 < one.height(); ++y) {
            for (int x = 0; x < one.width(); ++x) {
                if (one.pixel(x, y) != other.pixel(x, y + shift)) {
                    return false;
                }
            }
        }
        return true;
    };
    return one.size() == other.size() && (rowsMatch(1) || rowsMatch(-1));
}

struct Step {
    const char* name;
    std::function<void(QPlainTextEdit&)> act;
};

void key(QPlainTextEdit& memo, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1) {
    for (int i = 0; i < times; ++i) {
        QTest::keyClick(&memo, k, modifiers);
    }
}

// A point on the memo's text: the middle of its `row`th row of text from the top.
QPoint row(QPlainTextEdit& memo, int n) {
    return {60, QFontMetrics(memo.font()).lineSpacing() * n + QFontMetrics(memo.font()).lineSpacing() / 2 + 4};
}

}  // namespace

class TestDataMemo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ui::installFontSubstitutes(); }

    void showsAndBehavesAsAParagraphALine() {
        const std::string file = dataFile();
        ui::DataMemo memo(nullptr);
        QPlainTextEdit plain;
        setUp(memo);
        setUp(plain);
        load(memo, file, 997);
        plain.setPlainText(shownText(file));
        QVERIFY(memo.document()->blockCount() < plain.document()->blockCount() / 4);

        const std::vector<Step> steps = {
            {"loaded", [](QPlainTextEdit&) {}},
            {"down into the second paragraph", [](QPlainTextEdit& m) { key(m, Qt::Key_Down, {}, 70); }},
            {"end", [](QPlainTextEdit& m) { key(m, Qt::Key_End); }},
            {"right to the next line", [](QPlainTextEdit& m) { key(m, Qt::Key_Right); }},
            {"backspace joins two lines", [](QPlainTextEdit& m) { key(m, Qt::Key_Backspace); }},
            {"return splits them", [](QPlainTextEdit& m) { key(m, Qt::Key_Return); }},
            {"typing", [](QPlainTextEdit& m) { QTest::keyClicks(&m, QStringLiteral("g2 ")); }},
            {"undo", [](QPlainTextEdit& m) { key(m, Qt::Key_Z, Qt::ControlModifier, 2); }},
            {"down into the long line", [](QPlainTextEdit& m) { key(m, Qt::Key_Down, {}, 30); }},
            {"home within it", [](QPlainTextEdit& m) { key(m, Qt::Key_Home); }},
            {"page down", [](QPlainTextEdit& m) { key(m, Qt::Key_PageDown, {}, 3); }},
            {"page up", [](QPlainTextEdit& m) { key(m, Qt::Key_PageUp); }},
            {"word right", [](QPlainTextEdit& m) { key(m, Qt::Key_Right, Qt::ControlModifier, 4); }},
            {"control up and down",
             [](QPlainTextEdit& m) {
                 key(m, Qt::Key_Up, Qt::ControlModifier);
                 key(m, Qt::Key_Down, Qt::ControlModifier, 2);
             }},
            {"select lines", [](QPlainTextEdit& m) { key(m, Qt::Key_Down, Qt::ShiftModifier, 3); }},
            {"select to the line's end", [](QPlainTextEdit& m) { key(m, Qt::Key_End, Qt::ShiftModifier); }},
            {"delete the selection", [](QPlainTextEdit& m) { key(m, Qt::Key_Delete); }},
            {"wheel",
             [](QPlainTextEdit& m) {
                 QWheelEvent wheel(QPointF(50, 50), m.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -240), Qt::NoButton,
                                   Qt::NoModifier, Qt::NoScrollPhase, false);
                 QApplication::sendEvent(m.viewport(), &wheel);
             }},
            {"click", [](QPlainTextEdit& m) { QTest::mouseClick(m.viewport(), Qt::LeftButton, {}, row(m, 2)); }},
            {"double click",
             [](QPlainTextEdit& m) { QTest::mouseDClick(m.viewport(), Qt::LeftButton, {}, row(m, 3)); }},
            {"third click",
             [](QPlainTextEdit& m) {
                 QTest::mousePress(m.viewport(), Qt::LeftButton, {}, row(m, 3));
                 QTest::mouseRelease(m.viewport(), Qt::LeftButton, {}, row(m, 3));
             }},
            {"third click and drag",
             [](QPlainTextEdit& m) {
                 QTest::mouseDClick(m.viewport(), Qt::LeftButton, {}, row(m, 4));
                 QTest::mousePress(m.viewport(), Qt::LeftButton, {}, row(m, 4));
                 QTest::mouseMove(m.viewport(), row(m, 1));
                 QTest::mouseRelease(m.viewport(), Qt::LeftButton, {}, row(m, 1));
             }},
            {"shift click",
             [](QPlainTextEdit& m) { QTest::mouseClick(m.viewport(), Qt::LeftButton, Qt::ShiftModifier, row(m, 5)); }},
            {"to the end", [](QPlainTextEdit& m) { key(m, Qt::Key_End, Qt::ControlModifier); }},
            {"up from the end", [](QPlainTextEdit& m) { key(m, Qt::Key_Up, {}, 5); }},
            {"to the start", [](QPlainTextEdit& m) { key(m, Qt::Key_Home, Qt::ControlModifier); }},
        };
        for (const Step& step : steps) {
            step.act(memo);
            step.act(plain);
            QCOMPARE(memo.toPlainText(), plain.toPlainText());
            QVERIFY2(memo.textCursor().position() == plain.textCursor().position() &&
                         memo.textCursor().anchor() == plain.textCursor().anchor(),
                     step.name);
            QVERIFY2(drawnAlike(memo, plain), step.name);
        }
    }

    // Bytes that are no character show as white on red, in the program's text and in typed text, and a
    // mark that becomes part of a character does not stay marked.
    void marksBytesThatAreNoCharacter() {
        std::string file;
        for (int i = 0; i < 100; ++i) {
            file += i == 70 ? "G1 \x80 X\x81" : "G1 X1.";
            file += "\r\n";
        }
        ui::DataMemo memo(nullptr);
        setUp(memo);
        load(memo, file, 64);
        // The positions shown as marks.
        const auto marked = [&memo] {
            QList<int> at;
            for (QTextBlock b = memo.document()->begin(); b.isValid(); b = b.next()) {
                for (const QTextLayout::FormatRange& r : b.layout()->formats()) {
                    for (int i = 0; i < r.length && r.format.background().color() == QColor(0xC0, 0x00, 0x00); ++i) {
                        at.push_back(b.position() + r.start + i);
                    }
                }
            }
            return at;
        };
        const int line70 = 70 * 7;  // "G1 X1." and a line break a line before it
        QCOMPARE(marked(), QList<int>({line70 + 3, line70 + 6}));
        QTextCursor caret(memo.document());
        caret.setPosition(line70 + 7);  // after the lone lead byte 0x81
        memo.setTextCursor(caret);
        QTest::keyClicks(&memo, QStringLiteral("A"));  // 0x81 0x41 is "、"
        QCOMPARE(
            memo.document()->findBlock(line70).text().mid(line70 - memo.document()->findBlock(line70).position(), 7),
            QString::fromUtf16(u"G1 \uF780 X\u3001"));
        QCOMPARE(marked(), QList<int>({line70 + 3}));
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0xF7FF)));
        QApplication::sendEvent(&memo, &typed);  // the byte 0xFF, typed as its mark
        QCOMPARE(marked(), QList<int>({line70 + 3, line70 + 7}));
    }
};

QTEST_MAIN(TestDataMemo)
#include "tst_datamemo.moc"
