// The dialog helpers: the general error display's text and the dialogs' file filters.
#include <QtTest>

#include "ui/messages.h"
#include "ui/prompter.h"

using namespace tarvelin;

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void errorTextEndsWithAFullStop_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Japanese") << QString::fromUtf8("ファイル C:\\A.LST は開けません")
                                  << QString::fromUtf8("ファイル C:\\A.LST は開けません.");
        QTest::newRow("ends with a full stop") << "Cannot open."
                                               << "Cannot open.";
        QTest::newRow("ends with a blank") << "Cannot open "
                                           << "Cannot open ";
        QTest::newRow("ends with a comma") << "a,"
                                           << "a,";
        QTest::newRow("ends with a letter") << "abc"
                                            << "abc.";
        QTest::newRow("empty") << ""
                               << "";
    }

    void errorTextEndsWithAFullStop() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ui::errorText(message), shown);
    }

    void dialogFiltersBecomeQtNameFilters() {
        QCOMPARE(ui::qtNameFilters(QString::fromUtf8("結合(*.nc)|*.nc|すべて(*.*)|*.*")),
                 QStringList({QString::fromUtf8("結合(*.nc)"), QString::fromUtf8("すべて(*.*)")}));
        QCOMPARE(ui::qtNameFilters(QString::fromUtf8("NC|*.NC;*.NC1|")), QStringList({"NC (*.NC *.NC1)"}));
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
