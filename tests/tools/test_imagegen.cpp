// The committed skins, background and icon are what tessark-imagegen draws
// (the same pixels and size, 8-bit PNG, alpha only in the icon; a second run
// into a folder it creates writes the same bytes), each skin carries its own
// frame colours (that its edges are straight test_SkinnedButton sees in every
// stretched paint), and a bad command line writes nothing.
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "ProcessTestSupport.h"

using namespace tessark::test;

namespace {

const QString kSource = QStringLiteral(TESSARK_SOURCE_DIR "/");

// Exit status and error output of the generator, run in `folder`.
std::pair<int, QString> Generate(const QStringList& args, const QString& folder = {}) {
    const Finished r = RunProcess(TESSARK_IMAGEGEN, args, folder, QProcessEnvironment::systemEnvironment(), 60);
    return {r.exitCode, QString::fromLocal8Bit(r.err)};
}

// Per skin, its rings at the middle of each edge, outermost first (top 4,
// bottom 4, left 2, right 2) and the shaded side ring at its ends (left at
// rows 4 and 20, right the same).
const std::pair<const char*, const char*> kSkins[] = {
    {"Normal", "E0DCC9 003C74 F3F3EE F3F3EE F8F7F0 003C74 D6D0C5 E2DFD6 E2DECB 003C74 F0EEE0 003C74 FDFDFB ECEBE6 FDFDFB E0DDD4"},
    {"HighLight", "E0DCC9 003C74 FFF0CF FDD889 F8F7F0 003C74 E59700 F8B330 E2DECB 003C74 F0EEE0 003C74 FEDF9A F9B435 FEDF9A F9B435"},
    {"Pressed", "E0DCC9 003C74 D1CCC1 DCD8CF F8F7F0 003C74 F2F1EE EAE9E3 E2DECB 003C74 F0EEE0 003C74 D8D4CB D8D4CB E5E4DD E5E4DD"},
    {"Selected", "003C74 CEE7FF CEE7FF F3F3EE 003C74 6982EE 6982EE ECEBE5 003C74 A1BFEC 003C74 A1BFEC B7D0F4 8BADE4 B7D0F4 8BADE4"},
    {"HighLightSelect", "003C74 FFF0CF FFF0CF F3F3EE 003C74 E59700 E59700 F3F3EE 003C74 FCCB68 003C74 FCCB68 FEDD95 F9B83B FEDD95 F9B83B"},
    {"Disable", "ECE9D8 C9C7BA F5F4EA F5F4EA ECE9D8 C9C7BA F5F4EA F5F4EA ECE9D8 C9C7BA ECE9D8 C9C7BA F5F4EA F5F4EA F5F4EA F5F4EA"},
};

}  // namespace

class TestImageGen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matchesCommitted() {
        QTemporaryDir temp;
        QCOMPARE(Generate({temp.filePath("first")}), std::make_pair(0, QString()));
        QCOMPARE(Generate({temp.filePath("second/nested")}).first, 0);
        QStringList files{"ui/images/background.png 789x461 2", "ui/images/icon.png 32x32 6"};
        for (const auto& [skin, colours] : kSkins) files << QString("controls/skins/%1.png 64x25 2").arg(skin);
        for (const QString& file : files) {
            const QString name = file.section(' ', 0, 0).section('/', -1), header = file.section(' ', 1);
            const QByteArray committed = ReadFile(kSource + file.section(' ', 0, 0));
            const QByteArray generated = ReadFile(temp.filePath("first/" + name));
            for (const QByteArray& png : {committed, generated}) {  // size, then 8 bits and the colour type (2: RGB, 6: RGBA)
                const QImage image = QImage::fromData(png, "PNG");
                QCOMPARE(QString("%1x%2 %3").arg(image.width()).arg(image.height()).arg(png.size() > 25 ? int(png[25]) : -1), header);
                QCOMPARE(int(png.size() > 24 ? png[24] : 0), 8);
            }
            QCOMPARE(QImage::fromData(generated).convertToFormat(QImage::Format_ARGB32),
                     QImage::fromData(committed).convertToFormat(QImage::Format_ARGB32));
            QCOMPARE(ReadFile(temp.filePath("second/nested/" + name)), generated);
        }
    }

    void skinFrameColours() {
        for (const auto& [skin, colours] : kSkins) {
            const QImage image(kSource + "controls/skins/" + skin + ".png");
            const auto hex = [&](int x, int y) { return image.pixelColor(x, y).name().mid(1).toUpper(); };
            QStringList got;
            for (const QPoint p : {QPoint(32, 0), {32, 1}, {32, 2}, {32, 3}, {32, 24}, {32, 23}, {32, 22}, {32, 21}, {0, 12},
                                   {1, 12}, {63, 12}, {62, 12}, {2, 4}, {2, 20}, {61, 4}, {61, 20}})
                got << hex(p.x(), p.y());
            QCOMPARE(got.join(' '), QString(colours));
        }
    }

    void badCommandLine() {
        const std::tuple<QStringList, int, const char*> rows[] = {
            {{}, 2, "usage: tessark-imagegen OUTDIR"}, {{""}, 2, "usage: tessark-imagegen OUTDIR"},
            {{"a", "b"}, 2, "usage: tessark-imagegen OUTDIR"}, {{"file"}, 1, "exists and is not a folder"},
            {{"file/sub"}, 1, "cannot create the folder"}};
        for (const auto& [args, status, message] : rows) {
            QTemporaryDir dir;
            QVERIFY(WriteFile(dir.filePath("file"), "not a folder"));
            const auto [code, errors] = Generate(args, dir.path());
            QCOMPARE(code, status);
            QVERIFY2(errors.contains(message), qPrintable(errors));
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"file"});
            QCOMPARE(ReadFile(dir.filePath("file")), QByteArray("not a folder"));
        }
    }
};

QTEST_GUILESS_MAIN(TestImageGen)
#include "test_imagegen.moc"
