// The main window and interactive mode: start-up and closing against the
// settings store, a whole conversion driven through the buttons with scripted
// file dialogs and message boxes, the real dialogs, and the window's design.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <iterator>
#include <optional>

#include "AppTestSupport.h"
#include "Command.h"
#include "CommonDialog.h"
#include "DesignFont.h"
#include "FaultyDisk.h"
#include "MessageBoxes.h"
#include "basTools.h"
#include "frmMain.h"

using namespace tessark;
using namespace tessark::test;

namespace {

// Answers the file dialogs from a queue (a path, or nothing for a cancel) and
// records what each dialog showed.
class ScriptedPrompt final : public FilePrompt {
public:
    struct Shown {
        Mode mode;
        QStringList descriptions;
        int selected;
    };
    std::optional<QString> Ask(Mode mode, const QList<FileFilter>& filters, int& selectedFilter,
                               const QString&) override {
        Shown s{mode, {}, selectedFilter};
        for (const FileFilter& f : filters) s.descriptions << f.description;
        shown->push_back(s);
        if (answers->empty()) return std::nullopt;
        auto answer = answers->front();
        answers->pop_front();
        if (answer && !chooseFilter->empty()) {
            selectedFilter = chooseFilter->front();
            chooseFilter->pop_front();
        }
        return answer;
    }
    std::deque<std::optional<QString>>* answers = nullptr;
    std::deque<int>* chooseFilter = nullptr;
    std::vector<Shown>* shown = nullptr;
};

// The cursor as the buttons' hover poll sees it: over the last pressed button.
class FakeCursor final : public CursorProbe {
public:
    QPoint Pos() const override { return {}; }
    QWidget* WidgetAt(const QPoint&) const override { return under; }
    QWidget* under = nullptr;
};

// One interactive start-up: the window loaded and shown, the message boxes
// and file dialogs scripted, the desktop's open operation recorded.
struct Session {
    explicit Session(bool scriptDialogs = true) {
        basMain::InputFile.clear();
        basMain::OutputFile.clear();
        basMain::BatchMode = False;
        basMain::SetExitHandler([this](int code) { exitCodes << code; });
        Command::SetCursorProbe(&cursor);
        basMain::Main({}, host);
        basMain::SetMessageSink(&sink);
        basTools::SetShellOpener([this](const QString& what) { opened << what; });
        if (scriptDialogs) {
            auto prompt = std::make_unique<ScriptedPrompt>();
            prompt->answers = &answers;
            prompt->chooseFilter = &chooseFilter;
            prompt->shown = &shown;
            form().cmDialog1.SetPrompt(std::move(prompt));
        }
    }
    ~Session() {
        basMain::SetExitHandler({});
        basMain::SetMessageSink(nullptr);
        basMain::SetWindow(nullptr);
        basTools::SetShellOpener({});
        SetYieldHook(nullptr);
        Command::SetCursorProbe(nullptr);
    }
    frmMain& form() { return *host.Form(); }
    // The cursor moves onto the button, then a left click.
    void Press(Command* button) {
        cursor.under = button;
        QTest::mouseMove(button, QPoint(10 + (moves++ % 5), 10));
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    }

    FakeCursor cursor;
    int moves = 0;
    frmMainHost host;
    RecordingSink sink;
    std::deque<std::optional<QString>> answers;
    std::deque<int> chooseFilter;
    std::vector<ScriptedPrompt::Shown> shown;
    QStringList opened;
    QList<int> exitCodes;
};

// Runs `step` on the next modal dialog once it is open (polled from the
// event loop, so it works whichever loop is running then).
void OnModal(std::function<void(QWidget*)> step) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, step] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        poll->stop();
        poll->deleteLater();
        step(modal);
    });
    poll->start();
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startupAndCloseUseSettings_data();
    void startupAndCloseUseSettings();
    void encodingMenu_data();
    void encodingMenu();
    void readableTextMenu();
    void wholeConversion();
    void cancelledDialogKeepsChoice();
    void filterIndexCarriesOver();
    void realDialogs_data();
    void realDialogs();
    void secondClickDuringConversionIgnored();
    void readmeAndWebsite();
    void diskFaults_data();
    void diskFaults();
    void messageBoxes_data();
    void messageBoxes();
    void design_data();
    void design();
    void designWhole();
    void parseFilter_data();
    void parseFilter();
};

void FrmMainTest::startupAndCloseUseSettings_data() {
    QTest::addColumn<QString>("stored");  // "<none>": the store is empty
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("rewritten");
    QTest::newRow("empty store") << "<none>" << true << "True";
    QTest::newRow("0") << "0" << false << "False";
    QTest::newRow("false") << "false" << false << "False";
    QTest::newRow("yes") << "yes" << false << "False";
    QTest::newRow("1") << "1" << true << "True";
    QTest::newRow("-1") << "-1" << true << "True";
    QTest::newRow("TRUE") << "TRUE" << true << "True";
}

void FrmMainTest::startupAndCloseUseSettings() {
    QFETCH(QString, stored);
    QFETCH(bool, checked);
    QFETCH(QString, rewritten);
    TempSettings settings;
    if (stored != "<none>") {
        QSettings s = settings.Open();
        for (const OptionInfo& info : kOptions) s.setValue(info.name, stored);
    }
    Session session;
    // In an empty store the readable-text options are off (their check items
    // in the context menu), the classic ones on.
    const bool empty = stored == "<none>";
    for (const OptionInfo& info : kOptions)
        QCOMPARE(session.form().Value(info.option) == 1, empty && !info.classic ? false : checked);
    // Changing nothing and closing rewrites every key (and adds no
    // readable-text key that was missing while its option is off).
    session.form().close();
    QCOMPARE(session.exitCodes, QList<int>{0});
    QSettings s = settings.Open();
    for (const OptionInfo& info : kOptions)
        QCOMPARE(s.value(info.name).toString(), empty && !info.classic ? QString() : rewritten);
}

// The context menu's submenu "Readable text": four check items, loaded from
// the store, passed to the conversion, and saved on close.
void FrmMainTest::readableTextMenu() {
    TempSettings settings;
    {
        QSettings s = settings.Open();
        s.setValue("KeepAltText", "True");
    }
    Session session;
    frmMain& f = session.form();
    QVERIFY(f.ContextMenu && f.mnuReadableText);
    QCOMPARE(f.mnuReadableText->title().remove(u'&'), QStringLiteral("Readable text"));
    QCOMPARE(f.ContextMenu, f.mnuEncoding);
    QCOMPARE(f.ContextMenu->actions().last()->menu(), f.mnuReadableText);
    const QList<QAction*> items = f.mnuReadableText->actions();
    QStringList names;
    for (QAction* item : items) {
        QVERIFY(item->isCheckable());
        names << item->objectName();
    }
    QCOMPARE(names, (QStringList{"chkBreakAtBlocks", "chkKeepLinks", "chkKeepAltText", "chkDecodeAllReferences"}));
    for (const Option option : {Option::BreakAtBlocks, Option::KeepLinks, Option::KeepAltText,
                                Option::DecodeAllReferences}) {
        QVERIFY(f.CheckBox(option) == nullptr);
        QCOMPARE(f.CheckItem(option)->isChecked(), option == Option::KeepAltText);
    }

    // A right click opens the menu where it was made.
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5), f.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&f, &rightClick);
    QTRY_VERIFY(f.ContextMenu->isVisible());
    f.ContextMenu->hide();

    // Ticked items reach the engine with the next conversion.
    f.CheckItem(Option::BreakAtBlocks)->trigger();
    f.CheckItem(Option::KeepAltText)->trigger();
    basMain::ApplyOptions();
    QCOMPARE(int(basMain::Engine->BreakAtBlocks), -1);
    QCOMPARE(int(basMain::Engine->KeepAltText), 0);
    QCOMPARE(int(basMain::Engine->KeepLinks), 0);

    f.close();
    QSettings s = settings.Open();
    QCOMPARE(s.value("BreakAtBlocks").toString(), QStringLiteral("True"));
    QCOMPARE(s.value("KeepAltText").toString(), QStringLiteral("False"));
    QVERIFY(!s.contains("KeepLinks"));
    QVERIFY(!s.contains("DecodeAllReferences"));
}

// The "Text encoding" menu: what it shows for the stored setting, how it is
// opened (a right-click on the background or a frame, the context-menu key
// on a focused check box), and what closing the window stores.
void FrmMainTest::encodingMenu_data() {
    QTest::addColumn<QString>("stored");  // "<none>": no Encoding key
    QTest::addColumn<QString>("shown");   // the checked choice at start
    QTest::addColumn<QString>("open");    // "", "background", "frame", "key"
    QTest::addColumn<QString>("choose");
    QTest::addColumn<QString>("saved");  // "<none>": still no key
    const QString classic = QStringLiteral("Windows-1252 (classic)");
    const QString detect = QStringLiteral("Detect automatically");
    QTest::newRow("no key, untouched") << "<none>" << classic << "" << "" << "<none>";
    QTest::newRow("utf-8 stored") << "utf-8" << "UTF-8" << "" << "" << "utf-8";
    QTest::newRow("AUTO stored") << " AUTO" << detect << "" << "" << "auto";
    QTest::newRow("unreadable") << "latin1" << classic << "" << "" << "windows-1252";
    QTest::newRow("background: UTF-8") << "<none>" << classic << "background" << "UTF-8" << "utf-8";
    QTest::newRow("frame: detect") << "utf-8" << "UTF-8" << "frame" << detect << "auto";
    QTest::newRow("key: classic") << "auto" << detect << "key" << classic << "windows-1252";
    QTest::newRow("no key, classic chosen") << "<none>" << classic << "frame" << classic << "<none>";
}

void FrmMainTest::encodingMenu() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, open);
    QFETCH(QString, choose);
    QFETCH(QString, saved);
    TempSettings settings;
    if (stored != "<none>") settings.Open().setValue(kEncodingKey, stored);
    Session session;
    frmMain& form = session.form();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QMenu* menu = form.mnuEncoding;
    QCOMPARE(menu->title(), QStringLiteral("Text encoding"));
    QStringList captions, checked;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || a->menu()) continue;
        captions << a->text();
        if (a->isChecked()) checked << a->text();
    }
    QCOMPARE(captions, (QStringList{"Windows-1252 (classic)", "UTF-8", "Detect automatically"}));
    QCOMPARE(checked, QStringList{shown});

    if (open == "background" || open == "frame") {
        // A right-click as the window system delivers it.
        const QPoint at = open == "background" ? QPoint(form.width() - 5, form.height() - 5)
                                               : form.Frame2->geometry().topLeft() + QPoint(3, 40);
        QTest::mouseClick(form.windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    } else if (open == "key") {
        // The context-menu key goes to the focused check box, which leaves it to the window.
        QCheckBox* box = form.CheckBox(Option::RemoveTabs);
        box->setFocus();
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(box, &key);
    }
    if (!open.isEmpty()) {
        QTRY_VERIFY(menu->isVisible());
        for (QAction* a : menu->actions())
            if (a->text() == choose) a->trigger();
        menu->close();
        QCOMPARE(form.EncodingChoice(), *TextEncoding::ParseSetting(saved == "<none>" ? "windows-1252" : saved));
    }
    form.close();
    QSettings s = settings.Open();
    QCOMPARE(s.contains(kEncodingKey) ? s.value(kEncodingKey).toString() : QStringLiteral("<none>"), saved);
}

void FrmMainTest::wholeConversion() {
    TempSettings settings;
    QTemporaryDir dir;
    const QString in = dir.filePath("in.html");
    const QString out = dir.filePath("out.txt");
    WriteFile(out, "old output");
    Session s;
    auto& f = s.form();

    s.Press(f.cmdRemoveHTML);
    QCOMPARE(s.sink.shown, QStringList{"You have not selected the input file."});

    s.answers.push_back(in);
    s.Press(f.cmdSelectInput);
    QCOMPARE(basMain::InputFile, in);
    s.Press(f.cmdRemoveHTML);
    QCOMPARE(s.sink.shown.last(), QString("You have not selected the output file."));

    s.answers.push_back(out);
    s.Press(f.cmdSelectOutput);
    QCOMPARE(basMain::OutputFile, out);
    s.Press(f.cmdRemoveHTML);
    QCOMPARE(s.sink.shown.last(), QString("Input file is missing"));
    QVERIFY(s.sink.asked.isEmpty());

    WriteFile(in, "");
    s.Press(f.cmdRemoveHTML);
    QCOMPARE(s.sink.asked, QStringList{"Output file already exists, overwrite?"});
    QCOMPARE(s.sink.shown.last(), QString("Input file is empty!"));
    QCOMPARE(ReadFile(out), QByteArray("old output"));

    WriteFile(in, "<html><head><script>var a = 1;</script></head><body><p>Hello &amp; world</p></body></html>\n");
    s.sink.answers.push_back(false);  // Cancel
    const int before = int(s.sink.shown.size());
    s.Press(f.cmdRemoveHTML);
    QCOMPARE(int(s.sink.shown.size()), before);
    QCOMPARE(ReadFile(out), QByteArray("old output"));

    // The options in effect are the check boxes at the time of the click.
    f.CheckBox(Option::GenerateSpecialChars)->setChecked(false);
    s.sink.answers.push_back(true);
    s.Press(f.cmdRemoveHTML);
    QCOMPARE(s.sink.shown.last(), QString("Done"));
    QCOMPARE(ReadFile(out), QByteArray("Hello &amp; world"));
    QCOMPARE(s.sink.shown, (QStringList{"You have not selected the input file.", "You have not selected the output file.",
                                        "Input file is missing", "Input file is empty!", "Done"}));
    // Both dialogs showed their filters.
    QCOMPARE(s.shown.size(), std::size_t{2});
    QCOMPARE(s.shown[0].mode, FilePrompt::Mode::Open);
    QCOMPARE(s.shown[0].descriptions, (QStringList{"HTML files (*.html)", "HTM Files(*.htm)", "All files(*.*)"}));
    QCOMPARE(s.shown[1].mode, FilePrompt::Mode::Save);
    QCOMPARE(s.shown[1].descriptions, (QStringList{"Text files", "All files(*.*)"}));
}

void FrmMainTest::cancelledDialogKeepsChoice() {
    TempSettings settings;
    Session s;
    s.answers = {QString("/data/first.html"), std::nullopt, QString("/data/out"), std::nullopt};
    s.Press(s.form().cmdSelectInput);
    s.Press(s.form().cmdSelectInput);
    QCOMPARE(basMain::InputFile, QString("/data/first.html"));
    QCOMPARE(basMain::Err.Number, CommonDialog::kCancelError);
    s.Press(s.form().cmdSelectOutput);
    s.Press(s.form().cmdSelectOutput);
    QCOMPARE(basMain::OutputFile, QString("/data/out"));  // no extension added
    QVERIFY(s.sink.shown.isEmpty());                     // a cancel shows nothing
}

void FrmMainTest::filterIndexCarriesOver() {
    TempSettings settings;
    Session s;
    s.answers = {QString("/a.htm"), QString("/b.txt"), QString("/c.htm")};
    s.chooseFilter = {1, 1};  // "HTM Files(*.htm)", then "All files(*.*)"
    s.Press(s.form().cmdSelectInput);
    QCOMPARE(s.form().cmDialog1.FilterIndex, 2);
    s.Press(s.form().cmdSelectOutput);  // the Save dialog opens on entry 2 too
    s.Press(s.form().cmdSelectInput);
    QCOMPARE(s.shown.size(), std::size_t{3});
    QCOMPARE(s.shown[0].selected, 0);
    QCOMPARE(s.shown[1].selected, 1);
    QCOMPARE(s.shown[2].selected, 1);
}

// The real dialogs: their filters as shown, a typed name without extension,
// a cancel.
void FrmMainTest::realDialogs_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("typed");  // empty: cancel
    QTest::newRow("open") << false << QStringList{"HTML files (*.html)", "HTM Files(*.htm)", "All files(*.*)"}
                          << "page.html";
    QTest::newRow("save without extension") << true << QStringList{"Text files", "All files(*.*)"} << "out";
    QTest::newRow("open cancelled") << false << QStringList{"HTML files (*.html)", "HTM Files(*.htm)", "All files(*.*)"}
                                    << "";
}

void FrmMainTest::realDialogs() {
    QFETCH(bool, save);
    QFETCH(QStringList, filters);
    QFETCH(QString, typed);
    TempSettings settings;
    QTemporaryDir dir;
    WriteFile(dir.filePath("page.html"), "<p>x</p>");
    Session s(false);
    basMain::InputFile = "/kept.html";
    QStringList seen;
    OnModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            if (modal) modal->close();
            return;
        }
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; types && i < types->count(); ++i) seen << types->itemText(i);
        if (typed.isEmpty()) {
            dialog->reject();
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (name) name->setText(dir.filePath(typed));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    s.Press(save ? s.form().cmdSelectOutput : s.form().cmdSelectInput);
    QCOMPARE(seen, filters);
    const QString result = save ? basMain::OutputFile : basMain::InputFile;
    if (typed.isEmpty()) {
        QCOMPARE(result, QString("/kept.html"));
    } else {
        QCOMPARE(result, dir.filePath(typed));  // exactly as typed: no suffix added
    }
}

void FrmMainTest::secondClickDuringConversionIgnored() {
    TempSettings settings;
    QTemporaryDir dir;
    const QString in = dir.filePath("in.html");
    WriteFile(in, QByteArray("<p>a</p>\n").repeated(2000));
    Session s;
    basMain::InputFile = in;
    basMain::OutputFile = dir.filePath("out.txt");
    int yields = 0;
    bool runningSeen = false;
    SetYieldHook([&] {
        // A press on the button while the engine lets events through.
        if (yields++ == 0) {
            runningSeen = s.form().Converting();
            s.Press(s.form().cmdRemoveHTML);
        }
        basMain::DoEvents();
    });
    s.Press(s.form().cmdRemoveHTML);
    QVERIFY(yields > 0);
    QVERIFY(runningSeen);
    QCOMPARE(s.sink.shown, QStringList{"Done"});
    QVERIFY(!s.form().Converting());
    // Once it has finished, the button works again.
    s.sink.answers.push_back(true);
    s.Press(s.form().cmdRemoveHTML);
    QCOMPARE(s.sink.shown, (QStringList{"Done", "Done"}));
}

void FrmMainTest::readmeAndWebsite() {
    TempSettings settings;
    Session s;
    s.Press(s.form().cmdReadme);
    s.Press(s.form().cmdWebsite);
    QCOMPARE(s.opened, (QStringList{basMain::AppFolder + "readme.txt", "https://orvane.example/tessark"}));
    QVERIFY(s.sink.shown.isEmpty());
}

// A failing disk under "Remove HTML": the error in a message box after the
// question, no "Done", the old output byte for byte and nothing else left in
// the folder; the next press converts.
void FrmMainTest::diskFaults_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");
    using F = FaultyDisk::Fault;
    QTest::newRow("input cannot be opened") << int(F::OpenRead) << EACCES << "RemoveHTML: Error 70: Permission denied";
    QTest::newRow("input read error") << int(F::Read) << EIO << "RemoveHTML: Error 57: Device I/O error";
    QTest::newRow("output cannot be created") << int(F::OpenWrite) << EACCES << "RemoveHTML: Error 70: Permission denied";
    QTest::newRow("disk full") << int(F::Write) << ENOSPC << "RemoveHTML: Error 61: Disk full";
    QTest::newRow("rename fails") << int(F::Rename) << EIO << "RemoveHTML: Error 57: Device I/O error";
}

void FrmMainTest::diskFaults() {
    QFETCH(int, fault);
    QFETCH(int, error);
    QFETCH(QString, message);
    TempSettings settings;
    QTemporaryDir dir;
    const QByteArray old = "old\r\noutput";
    WriteFile(dir.filePath("in.html"), "<p>new</p>");
    WriteFile(dir.filePath("out.txt"), old);
    DiskFileSystem real;
    FaultyDisk disk(real);
    disk.Arm({FaultyDisk::Fault(fault), error, 1, {}});
    basProcessing::SetFileSystem(&disk);
    struct Restore {
        ~Restore() { basProcessing::SetFileSystem(nullptr); }
    } restore;
    Session s;
    basMain::InputFile = dir.filePath("in.html");
    basMain::OutputFile = dir.filePath("out.txt");
    s.Press(s.form().cmdRemoveHTML);
    QCOMPARE(disk.Struck(), 1);
    QCOMPARE(s.sink.asked, QStringList{"Output file already exists, overwrite?"});
    QCOMPARE(s.sink.shown, QStringList{message});
    QCOMPARE(ReadFile(dir.filePath("out.txt")), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"in.html", "out.txt"}));
    s.Press(s.form().cmdRemoveHTML);
    QCOMPARE(s.sink.shown, (QStringList{message, "Done"}));
    QCOMPARE(ReadFile(dir.filePath("out.txt")), QByteArray("new"));
}

void FrmMainTest::messageBoxes_data() {
    QTest::addColumn<bool>("question");
    QTest::addColumn<bool>("pressOk");
    QTest::newRow("message") << false << true;
    QTest::newRow("question, OK") << true << true;
    QTest::newRow("question, Cancel") << true << false;
}

void FrmMainTest::messageBoxes() {
    QFETCH(bool, question);
    QFETCH(bool, pressOk);
    QWidget parent;
    DialogMessageSink sink(&parent);
    QString title;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QList<QMessageBox::StandardButton> buttons;
    OnModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        icon = box->icon();
        for (QAbstractButton* b : box->buttons()) buttons << box->standardButton(b);
        box->button(pressOk ? QMessageBox::Ok : QMessageBox::Cancel)->click();
    });
    if (question) {
        QCOMPARE(sink.AskOkCancel("Output file already exists, overwrite?"), pressOk);
        QCOMPARE(buttons.size(), 2);
        QVERIFY(buttons.contains(QMessageBox::Cancel));
    } else {
        sink.Show("Done");
        QCOMPARE(buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    }
    QCOMPARE(title, QString("Tessark"));
    QCOMPARE(icon, QMessageBox::NoIcon);
}

// The window's design, one row per control: kind, container, place and size
// in twips, tab index (-1: takes no focus), caption, font (the design's
// family, point size, bold, italic), text colour and background colour
// (0xRRGGBB; -1 where the control has none of its own).
struct DesignRow {
    const char* name;
    const char* kind;
    const char* container;
    int left, top, width, height;
    int tabIndex;
    const char* caption;
    const char* family;
    double points;
    bool bold, italic;
    int textColour, backColour;
};

constexpr int kWindowBlue = 0x66AFE6;   // RGB(102, 175, 230)
constexpr int kNoticeBlue = 0x5CC5E7;   // RGB(92, 197, 231)
constexpr int kWhite = 0xFFFFFF;

const DesignRow kDesign[] = {
    {"Frame1", "frame", "frmMain", 60, 30, 4425, 2265, -1, "Options", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveComments", "check", "Frame1", 120, 300, 3255, 195, 1, "Remove Comments (<!-- -->)", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveScripts", "check", "Frame1", 120, 510, 4275, 195, 2, "Remove Scripts (<SCRIPT> </SCRIPT>)", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveStyles", "check", "Frame1", 120, 720, 3885, 195, 3, "Remove Styles(<STYLE> </STYLE>)", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveFunctions", "check", "Frame1", 120, 930, 3885, 195, 12, "Remove functions ( { } )", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemovePipe", "check", "Frame1", 120, 1140, 3885, 195, 4, "Remove pipe character '|'", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveTabs", "check", "Frame1", 120, 1350, 4215, 195, 5, "Remove TAB characters", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkGenerateSpecialChars", "check", "Frame1", 120, 1560, 4125, 195, 6, "Generate foreign && special characters", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveAllTags", "check", "Frame1", 120, 1770, 3225, 195, 7, "Remove all tags < >", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"Frame2", "frame", "frmMain", 30, 2310, 4455, 1185, -1, "Whitespace removal", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveSpaces", "check", "Frame2", 150, 270, 3255, 195, 11, "Remove Spaces", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveBlankLines", "check", "Frame2", 150, 480, 3405, 195, 10, "Remove Blank Lines", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"chkRemoveAllCRLF", "check", "Frame2", 150, 690, 4095, 195, 9, "Remove all lines - extract only words", "Verdana", 8.25, true, true, kWhite, kWindowBlue},
    {"cmdSelectInput", "button", "frmMain", 4590, 120, 2115, 525, 14, "Select Input File", "MS Sans Serif", 8.25, false, false, 0x000000, -1},
    {"cmdSelectOutput", "button", "frmMain", 4590, 720, 2115, 525, 15, "Select Output File", "MS Sans Serif", 8.25, false, false, 0x000000, -1},
    {"cmdRemoveHTML", "button", "frmMain", 4590, 1440, 2115, 765, 16, "Remove HTML", "MS Sans Serif", 8.25, false, false, 0x000000, -1},
    {"cmdReadme", "button", "frmMain", 4620, 2400, 2085, 495, 17, "Readme.txt", "MS Sans Serif", 8.25, false, false, 0x000000, -1},
    {"cmdWebsite", "button", "frmMain", 4620, 2970, 2085, 525, 18, "Visit Website", "MS Sans Serif", 8.25, false, false, 0x000000, -1},
    {"Text1", "text", "frmMain", 90, 3570, 2745, 255, 13, nullptr, "Arial", 8.25, true, false, 0x000000, kNoticeBlue},
    {"Shape1", "shape", "frmMain", 30, 3630, 2715, 255, -1, nullptr, nullptr, 0, false, false, -1, -1},
};

// The families the design's fonts become on a machine set up by
// scripts/deps.sh (fonts-dejavu-core, fonts-liberation).
QString ExpectedInstalled(const QString& designFamily) {
    return designFamily == "Arial" ? QString("Liberation Sans") : QString("DejaVu Sans");
}

QString Colour(int rgb) { return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper(); }
QString Colour(const QColor& c) { return Colour(int(c.rgb() & 0xFFFFFF)); }

void FrmMainTest::design_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kDesign)); ++i) QTest::newRow(kDesign[i].name) << i;
}

void FrmMainTest::design() {
    QFETCH(int, row);
    const DesignRow& d = kDesign[row];
    for (const char* family : {"DejaVu Sans", "Liberation Sans"})
        if (!QFontDatabase::hasFamily(family))
            QFAIL(qPrintable(QString("font %1 is not installed: the design cannot be checked; run scripts/deps.sh "
                                     "(fonts-dejavu-core, fonts-liberation)").arg(family)));
    TempSettings settings;
    Session s;
    frmMain& f = s.form();
    QWidget* control = f.findChild<QWidget*>(d.name);
    QVERIFY2(control, d.name);

    // Kind and container.
    const QString kind = d.kind;
    if (kind == "frame") QVERIFY(qobject_cast<QGroupBox*>(control));
    if (kind == "check") QVERIFY(qobject_cast<QCheckBox*>(control));
    if (kind == "button") QVERIFY(qobject_cast<Command*>(control));
    if (kind == "text") QVERIFY(qobject_cast<QLineEdit*>(control));
    if (kind == "shape") QVERIFY(qobject_cast<QFrame*>(control) && !qobject_cast<QGroupBox*>(control));
    QCOMPARE(control->parentWidget()->objectName(), QString(d.container));

    // Place and size: twips at 15 per pixel.
    for (int twips : {d.left, d.top, d.width, d.height}) QCOMPARE(twips % 15, 0);
    QCOMPARE(control->geometry(), QRect(d.left / 15, d.top / 15, d.width / 15, d.height / 15));

    // Caption.
    if (auto* frame = qobject_cast<QGroupBox*>(control)) QCOMPARE(frame->title(), QString(d.caption));
    if (auto* box = qobject_cast<QCheckBox*>(control)) QCOMPARE(box->text(), QString(d.caption));
    if (auto* button = qobject_cast<Command*>(control)) {
        QCOMPARE(button->Caption(), QString(d.caption));
        QVERIFY(button->MouseTimer().isActive());  // the load handler initialised it
    }

    // Font: the design's family, and what this machine shows for it.
    if (d.family) {
        QCOMPARE(control->property(kDesignFontFamily).toString(), QString(d.family));
        const QFont font = qobject_cast<Command*>(control) ? qobject_cast<Command*>(control)->Font() : control->font();
        QCOMPARE(font.family(), ExpectedInstalled(d.family));
        QCOMPARE(font.pointSizeF(), d.points);
        QCOMPARE(font.bold(), d.bold);
        QCOMPARE(font.italic(), d.italic);
    }

    // Colours.
    if (auto* button = qobject_cast<Command*>(control)) {
        QCOMPARE(Colour(ColourFromRef(button->FontColour())), Colour(d.textColour));
    } else if (kind == "text") {
        QCOMPARE(Colour(control->palette().color(QPalette::Text)), Colour(d.textColour));
        QCOMPARE(Colour(control->palette().color(QPalette::Base)), Colour(d.backColour));
    } else if (d.textColour >= 0) {
        QCOMPARE(Colour(control->palette().color(QPalette::WindowText)), Colour(d.textColour));
        QCOMPARE(Colour(control->palette().color(QPalette::Window)), Colour(d.backColour));
    }

    // Focus: the controls with a tab index take it from the keyboard, the
    // others never.
    QCOMPARE(bool(control->focusPolicy() & Qt::TabFocus), d.tabIndex >= 0);
}

// The whole window: title, size, icon, the background colour where it shows,
// white captions, the notice line's colour, and the focus order that the tab
// indexes of the design give.
void FrmMainTest::designWhole() {
    TempSettings settings;
    Session s;
    frmMain& f = s.form();
    QCOMPARE(f.windowTitle(), QString("Tessark v1.0 Build 20"));
    QCOMPARE(f.size(), QSize(6810 / 15, 3930 / 15));
    QVERIFY(!f.windowIcon().isNull());
    QCOMPARE(Colour(f.palette().color(QPalette::Window)), Colour(kWindowBlue));
    QCOMPARE(f.findChildren<Command*>().size(), 5);
    QCOMPARE(f.findChildren<QCheckBox*>().size(), 11);

    std::vector<const DesignRow*> focusable;
    for (const DesignRow& d : kDesign)
        if (d.tabIndex >= 0) focusable.push_back(&d);
    std::sort(focusable.begin(), focusable.end(),
              [](const DesignRow* a, const DesignRow* b) { return a->tabIndex < b->tabIndex; });
    QStringList expected, order;
    for (const DesignRow* d : focusable) expected << d->name;
    QWidget* w = f.findChild<QWidget*>(expected.first());
    for (int i = 0; i < expected.size(); ++i) {
        order << w->objectName();
        do {
            w = w->nextInFocusChain();
        } while (!(w->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(order, expected);
    QCOMPARE(w->objectName(), expected.first());  // the chain closes

    // Rendered: the frames show the window's blue (the tile does not show
    // through them), their captions are white, the notice line is its own blue.
    const QImage shot = f.grab().toImage();
    // (Inside its border the style shades the panel a little; beside the
    // title it shows the frame's own colour.)
    const QPoint inFrame1 = f.Frame1->geometry().topRight() + QPoint(-12, 4);
    QCOMPARE(Colour(shot.pixelColor(inFrame1)), Colour(kWindowBlue));
    const QRect title(f.Frame1->geometry().topLeft(), QSize(f.Frame1->width(), 16));
    const QRect caption = f.CheckBox(Option::RemoveComments)->geometry().translated(f.Frame1->pos());
    for (const QRect& area : {title, caption}) {
        int white = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) white += (shot.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
        QVERIFY2(white > 20, qPrintable(QString("white pixels: %1").arg(white)));
    }
    const QRect notice = f.Text1->geometry();
    QCOMPARE(Colour(shot.pixelColor(notice.right() - 3, notice.center().y())), Colour(kNoticeBlue));
}

void FrmMainTest::parseFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QStringList>("patterns");  // one joined text per entry
    QTest::newRow("open") << "HTML files (*.html)|*.html|HTM Files(*.htm)|*.htm|All files(*.*)|*.*"
                          << QStringList{"HTML files (*.html)", "HTM Files(*.htm)", "All files(*.*)"}
                          << QStringList{"*.html", "*.htm", "*"};
    QTest::newRow("several patterns") << "Pages|*.htm;*.html" << QStringList{"Pages"} << QStringList{"*.htm *.html"};
    QTest::newRow("odd tail ignored") << "Text files|*.txt|Broken" << QStringList{"Text files"} << QStringList{"*.txt"};
    QTest::newRow("empty") << "" << QStringList{} << QStringList{};
}

void FrmMainTest::parseFilter() {
    QFETCH(QString, filter);
    QFETCH(QStringList, descriptions);
    QFETCH(QStringList, patterns);
    QStringList gotDescriptions, gotPatterns;
    for (const FileFilter& f : ParseFilter(filter)) {
        gotDescriptions << f.description;
        gotPatterns << f.patterns.join(' ');
    }
    QCOMPARE(gotDescriptions, descriptions);
    QCOMPARE(gotPatterns, patterns);
}

QTEST_MAIN(FrmMainTest)
#include "test_frmMain.moc"
