// The data pane: it shows a text where it lies, gives back exactly that text, and takes the operator's edits.
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include "platform/codepage.h"
#include "ui/text_pane.h"
#include "ui/window_fonts.h"

using namespace tarvelin;
using ui::TextPane;

namespace {

std::string sjis(const char* utf8) {
    return platform::utf8ToCp932(utf8);
}

// The top-left corner of the text drawn on a pane: the leftmost and the topmost dark pixel inside its
// border, clear of the scroll bars.
QPoint inkCorner(QWidget& pane) {
    const QImage image = pane.grab().toImage();
    const QRect inside = pane.contentsRect().adjusted(0, 0, -20, -20);
    int left = image.width();
    int top = image.height();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (image.pixelColor(x, y).lightness() < 128) {
                left = std::min(left, x);
                top = std::min(top, y);
            }
        }
    }
    return {left, top};
}

}  // namespace

class TestTextPane : public QObject {
    Q_OBJECT

private slots:
    // The data pane's text stands as far from its border as the log pane's.
    void innerMarginIsTheLogPanes() {
        QPlainTextEdit log;
        TextPane pane;
        for (QWidget* w : {static_cast<QWidget*>(&log), static_cast<QWidget*>(&pane)}) {
            w->setFont(ui::fixedPitchFont());
            w->resize(200, 100);
        }
        log.setPlainText(QStringLiteral("M"));
        pane.setText("M");
        QCOMPARE(inkCorner(pane), inkCorner(log));
    }

    void givesBackExactlyTheTextItShows() {
        TextPane pane;
        // Bytes that are no Shift-JIS (0x80, 0xFF, a lead byte at the end) stay as they are.
        const std::string text = sjis("O1001(加工)\r\nG01 X1.\r\n") + std::string("\x80\xFF\r\n\x82", 6);
        pane.setTextView(text);
        QCOMPARE(pane.text(), text);
        QCOMPARE(pane.lineCount(), size_t{4});
        QCOMPARE(pane.lineText(0), std::string_view(sjis("O1001(加工)")));
        pane.setText("A\r\nB\r\n");
        QCOMPARE(pane.lineCount(), size_t{3});  // the empty last line after the final break
        QCOMPARE(pane.text(), std::string("A\r\nB\r\n"));
        pane.clear();
        QVERIFY(pane.isEmpty());
        QCOMPARE(pane.text(), std::string());
    }

    void typingEditsThePaneOnly() {
        const std::string original = "G90\r\nM30\r\n";
        TextPane pane;
        pane.resize(300, 200);
        pane.show();
        pane.setTextView(original);
        pane.setFocus();
        QTest::keyClick(&pane, Qt::Key_End);
        QTest::keyClicks(&pane, " G54");
        QTest::keyClick(&pane, Qt::Key_Down);
        QTest::keyClick(&pane, Qt::Key_Home);
        QTest::keyClick(&pane, Qt::Key_Return);
        QCOMPARE(pane.text(), std::string("G90 G54\r\n\r\nM30\r\n"));
        QTest::keyClick(&pane, Qt::Key_Backspace);
        QTest::keyClick(&pane, Qt::Key_Backspace);  // joins the line with the one before
        QCOMPARE(pane.text(), std::string("G90 G54M30\r\n"));
        QCOMPARE(original, std::string("G90\r\nM30\r\n"));
    }

    void caretStepsOverDoubleByteCharactersWhole() {
        TextPane pane;
        pane.show();
        pane.setText(sjis("ア表A"));
        pane.setFocus();
        QTest::keyClick(&pane, Qt::Key_Right);
        QCOMPARE(pane.caret().offset, size_t{2});
        QTest::keyClick(&pane, Qt::Key_Right);
        QCOMPARE(pane.caret().offset, size_t{4});
        QTest::keyClick(&pane, Qt::Key_Left);
        QCOMPARE(pane.caret().offset, size_t{2});
        QTest::keyClick(&pane, Qt::Key_Delete);
        QCOMPARE(pane.text(), sjis("アA"));
        pane.insertText(sjis("結合\r\n"));
        QCOMPARE(pane.text(), sjis("ア結合\r\nA"));
        QCOMPARE(pane.caret(), (TextPane::Position{1, 0}));
    }

    void selectionIsCopiedAndReplaced() {
        TextPane pane;
        pane.show();
        pane.setText(sjis("N10 G01\r\nN20 加工\r\nN30"));
        pane.setCaret({0, 4});
        pane.setCaret({1, 6}, true);
        QCOMPARE(pane.selectedText(), sjis("G01\r\nN20 加"));
        pane.setFocus();
        QTest::keySequence(&pane, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("G01\r\nN20 加"));
        QTest::keyClicks(&pane, "X");
        QCOMPARE(pane.text(), sjis("N10 X工\r\nN30"));
        QTest::keySequence(&pane, QKeySequence::SelectAll);
        QTest::keyClick(&pane, Qt::Key_Delete);
        QCOMPARE(pane.text(), std::string());
    }

    // A large joined program is taken where it lies, and its last line is one key away. (How fast is the
    // window benchmark's business.)
    void largeTextIsShownWhereItLiesAndItsEndIsOneKeyAway() {
        std::string text;
        const std::string line = "N10 G01 X12.345 Y-6.789 Z-0.500 F1200.\r\n";
        while (text.size() < (40U << 20)) {
            text += line;
        }
        TextPane pane;
        pane.resize(480, 380);
        pane.show();
        pane.setTextView(text);
        QCOMPARE(pane.lineCount(), text.size() / line.size() + 1);
        pane.setFocus();
        QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(pane.caret().line, pane.lineCount() - 1);
        QVERIFY(static_cast<size_t>(pane.verticalScrollBar()->value()) + 40 > pane.lineCount());
        QCOMPARE(pane.lineText(pane.lineCount() - 2), std::string_view(line.data(), line.size() - 2));
        QVERIFY(pane.text() == text);

        // An edit in the middle keeps the lines around it where they lie in the text given.
        const size_t middle = pane.lineCount() / 2;
        pane.setCaret({middle, 4});
        QTest::keyClicks(&pane, "X");
        QTest::keyClick(&pane, Qt::Key_Return);
        QCOMPARE(pane.lineCount(), text.size() / line.size() + 2);
        QCOMPARE(pane.lineText(middle), std::string_view("N10 X"));
        QCOMPARE(pane.lineText(middle + 1), std::string_view(line.data() + 4, line.size() - 6));
        for (const size_t untouched : {middle - 1, middle + 2, pane.lineCount() - 2}) {
            QVERIFY(pane.lineText(untouched).data() >= text.data());
            QVERIFY(pane.lineText(untouched).data() < text.data() + text.size());
        }
        std::string edited = text;
        edited.insert(middle * line.size() + 4, "X\r\n");
        QVERIFY(pane.text() == edited);
    }
};

QTEST_MAIN(TestTextPane)
#include "tst_textpane.moc"
