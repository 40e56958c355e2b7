// The committed skins, background and icon are exactly what tessark-imagegen
// draws, carry the frame colours the button paint relies on, and have the
// sizes and pixel formats the resources expect.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <utility>

namespace {

const QString kGenerator = QStringLiteral(TESSARK_IMAGEGEN);
const QString kSourceDir = QStringLiteral(TESSARK_SOURCE_DIR);

struct RunResult {
    int exitCode = -1;
    QByteArray errorOutput;
};

RunResult RunGenerator(const QStringList& arguments) {
    QProcess process;
    process.start(kGenerator, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return {};
    return RunResult{process.exitCode(), process.readAllStandardError()};
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Bit depth and colour type from a PNG's header chunk; {-1, -1} if the file
// is no PNG.
std::pair<int, int> PngDepthAndColourType(const QByteArray& png) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (png.size() < 26 || !png.startsWith(signature) || png.mid(12, 4) != "IHDR") return {-1, -1};
    return {static_cast<unsigned char>(png[24]), static_cast<unsigned char>(png[25])};
}

QString Hex(QRgb pixel) { return QColor(pixel).name(QColor::HexRgb).toUpper(); }

// Hex colours of the pixels at the given points.
QStringList Colours(const QImage& image, const QList<QPoint>& points) {
    QStringList out;
    for (const QPoint& p : points) out << Hex(image.pixel(p));
    return out;
}

const QStringList kSkinNames{QStringLiteral("Normal"), QStringLiteral("HighLight"), QStringLiteral("Pressed"),
                             QStringLiteral("Selected"), QStringLiteral("HighLightSelect"), QStringLiteral("Disable")};

constexpr int kPngRgb = 2;   // PNG colour type: truecolour
constexpr int kPngRgba = 6;  // PNG colour type: truecolour with alpha

}  // namespace

class TestImageGen : public QObject {
    Q_OBJECT
private:
    QTemporaryDir temp_;
    QString first_;   // output of the first run
    QString second_;  // output of a second run, into a folder it had to create

    QImage Committed(const QString& relativePath) const { return QImage(kSourceDir + '/' + relativePath); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(temp_.isValid());
        first_ = temp_.filePath(QStringLiteral("first"));
        second_ = temp_.filePath(QStringLiteral("second/nested"));
        QVERIFY(QDir().mkpath(first_));
        const RunResult a = RunGenerator({first_});
        QCOMPARE(a.exitCode, 0);
        QVERIFY2(a.errorOutput.isEmpty(), a.errorOutput.constData());
        const RunResult b = RunGenerator({second_});
        QCOMPARE(b.exitCode, 0);
    }

    void matchesCommitted_data() {
        QTest::addColumn<QString>("committed");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("colourType");
        for (const QString& name : kSkinNames)
            QTest::newRow(qPrintable(name)) << QStringLiteral("controls/skins/%1.png").arg(name) << QSize(64, 25)
                                            << kPngRgb;
        QTest::newRow("background") << QStringLiteral("ui/images/background.png") << QSize(789, 461) << kPngRgb;
        QTest::newRow("icon") << QStringLiteral("ui/images/icon.png") << QSize(32, 32) << kPngRgba;
    }
    void matchesCommitted() {
        QFETCH(QString, committed);
        QFETCH(QSize, size);
        QFETCH(int, colourType);
        const QString fileName = committed.section('/', -1);
        const QByteArray committedBytes = ReadAll(kSourceDir + '/' + committed);
        const QByteArray generatedBytes = ReadAll(first_ + '/' + fileName);
        QVERIFY2(!committedBytes.isEmpty(), qPrintable(committed));
        QVERIFY2(!generatedBytes.isEmpty(), qPrintable(fileName));

        // 8 bits per channel; the skins and the background without alpha.
        QCOMPARE(PngDepthAndColourType(committedBytes), std::make_pair(8, colourType));
        QCOMPARE(PngDepthAndColourType(generatedBytes), std::make_pair(8, colourType));

        QImage want = QImage::fromData(committedBytes, "PNG");
        QImage got = QImage::fromData(generatedBytes, "PNG");
        QCOMPARE(want.size(), size);
        QCOMPARE(got.size(), size);
        QCOMPARE(want.hasAlphaChannel(), colourType == kPngRgba);
        want = want.convertToFormat(QImage::Format_ARGB32);
        got = got.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                if (want.pixel(x, y) != got.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("%1 differs at (%2, %3): committed %4, generated %5")
                                         .arg(committed).arg(x).arg(y)
                                         .arg(want.pixel(x, y), 8, 16, QLatin1Char('0'))
                                         .arg(got.pixel(x, y), 8, 16, QLatin1Char('0'))));

        // Two runs write the same bytes.
        QCOMPARE(ReadAll(second_ + '/' + fileName), generatedBytes);
    }

    void skinFrameColours_data() {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<QStringList>("top");     // rings 0..3, column 32
        QTest::addColumn<QStringList>("bottom");  // rings 0..3, column 32
        QTest::addColumn<QStringList>("left");    // rings 0..1, row 12
        QTest::addColumn<QStringList>("right");   // rings 0..1, row 12
        QTest::addColumn<QStringList>("sideEnds");  // left ring 2 at rows 4 and 20, right ring 2 at rows 4 and 20
        QTest::addColumn<QString>("outline");

        QTest::newRow("Normal") << "Normal" << QStringList{"#E0DCC9", "#003C74", "#F3F3EE", "#F3F3EE"}
                                << QStringList{"#F8F7F0", "#003C74", "#D6D0C5", "#E2DFD6"}
                                << QStringList{"#E2DECB", "#003C74"} << QStringList{"#F0EEE0", "#003C74"}
                                << QStringList{"#FDFDFB", "#ECEBE6", "#FDFDFB", "#E0DDD4"} << "#003C74";
        QTest::newRow("HighLight") << "HighLight" << QStringList{"#E0DCC9", "#003C74", "#FFF0CF", "#FDD889"}
                                   << QStringList{"#F8F7F0", "#003C74", "#E59700", "#F8B330"}
                                   << QStringList{"#E2DECB", "#003C74"} << QStringList{"#F0EEE0", "#003C74"}
                                   << QStringList{"#FEDF9A", "#F9B435", "#FEDF9A", "#F9B435"} << "#003C74";
        QTest::newRow("Pressed") << "Pressed" << QStringList{"#E0DCC9", "#003C74", "#D1CCC1", "#DCD8CF"}
                                 << QStringList{"#F8F7F0", "#003C74", "#F2F1EE", "#EAE9E3"}
                                 << QStringList{"#E2DECB", "#003C74"} << QStringList{"#F0EEE0", "#003C74"}
                                 << QStringList{"#D8D4CB", "#D8D4CB", "#E5E4DD", "#E5E4DD"} << "#003C74";
        QTest::newRow("Selected") << "Selected" << QStringList{"#003C74", "#CEE7FF", "#CEE7FF", "#F3F3EE"}
                                  << QStringList{"#003C74", "#6982EE", "#6982EE", "#ECEBE5"}
                                  << QStringList{"#003C74", "#A1BFEC"} << QStringList{"#003C74", "#A1BFEC"}
                                  << QStringList{"#B7D0F4", "#8BADE4", "#B7D0F4", "#8BADE4"} << "#003C74";
        QTest::newRow("HighLightSelect") << "HighLightSelect"
                                         << QStringList{"#003C74", "#FFF0CF", "#FFF0CF", "#F3F3EE"}
                                         << QStringList{"#003C74", "#E59700", "#E59700", "#F3F3EE"}
                                         << QStringList{"#003C74", "#FCCB68"} << QStringList{"#003C74", "#FCCB68"}
                                         << QStringList{"#FEDD95", "#F9B83B", "#FEDD95", "#F9B83B"} << "#003C74";
        QTest::newRow("Disable") << "Disable" << QStringList{"#ECE9D8", "#C9C7BA", "#F5F4EA", "#F5F4EA"}
                                 << QStringList{"#ECE9D8", "#C9C7BA", "#F5F4EA", "#F5F4EA"}
                                 << QStringList{"#ECE9D8", "#C9C7BA"} << QStringList{"#ECE9D8", "#C9C7BA"}
                                 << QStringList{"#F5F4EA", "#F5F4EA", "#F5F4EA", "#F5F4EA"} << "#C9C7BA";
    }
    void skinFrameColours() {
        QFETCH(QString, skin);
        QFETCH(QStringList, top);
        QFETCH(QStringList, bottom);
        QFETCH(QStringList, left);
        QFETCH(QStringList, right);
        QFETCH(QStringList, sideEnds);
        QFETCH(QString, outline);
        const QImage image = Committed(QStringLiteral("controls/skins/%1.png").arg(skin));
        QCOMPARE(image.size(), QSize(64, 25));

        QCOMPARE(Colours(image, {{32, 0}, {32, 1}, {32, 2}, {32, 3}}), top);
        QCOMPARE(Colours(image, {{32, 24}, {32, 23}, {32, 22}, {32, 21}}), bottom);
        QCOMPARE(Colours(image, {{0, 12}, {1, 12}}), left);
        QCOMPARE(Colours(image, {{63, 12}, {62, 12}}), right);
        QCOMPARE(Colours(image, {{2, 4}, {2, 20}, {61, 4}, {61, 20}}), sideEnds);

        // Every edge is straight between the corner squares: one colour per
        // ring along the top and bottom; along the sides the outer ring is
        // flat and the shaded ring stays between its end colours row by row.
        for (int x = 4; x < 60; ++x) {
            QCOMPARE(Colours(image, {{x, 0}, {x, 1}, {x, 2}, {x, 3}}), top);
            QCOMPARE(Colours(image, {{x, 24}, {x, 23}, {x, 22}, {x, 21}}), bottom);
        }
        for (const int x : {2, 61}) {
            const QColor first = image.pixelColor(x, 4), last = image.pixelColor(x, 20);
            const auto between = [](int v, int a, int b) { return std::min(a, b) <= v && v <= std::max(a, b); };
            for (int y = 4; y < 21; ++y) {
                QCOMPARE(Hex(image.pixel(0, y)), left.front());
                QCOMPARE(Hex(image.pixel(63, y)), right.front());
                const QColor c = image.pixelColor(x, y);
                QVERIFY2(between(c.red(), first.red(), last.red()) && between(c.green(), first.green(), last.green())
                             && between(c.blue(), first.blue(), last.blue()),
                         qPrintable(QStringLiteral("%1 at (%2, %3): %4").arg(skin).arg(x).arg(y).arg(Hex(c.rgb()))));
            }
        }

        // Rounded corners: the corner pixels are not the outline colour, and
        // the outline's diagonal pixel is a blend, neither outline nor
        // anything else of the frame at full strength.
        const QList<QPoint> corners{{0, 0}, {63, 0}, {0, 24}, {63, 24}};
        for (const QPoint& c : corners) QVERIFY2(Hex(image.pixel(c)) != outline, qPrintable(skin));
        const QList<QPoint> diagonals{{1, 1}, {62, 1}, {1, 23}, {62, 23}};
        for (const QPoint& d : diagonals) {
            const QString colour = Hex(image.pixel(d));
            QVERIFY2(colour != outline, qPrintable(QStringLiteral("%1 at (%2, %3)").arg(skin).arg(d.x()).arg(d.y())));
            QVERIFY2(!top.contains(colour) && !bottom.contains(colour),
                     qPrintable(QStringLiteral("%1 at (%2, %3): %4").arg(skin).arg(d.x()).arg(d.y()).arg(colour)));
        }
    }

    void badCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no folder") << QStringList{} << 2 << "usage: tessark-imagegen OUTDIR";
        QTest::newRow("empty folder name") << QStringList{""} << 2 << "usage: tessark-imagegen OUTDIR";
        QTest::newRow("two folders") << QStringList{"a", "b"} << 2 << "usage: tessark-imagegen OUTDIR";
        QTest::newRow("a file") << QStringList{"@file"} << 1 << "exists and is not a folder";
        QTest::newRow("below a file") << QStringList{"@file/sub"} << 1 << "cannot create the folder";
    }
    void badCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("file"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a folder");
        }
        for (QString& a : arguments) a.replace(QStringLiteral("@file"), file);
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(kGenerator, arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(errors.contains(message), qPrintable(errors));
        // Nothing was written anywhere.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"file"});
        QCOMPARE(ReadAll(file), QByteArray("not a folder"));
    }
};

QTEST_GUILESS_MAIN(TestImageGen)
#include "test_imagegen.moc"
