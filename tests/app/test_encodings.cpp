// Text encodings end to end: the conversion job on the sample pages of
// tests/data/encodings under each setting, checked against the expected
// UTF-8 text; the corpus under "auto" against the 16-bit engine; and the
// conversion with a charset named for the run.
#include <QDirIterator>

#include "AppTestSupport.h"
#include "ConversionJob.h"
#include "EncodedConversion.h"
#include "TextEncoding.h"
#include "cTessark.h"

using namespace tessark;
using namespace tessark::test;
using basProcessing::JobResult;

namespace {
QString Data(const QString& name) { return QStringLiteral(TESSARK_TEST_DATA "/") + name; }
}  // namespace

class TestEncodings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        ResetGlobals(window_, sink_);
        sink_ = RecordingSink();
        SetAllBoxes(window_.CheckBoxes(), 1);
        basMain::BatchMode = True;
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { basMain::BatchMode = False; }

    // The job under "auto", every option on, on each sample page.
    void autoOnSamplePages_data() {
        QTest::addColumn<QString>("page");
        for (const char* name : {"utf-8-bom", "utf-8", "utf-16le-bom", "utf-16be-bom", "windows-1251-meta",
                                 "shift_jis-meta", "windows-1252-as-iso-8859-1", "windows-1251-undeclared",
                                 "wrong-declaration"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void autoOnSamplePages() {
        QFETCH(QString, page);
        window_.CheckBoxes().SetEncodingChoice(TextEncoding::Setting::Auto);
        basMain::InputFile = Data("encodings/" + page + ".html");
        basMain::OutputFile = dir_->filePath("out.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        const QByteArray out = ReadFile(basMain::OutputFile);
        QCOMPARE(out, ReadFile(Data("encodings/" + page + ".expected.txt")));
        QVERIFY(TextEncoding::IsValidUtf8(out));
        QVERIFY(!out.startsWith("\xEF\xBB\xBF"));
    }

    // The same page under each setting.
    void settings_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        const QByteArray utf8Page = "\xEF\xBB\xBF<p>caf&eacute; \xE2\x82\xAC 10 &copy;</p>";
        QTest::newRow("classic: bytes as they are, references in 1252")
            << "windows-1252" << utf8Page << QByteArray("\xEF\xBB\xBF" "caf\xE9 \xE2\x82\xAC 10 (c)");
        QTest::newRow("utf-8: references in UTF-8, no BOM")
            << "utf-8" << utf8Page << QByteArray("caf\xC3\xA9 \xE2\x82\xAC 10 (c)");
        QTest::newRow("auto: the same") << "auto" << utf8Page << QByteArray("caf\xC3\xA9 \xE2\x82\xAC 10 (c)");
        QTest::newRow("utf-8 keeps bytes that are not UTF-8")
            << "utf-8" << QByteArray("<b>caf\xE9</b> &eacute;") << QByteArray("caf\xE9 \xC3\xA9");
        QTest::newRow("utf-8: a page that is only a BOM") << "utf-8" << QByteArray("\xEF\xBB\xBF") << QByteArray();
        QTest::newRow("utf-8: a page shorter than a BOM, its start")
            << "utf-8" << QByteArray("\xEF\xBB") << QByteArray("\xEF\xBB");
        QTest::newRow("utf-8: a BOM after the start is text")
            << "utf-8" << QByteArray("a\xEF\xBB\xBF") << QByteArray("a\xEF\xBB\xBF");
        QTest::newRow("utf-8: two BOMs, the second is text")
            << "utf-8" << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << QByteArray("\xEF\xBB\xBFx");
        QTest::newRow("auto reads them as windows-1252")
            << "auto" << QByteArray("<b>caf\xE9</b> &eacute;") << QByteArray("caf\xC3\xA9 \xC3\xA9");
    }
    void settings() {
        QFETCH(QString, setting);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        window_.CheckBoxes().SetEncodingChoice(*TextEncoding::ParseSetting(setting));
        basMain::InputFile = dir_->filePath("in.html");
        basMain::OutputFile = dir_->filePath("out.txt");
        WriteFile(basMain::InputFile, input);
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        QCOMPARE(ReadFile(basMain::OutputFile), output);
    }

    // A charset named for the run; what was used and why.
    void namedEncodings_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("used");
        QTest::addColumn<QString>("reason");
        QTest::newRow("cp1251") << "cp1251" << QByteArray("\xCF\xF0\xE8&nbsp;") << QByteArray("\xD0\x9F\xD1\x80\xD0\xB8")
                                << "windows-1251" << "chosen";
        QTest::newRow("latin1 writes UTF-8") << "latin1" << QByteArray("caf\xE9") << QByteArray("caf\xC3\xA9")
                                             << "windows-1252" << "chosen";
        QTest::newRow("UTF-16LE, its BOM skipped") << "utf-16" << QByteArray("\xFF\xFEh\0i\0", 6) << QByteArray("hi")
                                                   << "UTF-16LE" << "chosen";
        QTest::newRow("sjis") << "sjis" << QByteArray("\x93\xFA") << QByteArray("\xE6\x97\xA5") << "Shift_JIS"
                              << "chosen";
        QTest::newRow("utf8 label, broken bytes become U+FFFD")
            << "utf8" << QByteArray("a\xFF") << QByteArray("a\xEF\xBF\xBD") << "UTF-8" << "chosen";
        QTest::newRow("auto, meta") << "auto" << QByteArray("<meta charset=koi8-r>\xD0") << QByteArray("\xD0\xBF")
                                    << "KOI8-R" << "meta";
        QTest::newRow("auto, default") << "auto" << QByteArray("\xE9t\xE9") << QByteArray("\xC3\xA9t\xC3\xA9")
                                       << "windows-1252" << "default";
    }
    void namedEncodings() {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QFETCH(QString, used);
        QFETCH(QString, reason);
        QVERIFY(IsUsableEncoding(encoding));
        cTessark engine;
        engine.GenerateSpecialChars = True;
        engine.RemoveAllTags = True;
        QByteArray bytes = input;
        const EncodingUsed u = ConvertEncoded(engine, bytes, encoding);
        QCOMPARE(bytes, output);
        QCOMPARE(u.encoding, used);
        QCOMPARE(TextEncoding::ReasonText(u.reason), reason);
    }

    void unusableEncodings() {
        for (const char* name : {"utf-9", "iso-8859-16", "", "x"}) {
            QVERIFY2(!IsUsableEncoding(QString::fromLatin1(name)), name);
            cTessark engine;
            QByteArray bytes("abc");
            QVERIFY_THROWS_EXCEPTION(RuntimeError, ConvertEncoded(engine, bytes, QString::fromLatin1(name)));
        }
    }

    // The conversion core carries the encoding in its request and tells
    // what was used; an encoding it cannot use fails and writes nothing.
    void conversionCore() {
        DiskFileSystem disk;
        ConversionRequest request;
        request.inputPath = Data("encodings/windows-1251-meta.html");
        request.outputPath = Path("out.txt");
        request.options = OptionSet::Defaults();
        request.encoding = QStringLiteral("auto");
        ConversionOutcome outcome = ConvertOne(request, disk);
        QCOMPARE(outcome.result, ConversionOutcome::Result::Written);
        QCOMPARE(outcome.encodingUsed.encoding, QStringLiteral("windows-1251"));
        QCOMPARE(outcome.encodingUsed.reason, TextEncoding::Reason::Meta);
        QCOMPARE(ReadFile(Path("out.txt")), ReadFile(Data("encodings/windows-1251-meta.expected.txt")));

        WriteFile(Path("out.txt"), "old");
        request.encoding = QStringLiteral("utf-9");
        outcome = ConvertOne(request, disk);
        QCOMPARE(outcome.result, ConversionOutcome::Result::Failed);
        QCOMPARE(outcome.Reason(), QStringLiteral("RemoveHTML: Error 5: Invalid procedure call or argument"));
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("old"));
    }

    // Every corpus page under "auto" gives valid UTF-8 equal to the 16-bit
    // engine's result for the decoded page, encoded as UTF-8.
    void corpusUnderAuto() {
        QDirIterator it(Data("corpus"), {QStringLiteral("*.html")}, QDir::Files);
        int pages = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            const QByteArray page = ReadFile(path);
            for (const bool allOn : {true, false}) {
                cTessark engine;
                for (const OptionInfo& info : kOptions) engine.*(info.flag) = allOn ? True : False;
                QByteArray bytes = page;
                const EncodingUsed used = ConvertEncoded(engine, bytes, QStringLiteral("auto"));
                QVERIFY2(TextEncoding::IsValidUtf8(bytes), qPrintable(path));
                const TextEncoding::Detection d = TextEncoding::Detect(page);
                QCOMPARE(used.encoding, d.encoding);
                const std::u16string text = TextEncoding::Decode(QByteArrayView(page).sliced(d.bomLength), d.encoding);
                QVERIFY2(bytes == TextEncoding::EncodeUtf8(engine.ExtractText(text)), qPrintable(path));
            }
            ++pages;
        }
        QCOMPARE(pages, 65);
    }

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    HeadlessWindow window_;
    RecordingSink sink_;
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestEncodings)
#include "test_encodings.moc"
