// The file contents' code page: every byte survives a round trip, and every
// character the reference table produces can be written.
#include <QtTest>

#include "AnsiCodePage.h"
#include "SpecialCharTable.h"

using namespace tessark;

class TestAnsiCodePage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyByteRoundTrips() {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i) all[i] = char(i);
        const std::u16string text = DecodeAnsi(all);
        QCOMPARE(text.size(), std::size_t(256));
        QCOMPARE(EncodeAnsi(text), all);
    }

    void knownPositions_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("NUL") << 0x00 << 0x0000;
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("undefined 81") << 0x81 << 0x0081;
        QTest::newRow("f hook") << 0x83 << 0x0192;
        QTest::newRow("undefined 8D") << 0x8D << 0x008D;
        QTest::newRow("undefined 8F") << 0x8F << 0x008F;
        QTest::newRow("undefined 90") << 0x90 << 0x0090;
        QTest::newRow("undefined 9D") << 0x9D << 0x009D;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("nbsp") << 0xA0 << 0x00A0;
        QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
    }
    void knownPositions() {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        QCOMPARE(int(AnsiToUnicode(static_cast<unsigned char>(byte))), unicode);
        QCOMPARE(int(UnicodeToAnsi(static_cast<char16_t>(unicode))), byte);
    }

    void unmappableBecomesQuestionMark() {
        QCOMPARE(EncodeAnsi(u"a\u0102\u4E2D\uFFFFb"), QByteArray("a???b"));
        // U+0080 is not in the code page (0x80 is the euro sign).
        QCOMPARE(int(UnicodeToAnsi(u'\u0080')), int('?'));
    }

    void tableReplacementsAreWritable() {
        for (const SpecialCharRow& row : SpecialCharTable)
            for (char16_t c : row.replacement)
                QVERIFY2(c == u'?' || UnicodeToAnsi(c) != '?', "a replacement character has no byte");
    }
};

QTEST_GUILESS_MAIN(TestAnsiCodePage)
#include "test_AnsiCodePage.moc"
