// The encoding module: the setting's values, label lookup, the byte-order
// mark, the <meta> prescan, UTF-8 validity, the guess, the order of the
// detection steps on the sample pages, and decoding with U+FFFD.
#include <QFile>
#include <QtTest>

#include "EngineHooks.h"
#include "TextEncoding.h"

using namespace tessark;
using namespace tessark::TextEncoding;

namespace {
QByteArray Sample(const char* name) {
    QFile f(QStringLiteral(TESSARK_TEST_DATA "/encodings/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}
}  // namespace

class TestTextEncoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingValues_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("setting");
        QTest::newRow("missing") << QVariant() << "windows-1252";
        QTest::newRow("windows-1252") << QVariant(QStringLiteral("windows-1252")) << "windows-1252";
        QTest::newRow("utf-8") << QVariant(QStringLiteral("utf-8")) << "utf-8";
        QTest::newRow("auto") << QVariant(QStringLiteral("auto")) << "auto";
        QTest::newRow("case and spaces") << QVariant(QStringLiteral(" UTF-8 ")) << "utf-8";
        QTest::newRow("a label is not a setting") << QVariant(QStringLiteral("latin1")) << "windows-1252";
        QTest::newRow("empty") << QVariant(QString()) << "windows-1252";
        QTest::newRow("garbage") << QVariant(QStringLiteral("utf-9")) << "windows-1252";
        QTest::newRow("a list") << QVariant(QStringList{QStringLiteral("auto")}) << "windows-1252";
    }
    void settingValues() {
        QFETCH(QVariant, stored);
        QFETCH(QString, setting);
        QCOMPARE(SettingText(SettingFromStore(stored)), setting);
    }

    void labels_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("latin1") << "latin1" << "windows-1252";
        QTest::newRow("iso-8859-1") << "ISO-8859-1" << "windows-1252";
        QTest::newRow("us-ascii") << "us-ascii" << "windows-1252";
        QTest::newRow("utf8") << "utf8" << "UTF-8";
        QTest::newRow("padded") << " \tUtF-8\n" << "UTF-8";
        QTest::newRow("sjis") << "sjis" << "Shift_JIS";
        QTest::newRow("ms932") << "MS932" << "Shift_JIS";
        QTest::newRow("cp1251") << "cp1251" << "windows-1251";
        QTest::newRow("gb2312") << "gb2312" << "GBK";
        QTest::newRow("gb18030") << "GB18030" << "gb18030";
        QTest::newRow("koi8") << "koi8" << "KOI8-R";
        QTest::newRow("iso-8859-9") << "iso-8859-9" << "windows-1254";
        QTest::newRow("utf-16") << "utf-16" << "UTF-16LE";
        QTest::newRow("iso-2022-kr") << "iso-2022-kr" << "replacement";
        QTest::newRow("unknown") << "utf-9" << "";
        QTest::newRow("inner space") << "utf -8" << "";
        QTest::newRow("non-ASCII") << QStringLiteral("utf\u20138") << "";
        QTest::newRow("empty") << "" << "";
    }
    void labels() {
        QFETCH(QString, label);
        QFETCH(QString, encoding);
        QCOMPARE(EncodingForLabel(label), encoding);
    }

    // Every encoding the label table names can be decoded, but for the one
    // ICU lacks.
    void everyEncodingDecodes() {
        const char* const labels[] = {"utf-8", "ibm866", "iso-8859-2", "iso-8859-3", "iso-8859-4", "iso-8859-5",
                                      "iso-8859-6", "iso-8859-7", "iso-8859-8", "iso-8859-8-i", "iso-8859-10",
                                      "iso-8859-13", "iso-8859-14", "iso-8859-15", "koi8-r", "koi8-u", "macintosh",
                                      "windows-874", "windows-1250", "windows-1251", "windows-1252", "windows-1253",
                                      "windows-1254", "windows-1255", "windows-1256", "windows-1257", "windows-1258",
                                      "x-mac-cyrillic", "gbk", "gb18030", "big5", "euc-jp", "iso-2022-jp",
                                      "shift_jis", "euc-kr", "replacement", "utf-16be", "utf-16le", "x-user-defined"};
        for (const char* label : labels) {
            const QString encoding = EncodingForLabel(QString::fromLatin1(label));
            QVERIFY2(CanDecode(encoding), label);
            QVERIFY2(!Decode(QByteArrayView("ab"), encoding).empty(), label);
        }
        QVERIFY(!CanDecode(QStringLiteral("ISO-8859-16")));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Decode(QByteArrayView("a"), QStringLiteral("ISO-8859-16")));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Decode(QByteArrayView("a"), QStringLiteral("latin1")));
    }

    void byteOrderMarks_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<int>("length");
        QTest::newRow("UTF-8") << QByteArray("\xEF\xBB\xBFx") << "UTF-8" << 3;
        QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF\0x", 4) << "UTF-16BE" << 2;
        QTest::newRow("UTF-16LE") << QByteArray("\xFF\xFEx\0", 4) << "UTF-16LE" << 2;
        QTest::newRow("cut short") << QByteArray("\xEF\xBB") << "" << 0;
        QTest::newRow("none") << QByteArray("<html>") << "" << 0;
    }
    void byteOrderMarks() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(int, length);
        const auto bom = SniffBom(bytes);
        QCOMPARE(bom ? bom->encoding : QString(), encoding);
        QCOMPARE(bom ? int(bom->bomLength) : 0, length);
    }

    void metaPrescan_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("charset") << QByteArray("<meta charset=\"windows-1251\">") << "windows-1251";
        QTest::newRow("unquoted, upper case") << QByteArray("<META CHARSET=SJIS>") << "Shift_JIS";
        QTest::newRow("single quotes, slash") << QByteArray("<meta/charset='koi8-r'/>") << "KOI8-R";
        QTest::newRow("http-equiv") << QByteArray(
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">") << "windows-1252";
        QTest::newRow("content first") << QByteArray(
            "<meta content='text/html;charset = \"gb2312\"' http-equiv=content-type>") << "GBK";
        QTest::newRow("content without the pragma") << QByteArray("<meta content=\"text/html; charset=utf-8\">")
                                                    << "";
        QTest::newRow("first charset wins") << QByteArray("<meta charset=utf-8 charset=koi8-r>") << "UTF-8";
        QTest::newRow("repeated attribute ignored")
            << QByteArray("<meta http-equiv=x http-equiv=content-type content='charset=koi8-r'>") << "";
        QTest::newRow("unknown label, next meta") << QByteArray("<meta charset=foo><meta charset=big5>") << "Big5";
        QTest::newRow("UTF-16 declared means UTF-8") << QByteArray("<meta charset=utf-16le>") << "UTF-8";
        QTest::newRow("x-user-defined") << QByteArray("<meta charset=x-user-defined>") << "windows-1252";
        QTest::newRow("inside a comment") << QByteArray("<!-- <meta charset=koi8-r> --><p>") << "";
        QTest::newRow("after a short comment") << QByteArray("<!--><meta charset=koi8-r>") << "KOI8-R";
        QTest::newRow("inside an attribute") << QByteArray("<p title=\"<meta charset=koi8-r>\">") << "";
        QTest::newRow("after a doctype") << QByteArray("<!DOCTYPE html><html lang=ru><meta charset=cp1251>")
                                         << "windows-1251";
        QTest::newRow("metadata is no meta") << QByteArray("<metadata charset=koi8-r>") << "";
        QTest::newRow("beyond 1024 bytes") << QByteArray(1020, ' ') + "<meta charset=koi8-r>" << "";
        QTest::newRow("cut off at the end") << QByteArray("<meta charset=\"koi8-r") << "";
    }
    void metaPrescan() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QCOMPARE(PrescanMeta(bytes), encoding);
    }

    void utf8Validity_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("ASCII") << QByteArray(100, 'a') << true;
        QTest::newRow("2, 3, 4 bytes") << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") << true;
        QTest::newRow("largest") << QByteArray("\xF4\x8F\xBF\xBF") << true;
        QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("overlong 3") << QByteArray("\xE0\x80\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("cut short at the end") << QByteArray(20, 'a') + "\xE2\x82" << false;
        QTest::newRow("after 16 ASCII") << QByteArray(16, 'a') + "\xFF" << false;
    }
    void utf8Validity() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(IsValidUtf8(bytes), valid);
    }

    void decodingReplacesWhatIsUndefined_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("a\xC3\xA9\xFF" "b\xE2\x82") << "UTF-8" << QStringLiteral("a\u00E9\uFFFDb\uFFFD");
        QTest::newRow("UTF-8 supplementary") << QByteArray("\xF0\x9F\x98\x80") << "UTF-8"
                                             << QStringLiteral("\U0001F600");
        QTest::newRow("UTF-16LE odd length") << QByteArray("a\0b", 3) << "UTF-16LE" << QStringLiteral("a\uFFFD");
        QTest::newRow("UTF-16BE") << QByteArray("\0a\x04\x1F", 4) << "UTF-16BE" << QStringLiteral("a\u041F");
        QTest::newRow("windows-1251") << QByteArray("\xCF\xF0\xE8") << "windows-1251"
                                      << QStringLiteral("\u041F\u0440\u0438");
        QTest::newRow("windows-1252 keeps every byte") << QByteArray("\x80\x81\xFF") << "windows-1252"
                                                       << QStringLiteral("\u20AC\u0081\u00FF");
        QTest::newRow("Shift_JIS") << QByteArray("\x93\xFA\x96\x7B") << "Shift_JIS" << QStringLiteral("\u65E5\u672C");
        QTest::newRow("Shift_JIS cut short") << QByteArray("a\x93") << "Shift_JIS" << QStringLiteral("a\uFFFD");
        QTest::newRow("ISO-8859-3 undefined byte") << QByteArray("a\xA5") << "ISO-8859-3" << QStringLiteral("a\uFFFD");
        QTest::newRow("replacement") << QByteArray("abc") << "replacement" << QStringLiteral("\uFFFD");
        QTest::newRow("x-user-defined") << QByteArray("a\x80") << "x-user-defined" << QStringLiteral("a\uF780");
    }
    void decodingReplacesWhatIsUndefined() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QString, text);
        const std::u16string decoded = Decode(bytes, encoding);
        QCOMPARE(QString::fromStdU16String(decoded), text);
    }

    void encodeUtf8() {
        QCOMPARE(EncodeUtf8(u"a\u00E9\u20AC\U0001F600"), QByteArray("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
        QCOMPARE(EncodeUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), QByteArray("\xEF\xBF\xBDx"));
    }

    void guess() {
        QCOMPARE(Guess(Sample("windows-1251-undeclared.html")), QStringLiteral("windows-1251"));
        // Too little to judge by.
        QCOMPARE(Guess(QByteArray("caf\xE9 cr\xE8me")), QString());
        QCOMPARE(Guess(QByteArray(100, 'a')), QString());
    }

    // The order of the steps, on the sample pages.
    void detection_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("reason");
        QTest::newRow("UTF-8 with BOM") << Sample("utf-8-bom.html") << "UTF-8" << "bom";
        QTest::newRow("UTF-8") << Sample("utf-8.html") << "UTF-8" << "valid utf-8";
        QTest::newRow("UTF-16LE") << Sample("utf-16le-bom.html") << "UTF-16LE" << "bom";
        QTest::newRow("UTF-16BE") << Sample("utf-16be-bom.html") << "UTF-16BE" << "bom";
        QTest::newRow("windows-1251 declared") << Sample("windows-1251-meta.html") << "windows-1251" << "meta";
        QTest::newRow("Shift_JIS declared") << Sample("shift_jis-meta.html") << "Shift_JIS" << "meta";
        QTest::newRow("iso-8859-1 declared") << Sample("windows-1252-as-iso-8859-1.html") << "windows-1252"
                                             << "meta";
        QTest::newRow("windows-1251 guessed") << Sample("windows-1251-undeclared.html") << "windows-1251"
                                              << "guess";
        QTest::newRow("wrong declaration") << Sample("wrong-declaration.html") << "UTF-8" << "meta";
        QTest::newRow("BOM before meta") << QByteArray("\xEF\xBB\xBF<meta charset=koi8-r>") << "UTF-8" << "bom";
        QTest::newRow("undecodable declaration")
            << QByteArray("<meta charset=iso-8859-16>caf\xC3\xA9") << "UTF-8" << "valid utf-8";
        QTest::newRow("ASCII") << QByteArray("<p>plain</p>") << "UTF-8" << "valid utf-8";
        QTest::newRow("little to judge by") << QByteArray("caf\xE9") << "windows-1252" << "default";
    }
    void detection() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QString, reason);
        QVERIFY(!bytes.isEmpty());
        const Detection d = Detect(bytes);
        QCOMPARE(d.encoding, encoding);
        QCOMPARE(ReasonText(d.reason), reason);
    }
};

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "test_TextEncoding.moc"
