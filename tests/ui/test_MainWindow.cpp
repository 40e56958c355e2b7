// The main window: start-up and closing against the settings store and the
// context menu, the buttons driving conversions through the real file
// dialogs and scripted message boxes, the real message boxes, the design as
// one table, and the settings store shared with command-line runs at once.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStyle>
#include <QTimer>

#include "FakeCursor.h"
#include "AppTestSupport.h"
#include "SkinnedButton.h"
#include "DesignFont.h"
#include "MessageBoxes.h"
#include "MainWindow.h"

using namespace tessark;
using namespace tessark::test;

namespace {

// One interactive start-up: the window loaded and shown, the message boxes
// scripted, the desktop's open recorded.
struct Session {
    Session() {
        SkinnedButton::SetCursorProbe(&cursor);
        startup::Main(host);
        form().SetMessageSink(&sink);
        form().SetShellOpener([this](const QString& what) { opened << what; });
    }
    ~Session() { SkinnedButton::SetCursorProbe(nullptr); }
    MainWindow& form() { return *host.Form(); }
    // A left click where the pointer rests, with no move first (X sends none
    // when a window under a still pointer goes, as a dialog does), the window
    // active again as a window manager leaves it after a dialog.
    void Press(SkinnedButton* button) {
        cursor.under = button;
        form().activateWindow();
        QTRY_VERIFY(form().isActiveWindow());
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    }
    FakeCursor cursor;
    DesktopWindowHost host;
    RecordingSink sink;
    QStringList opened;
};

// Runs `step` from the event loop once `ready` holds (a modal dialog open,
// the window's conversion under way at its first yield).
void When(std::function<bool()> ready, std::function<void()> step) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, ready, step] {
        if (!ready()) return;
        poll->deleteLater();
        poll->stop();
        step();
    });
    poll->start(0);
}
void OnModal(std::function<void(QWidget*)> step) {
    When([] { return QApplication::activeModalWidget() != nullptr; }, [step] { step(QApplication::activeModalWidget()); });
}

// Answers the next file dialog: notes what it shows (its filters, the entry
// selected), picks the filter entry `pick` (if any) and accepts `path` as
// typed (empty: Esc cancels it).
void Answer(QStringList& seen, const QString& path, int pick = -1) {
    OnModal([&seen, path, pick](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        QStringList names;
        for (int i = 0; i < types->count(); ++i) names << types->itemText(i);
        seen << QString("%1 %2: %3").arg(dialog->acceptMode() == QFileDialog::AcceptOpen ? "open" : "save")
                    .arg(types->currentIndex()).arg(names.join(", "));
        if (pick >= 0) types->setCurrentIndex(pick), types->activated(pick);  // as a click on the entry
        if (path.isEmpty()) return QTest::keyClick(dialog, Qt::Key_Escape);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

// The store as one letter per key, T or F ("" when any is missing or not a Boolean text).
QString Stored(const TempSettings& settings) {
    QSettings s = settings.Open();
    QString set;
    for (const OptionInfo& info : kOptions) {
        const QString text = s.value(info.name).toString();
        if (text != "True" && text != "False") return {};
        set += text.left(1);
    }
    return set;
}

QString Letters(const OptionSet& set, bool classicOnly = false) {
    QString text;
    for (const OptionInfo& info : kOptions) text += classicOnly && !info.classic ? "" : set.Get(info.option) ? "T" : "F";
    return text;
}

// The design: the controls in tab order with their captions, then the three
// that take no focus; per kind (frame, check, button, text, shape) one font
// (the design's family / the one installed by scripts/deps.sh, points,
// style) and the text and background colours.
const std::pair<const char*, const char*> kControls[] = {
    {"chkRemoveComments", "Remove Comments (<!-- -->)"}, {"chkRemoveScripts", "Remove Scripts (<SCRIPT> </SCRIPT>)"},
    {"chkRemoveStyles", "Remove Styles(<STYLE> </STYLE>)"}, {"chkRemovePipe", "Remove pipe character '|'"},
    {"chkRemoveTabs", "Remove TAB characters"}, {"chkGenerateSpecialChars", "Generate foreign && special characters"},
    {"chkRemoveAllTags", "Remove all tags < >"}, {"chkRemoveAllCRLF", "Remove all lines - extract only words"},
    {"chkRemoveBlankLines", "Remove Blank Lines"}, {"chkRemoveSpaces", "Remove Spaces"},
    {"chkRemoveFunctions", "Remove functions ( { } )"}, {"Text1", "Freeware. Share it freely."},
    {"cmdSelectInput", "Select Input File"}, {"cmdSelectOutput", "Select Output File"}, {"cmdRemoveHTML", "Remove HTML"},
    {"cmdReadme", "Readme.txt"}, {"cmdWebsite", "Visit Website"},
    {"Frame1", "Options"}, {"Frame2", "Whitespace removal"}, {"Shape1", ""}};
constexpr int kTabStops = 17;
const QMap<QString, QString> kLooks{
    {"frame", "Verdana/DejaVu Sans 8.25 bold italic #FFFFFF on #66AFE6"},
    {"check", "Verdana/DejaVu Sans 8.25 bold italic #FFFFFF on #66AFE6"},
    {"button", "MS Sans Serif/DejaVu Sans 8.25 #000000"},
    {"text", "Arial/Liberation Sans 8.25 bold #000000 on #5CC5E7"},
    {"shape", ""}};

QString Colour(const QColor& c) { return c.name().toUpper(); }

// The window's settings: the options stored alternately False/True (else
// none stored), the encoding stored ("": none), where the context menu is
// opened ("": not at all) and the encoding chosen there, the one saved;
// readable text's stored lines, the checked items of "Readable text" then,
// the items triggered, and "ReadableText Links AltText" saved ("-": no key).
const QStringList kClassicItems{"&Classic conversion", "&No links", "Image &alt text"};
const struct SettingsRow {
    const char* name;
    bool alternate;
    const char *stored, *open, *choose, *saved;
    QStringList readable, loaded, pick;
    const char* readableSaved;
} kSettingsRows[] = {
    {"empty store", false, "", "", "", "", {}, kClassicItems, {}, "- - -"},
    {"background", true, "utf-8", "background", "Detect automatically", "auto", {"BreakAtBlocks=True", "KeepLinks=True"},
     {"&Readable text", "Links &inline as [URL]", "Image &alt text"}, {"Links in a numbered &list", "Image &alt text"},
     "True list False"},
    {"frame", false, "auto", "frame", "Windows-1252 (classic)", "windows-1252", {"ReadableText=True", "AltText=False"},
     {"&Readable text", "&No links"}, {"&Classic conversion"}, "False - False"},
    {"key", true, "", "key", "UTF-8", "utf-8", {}, kClassicItems, {"&Readable text", "Links &inline as [URL]"}, "True inline -"},
};

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Stored options show in the check boxes and the check item of
    // "Readable text"; the stored encoding is the checked choice of "Text
    // encoding", which a right click on the background or a frame or the
    // context-menu key opens; readable text's stored choices (older keys
    // too) are the checked items of "Readable text", its links and alt text
    // enabled only with readable text. Closing writes them all back.
    void settings_data() { TableRows(kSettingsRows); }
    void settings() {
        QFETCH(int, row);
        const SettingsRow& r = kSettingsRows[row];
        const bool alternate = r.alternate;
        const QString stored = r.stored, open = r.open;
        TempSettings settings;
        const auto on = [&](std::size_t i) { return alternate ? i % 2 == 1 : kOptions[i].classic; };
        {
            QSettings s = settings.Open();
            for (std::size_t i = 0; alternate && i < kOptionCount; ++i) s.setValue(kOptions[i].name, on(i) ? "True" : "False");
            if (!stored.isEmpty()) s.setValue(kEncodingKey, stored);
            for (const QString& line : r.readable) s.setValue(line.section('=', 0, 0), line.section('=', 1));
        }
        Session session;
        MainWindow& f = session.form();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        for (std::size_t i = 0; i < kOptionCount; ++i) {
            auto* box = f.findChild<QObject*>(QString("chk") + kOptions[i].name);
            QVERIFY2(box && box->property("checked").toBool() == on(i), kOptions[i].name);
        }
        QStringList items{f.ContextMenu->title()}, checked;
        for (QAction* a : f.ContextMenu->actions() + f.mnuReadableText->actions()) {
            if (a->isSeparator()) continue;
            items << a->text();
            if (a->isChecked() && !a->objectName().startsWith("chk")) checked << a->text();
        }
        QCOMPARE(items, (QStringList{"Text encoding", "Windows-1252 (classic)", "UTF-8", "Detect automatically",
                                     "&Readable text", "&Classic conversion", "&Readable text", "&No links",
                                     "Links &inline as [URL]", "Links in a numbered &list", "Image &alt text",
                                     "&Decode all character references"}));
        QCOMPARE(checked, QStringList{stored == "utf-8" ? "UTF-8" : stored == "auto" ? "Detect automatically" : "Windows-1252 (classic)"} + r.loaded);
        for (QAction* a : f.mnuReadableText->actions())
            if (r.pick.contains(a->text())) a->trigger();
        const bool readableOn = f.mnuReadable->isChecked();
        for (QAction* a : {f.LinkAction(0), f.LinkAction(1), f.LinkAction(2), f.mnuAltText})
            QCOMPARE(a->isEnabled(), readableOn);
        QCOMPARE(f.CheckItem(Option::DecodeAllReferences)->isEnabled(), !readableOn);
        if (open == "key") {
            QCheckBox* box = f.CheckBox(Option::RemoveTabs);
            box->setFocus();
            QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(box, &key);
        } else if (!open.isEmpty()) {
            const QPoint at = open == "frame" ? f.Frame2->geometry().topLeft() + QPoint(3, 40) : QPoint(f.width() - 5, f.height() - 5);
            QTest::mouseClick(f.windowHandle(), Qt::RightButton, Qt::NoModifier, at);
        }
        if (!open.isEmpty()) {
            QTRY_VERIFY(f.ContextMenu->isVisible());
            for (QAction* a : f.mnuEncoding->actions())
                if (a->text() == r.choose) a->trigger();
            f.ContextMenu->close();
        }
        f.close();
        QVERIFY(f.isHidden());
        QSettings s = settings.Open();
        for (std::size_t i = 0; i < kOptionCount; ++i)
            QCOMPARE(s.value(kOptions[i].name).toString(), QString(on(i) ? "True" : alternate || kOptions[i].classic ? "False" : ""));
        QCOMPARE(s.value(kEncodingKey).toString(), QString(r.saved));
        QStringList keys;
        for (const char* key : {kReadableKey, kLinksKey, kAltTextKey}) keys << s.value(key, "-").toString();
        QCOMPARE(keys.join(' '), QString(r.readableSaved));
        for (const char* older : {"BreakAtBlocks", "KeepLinks"}) QVERIFY(!s.contains(older));
    }

    // The buttons through a session: the messages in order, the question
    // before overwriting, the dialogs' filters, a cancelled dialog keeping
    // the last choice, the filter entry carried from dialog to dialog, a
    // typed name kept without an extension, the options as ticked at the
    // click, a second press while converting, the readme and the web site,
    // and closing the window while converting (the old output stays byte for
    // byte, no temporary file, the window closes). What the job itself
    // checks and says is test_job's.
    void buttons() {
        TempSettings settings;
        QTemporaryDir dir;
        const QString in = dir.filePath("in.html"), out = dir.filePath("out");
        WriteFile(in, "x");
        WriteFile(out, "old output");
        Session s;
        MainWindow& f = s.form();
        QStringList seen;
        s.Press(f.cmdRemoveHTML);
        Answer(seen, in, 1);
        s.Press(f.cmdSelectInput);
        Answer(seen, "");
        s.Press(f.cmdSelectInput);
        s.Press(f.cmdRemoveHTML);
        Answer(seen, out);
        s.Press(f.cmdSelectOutput);
        Answer(seen, "");
        s.Press(f.cmdSelectOutput);
        QCOMPARE(f.InputFile() + " " + f.OutputFile(), in + " " + out);
        WriteFile(in, "<html><head><script>var a = 1;</script></head><body><p>Hello &amp; world</p></body></html>\n");
        s.sink.answers = {false};
        s.Press(f.cmdRemoveHTML);
        QCOMPARE(ReadFile(out), QByteArray("old output"));
        f.CheckBox(Option::GenerateSpecialChars)->setChecked(false);
        s.Press(f.cmdRemoveHTML);
        QCOMPARE(ReadFile(out), QByteArray("Hello &amp; world"));
        WriteFile(in, QByteArray("<p>a</p>\n").repeated(2000));
        bool pressed = false;
        When([&] { return f.Converting(); }, [&] { s.Press(f.cmdRemoveHTML), pressed = true; });  // ignored while converting
        s.Press(f.cmdRemoveHTML);
        QVERIFY(pressed && !f.Converting());
        s.Press(f.cmdReadme);
        s.Press(f.cmdWebsite);
        WriteFile(out, "old output");
        When([&] { return f.Converting(); }, [&] { s.Press(f.cmdRemoveHTML), f.close(), pressed = f.isVisible(); });
        s.Press(f.cmdRemoveHTML);
        QVERIFY(pressed && f.isHidden());
        QCOMPARE(ReadFile(out), QByteArray("old output"));
        QCOMPARE(FilesIn(dir.path()), (QStringList{"in.html", "out"}));
        QCOMPARE(s.sink.shown, (QStringList{"You have not selected the input file.", "You have not selected the output file.",
                                            "Done", "Done"}));
        QCOMPARE(s.sink.asked, QStringList(4, "Output file already exists, overwrite?"));
        const QString open = ": HTML files (*.html), HTM Files(*.htm), All files(*.*)", save = ": Text files, All files(*.*)";
        // The entry picked in the first dialog is the next one's, as the one
        // dialog component keeps it (FilterIndex) from open to save.
        QCOMPARE(seen, (QStringList{"open 0" + open, "open 1" + open, "save 1" + save, "save 1" + save}));
        QCOMPARE(s.opened, (QStringList{startup::ProgramFolder() + "readme.txt", "https://orvane.example/tessark"}));
        // The patterns behind the entries: ";" separates them, "*.*" is every file, an entry without patterns is none.
        const QList<FileFilter> filters = ParseFilter("Pages|*.htm;*.html|All files(*.*)|*.*|Broken");
        QCOMPARE(filters.first().patterns + filters.last().patterns, (QStringList{"*.htm", "*.html", "*"}));
    }

    // A store that cannot be written (a file where its folder should be, as
    // a read-only folder is to anyone but root): closing says so through the
    // window's messages (the boxes).
    void unsavedOptions() {
        TempSettings settings;
        QVERIFY(WriteFile(QFileInfo(settings.FilePath()).path(), "in the way"));
        Session s;
        s.form().close();
        QCOMPARE(s.sink.shown, QStringList{"the options could not be saved to " + settings.FilePath()});
    }

    // A message has OK, a question OK and Cancel; the title is the
    // program's, no icon; every box is wide enough for the title beside a
    // title bar's icon and three buttons (each as wide as the bar is high).
    void messageBoxes() {
        QWidget parent;
        DialogMessageSink sink(&parent);
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            const auto press = i == 2 ? QMessageBox::Cancel : QMessageBox::Ok;
            OnModal([&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box);
                const int title = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::TitleFont)).horizontalAdvance(box->windowTitle());
                seen << QString("%1 %2 %3 %4").arg(box->windowTitle()).arg(box->icon()).arg(box->standardButtons().toInt(), 0, 16).arg(
                            box->width() >= title + 4 * box->style()->pixelMetric(QStyle::PM_TitleBarHeight) ? "fits" : QString::number(box->width()));
                box->button(press)->click();
            });
            if (i == 0) sink.Show("Done");
            else QCOMPARE(sink.AskOkCancel("Output file already exists, overwrite?"), press == QMessageBox::Ok);
        }
        QCOMPARE(seen, (QStringList{"Tessark 0 400 fits", "Tessark 0 400400 fits", "Tessark 0 400400 fits"}));
    }

    // With the window open, classic runs and modern runs with --save, all at
    // once, never leave the store partial or mixed (the classic eleven, which
    // the classic runs write, are one writer's set); the last writer wins,
    // the window included when it closes.
    void settingsRace() {
        TempSettings settings;
        QTemporaryDir dir;
        WriteFile(dir.filePath("page.html"), "<p>page</p>");
        OptionSet windowSet = OptionSet::Defaults();  // the window starts from its own set: RemoveTabs off
        windowSet.Set(Option::RemoveTabs, false);
        for (const OptionInfo& info : kOptions) settings.Open().setValue(info.name, windowSet.Get(info.option) ? "True" : "False");
        Session s;
        const QProcessEnvironment env = TestEnvironment(QFileInfo(settings.FilePath()).path() + "/..");
        std::vector<std::unique_ptr<QProcess>> runs;
        QStringList known{Letters(windowSet, true)};
        const auto start = [&](const QStringList& args) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->setProcessEnvironment(env);
            runs.back()->start(TESSARK_PROGRAM, args);
        };
        for (const OptionInfo& info : kOptions) {  // a modern run saving one option alone, and a classic run
            const QString n = QString::number(runs.size());
            start({"-q", "--none", "--" + FlagName(info), "--save", "-o", dir.filePath(n + "m.txt"), dir.filePath("page.html")});
            start({dir.filePath("page.html"), dir.filePath(n + "c.txt")});
            OptionSet only;
            only.Set(info.option, true);
            known << Letters(only, true);
            QVERIFY(!Stored(settings).isEmpty());
        }
        for (auto& run : runs) {
            QVERIFY(run->waitForFinished(120000));
            QCOMPARE(run->exitStatus() == QProcess::NormalExit ? run->exitCode() : -1, 0);
        }
        const QString raced = Stored(settings);
        QString classic;
        for (qsizetype i = 0; i < raced.size(); ++i) classic += kOptions[std::size_t(i)].classic ? raced.mid(i, 1) : "";
        QVERIFY2(!raced.isEmpty() && known.contains(classic), qPrintable(raced));
        start({"-q", "--all", "--no-remove-spaces", "--save", "--print-options"});  // alone: the last writer
        QVERIFY(runs.back()->waitForFinished(60000));
        QCOMPARE(runs.back()->exitCode(), 0);
        OptionSet lastSet = OptionSet::Defaults();
        lastSet.Set(Option::RemoveSpaces, false);
        QCOMPARE(Stored(settings), Letters(lastSet));
        s.form().close();  // the window's check boxes: the last writer now
        QVERIFY(s.form().isHidden());
        QCOMPARE(Stored(settings), Letters(windowSet));
    }

    // The controls by name with their captions and looks, the focus chain
    // following the tab order and closing, the window's title, size and
    // icon, no further buttons or boxes, every button polling the hover,
    // and the frames opaque in the window's blue (the tile does not show
    // through).
    void design() {
        for (const char* family : {"DejaVu Sans", "Liberation Sans"})
            if (!QFontDatabase::hasFamily(family))
                QFAIL(qPrintable(QString("font %1 is missing: run scripts/deps.sh").arg(family)));
        TempSettings settings;
        Session s;
        MainWindow& f = s.form();
        QStringList got, want, tabOrder;
        for (const auto& [name, caption] : kControls) {
            QWidget* c = f.findChild<QWidget*>(name);
            QVERIFY2(c, name);
            auto* button = qobject_cast<SkinnedButton*>(c);
            const QString kind = button ? "button" : qobject_cast<QGroupBox*>(c) ? "frame" : qobject_cast<QCheckBox*>(c) ? "check"
                                 : qobject_cast<QLineEdit*>(c) ? "text" : "shape";
            const QFont font = button ? button->Font() : c->font();
            QString look = c->property(kDesignFontFamily).toString() + "/" + font.family() + " " + QString::number(font.pointSizeF()) +
                           (font.bold() ? " bold" : "") + (font.italic() ? " italic" : "") + " ";
            if (button) look += Colour(ColourFromRef(button->FontColour()));
            else if (kind == "text") look += Colour(c->palette().color(QPalette::Text)) + " on " + Colour(c->palette().color(QPalette::Base));
            else look += Colour(c->palette().color(QPalette::WindowText)) + " on " + Colour(c->palette().color(QPalette::Window));
            const QString text = button ? button->Caption() : c->property(kind == "frame" ? "title" : "text").toString();
            got << QStringList{name, text, kind == "shape" ? "" : look}.join(u'|');
            want << QStringList{name, caption, kLooks.value(kind)}.join(u'|');
            if (tabOrder.size() < kTabStops) tabOrder << name;
        }
        QCOMPARE(got, want);
        QStringList chain;
        QWidget* w = f.findChild<QWidget*>(tabOrder.first());
        for (int i = 0; i <= kTabStops; ++i) {
            chain << w->objectName();
            do w = w->nextInFocusChain(); while (!(w->focusPolicy() & Qt::TabFocus));
        }
        QCOMPARE(chain, tabOrder + QStringList{tabOrder.first()});
        QCOMPARE(f.windowTitle(), QString("Tessark v1.0 Build 20"));
        QCOMPARE(f.size(), QSize(6810 / 15, 3930 / 15));
        QVERIFY(!f.windowIcon().isNull());
        QCOMPARE(f.findChildren<SkinnedButton*>().size() * 100 + f.findChildren<QCheckBox*>().size(), 511);  // no more buttons and boxes
        for (SkinnedButton* button : f.findChildren<SkinnedButton*>()) QVERIFY(button->MouseTimer().isActive());
        QCOMPARE(Colour(f.grab().toImage().pixelColor(f.Frame1->geometry().topRight() + QPoint(-12, 4))), QString("#66AFE6"));
    }
};

QTEST_MAIN(FrmMainTest)
#include "test_MainWindow.moc"
