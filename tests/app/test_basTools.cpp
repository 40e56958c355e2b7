// ToBoolean: how stored texts and check box values become Booleans; the
// start-up call of the buttons' Initialize.
#include <QtTest>

#include "basTools.h"

#include <stdexcept>

using tessark::Boolean;
using tessark::ReadBoolean;
using tessark::basTools::ToBoolean;

class TestBasTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textToBoolean_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("readable");  // ReadBoolean gives a value
        QTest::newRow("True") << "True" << -1 << true;
        QTest::newRow("TRUE") << "TRUE" << -1 << true;
        QTest::newRow("true") << "true" << -1 << true;
        QTest::newRow("False") << "False" << 0 << true;
        QTest::newRow("false") << "false" << 0 << true;
        QTest::newRow("1") << "1" << -1 << true;
        QTest::newRow("-1") << "-1" << -1 << true;
        QTest::newRow("0") << "0" << 0 << true;
        QTest::newRow("0.0") << "0.0" << 0 << true;
        QTest::newRow("2.5") << "2.5" << -1 << true;
        QTest::newRow("1e3") << "1e3" << -1 << true;
        QTest::newRow("padded") << "  True " << -1 << true;
        QTest::newRow("hex") << "&H10" << -1 << true;
        QTest::newRow("hex zero") << "&H0" << 0 << true;
        QTest::newRow("octal") << "&O7" << -1 << true;
        QTest::newRow("yes") << "yes" << 0 << false;
        QTest::newRow("on") << "on" << 0 << false;
        QTest::newRow("empty") << "" << 0 << false;
        QTest::newRow("Truex") << "Truex" << 0 << false;
        QTest::newRow("1a") << "1a" << 0 << false;
        QTest::newRow("bad hex") << "&Hxyz" << 0 << false;
    }
    void textToBoolean() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(bool, readable);
        QCOMPARE(int(ToBoolean(text)), expected);
        const auto read = ReadBoolean(text);
        QCOMPARE(read.has_value(), readable);
        if (read) QCOMPARE(int(*read), expected);
    }

    void checkBoxToBoolean() {
        QCOMPARE(int(ToBoolean(0)), 0);
        QCOMPARE(int(ToBoolean(1)), -1);
        QCOMPARE(int(ToBoolean(2)), -1);
    }

    void variantToBoolean() {
        QCOMPARE(int(ToBoolean(QVariant(QStringLiteral("True")))), -1);
        QCOMPARE(int(ToBoolean(QVariant(QStringList{"a", "b"}))), 0);
        QCOMPARE(int(ToBoolean(QVariant())), 0);
        QCOMPARE(ReadBoolean(QVariant(true)), std::optional<Boolean>(-1));
        QVERIFY(!ReadBoolean(QVariant(QStringList{"a"})).has_value());
    }

    // Every button is initialised in the order given; one that fails is
    // skipped and the others still run.
    void initCommandButtonsSkipsFailures() {
        QStringList calls;
        tessark::basTools::InitCommandButtons({
            [&calls] { calls << "first"; },
            [&calls] {
                calls << "failing";
                throw std::runtime_error("no timer");
            },
            {},
            [&calls] { calls << "last"; },
        });
        QCOMPARE(calls, (QStringList{"first", "failing", "last"}));
    }
};

QTEST_GUILESS_MAIN(TestBasTools)
#include "test_basTools.moc"
