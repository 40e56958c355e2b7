// tessark-imagegen OUTDIR: writes the button skins (Normal.png, HighLight.png,
// Pressed.png, Selected.png, HighLightSelect.png, Disable.png), background.png
// and icon.png into OUTDIR, creating the folder if needed.
// Exit status: 0 when all eight files were written, 1 when one could not be
// written, 2 on a wrong command line.
#include "ImageGen.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QString>

#include <cstdio>

namespace {

using namespace tessark::imagegen;

bool Write(const QDir& dir, const QString& fileName, const QImage& image) {
    const QString path = dir.filePath(fileName);
    QImageWriter writer(path, "png");
    if (!writer.write(image)) {
        std::fprintf(stderr, "tessark-imagegen: cannot write %s: %s\n", qPrintable(QDir::toNativeSeparators(path)),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: tessark-imagegen OUTDIR\n"
                             "Writes the six button skins, background.png and icon.png into OUTDIR.\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QFileInfo info(outDir);
    if (info.exists() && !info.isDir()) {
        std::fprintf(stderr, "tessark-imagegen: %s exists and is not a folder\n", argv[1]);
        return 1;
    }
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "tessark-imagegen: cannot create the folder %s\n", argv[1]);
        return 1;
    }
    const QDir dir(outDir);
    bool ok = true;
    for (const SkinSpec& skin : Skins())
        ok = Write(dir, QString::fromLatin1(skin.name) + QLatin1String(".png"), RenderSkin(skin)) && ok;
    ok = Write(dir, QStringLiteral("background.png"), RenderBackground()) && ok;
    ok = Write(dir, QStringLiteral("icon.png"), RenderIcon()) && ok;
    return ok ? 0 : 1;
}
