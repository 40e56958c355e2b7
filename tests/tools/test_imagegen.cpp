// The committed skins, background and icon are what tessark-imagegen draws
// (the same pixels and size, 8-bit PNG, alpha only in the icon; a second run
// into a folder it creates writes the same bytes; how a skin is stretched is
// test_SkinnedButton's, in every paint), and a bad command line writes nothing.
#include <QDir>
#include <QImage>
#include <QSet>
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

const char* const kSkins[] = {"Normal", "HighLight", "Pressed", "Selected", "HighLightSelect", "Disable"};

}  // namespace

class TestImageGen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matchesCommitted() {
        QTemporaryDir temp;
        QCOMPARE(Generate({temp.filePath("first")}), std::make_pair(0, QString()));
        QCOMPARE(Generate({temp.filePath("second/nested")}).first, 0);
        QStringList files{"ui/images/background.png 789x461 2", "ui/images/icon.png 32x32 6"};
        for (const char* skin : kSkins) files << QString("controls/skins/%1.png 64x25 2").arg(skin);
        QSet<QByteArray> distinct;  // no two images alike: each skin is drawn in its own colours
        for (const QString& file : files) {
            const QString name = file.section(' ', 0, 0).section('/', -1), header = file.section(' ', 1);
            const QByteArray committed = ReadFile(kSource + file.section(' ', 0, 0));
            distinct << committed;
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
        QCOMPARE(distinct.size(), files.size());
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
