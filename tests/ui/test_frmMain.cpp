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
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <optional>

#include "AppTestSupport.h"
#include "Command.h"
#include "CommonDialog.h"
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
    void messageBoxes_data();
    void messageBoxes();
    void design();
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

void FrmMainTest::design() {
    TempSettings settings;
    Session s;
    frmMain& f = s.form();
    QCOMPARE(f.windowTitle(), QString("Tessark v1.0 Build 20"));
    QCOMPARE(f.size(), QSize(454, 262));
    QVERIFY(!f.windowIcon().isNull());

    // Focus order.
    const QStringList expected{"chkRemoveComments", "chkRemoveScripts", "chkRemoveStyles", "chkRemovePipe",
                               "chkRemoveTabs", "chkGenerateSpecialChars", "chkRemoveAllTags", "chkRemoveAllCRLF",
                               "chkRemoveBlankLines", "chkRemoveSpaces", "chkRemoveFunctions", "Text1",
                               "cmdSelectInput", "cmdSelectOutput", "cmdRemoveHTML", "cmdReadme", "cmdWebsite"};
    QStringList order;
    QWidget* w = f.CheckBox(Option::RemoveComments);
    for (int i = 0; i < expected.size(); ++i) {
        order << w->objectName();
        do {
            w = w->nextInFocusChain();
        } while (!(w->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(order, expected);

    // Captions and places (pixels), and the buttons' hover polling.
    struct Row {
        const char* name;
        const char* caption;
        QRect geometry;
    };
    const Row rows[] = {
        {"chkRemoveComments", "Remove Comments (<!-- -->)", {8, 20, 217, 13}},
        {"chkRemovePipe", "Remove pipe character '|'", {8, 76, 259, 13}},
        {"chkGenerateSpecialChars", "Generate foreign && special characters", {8, 104, 275, 13}},
        {"chkRemoveAllCRLF", "Remove all lines - extract only words", {10, 46, 273, 13}},
        {"cmdSelectInput", "Select Input File", {306, 8, 141, 35}},
        {"cmdRemoveHTML", "Remove HTML", {306, 96, 141, 51}},
        {"cmdReadme", "Readme.txt", {308, 160, 139, 33}},
        {"cmdWebsite", "Visit Website", {308, 198, 139, 35}},
    };
    for (const Row& row : rows) {
        QWidget* control = f.findChild<QWidget*>(row.name);
        QVERIFY2(control, row.name);
        QCOMPARE(control->geometry(), row.geometry);
        if (auto* box = qobject_cast<QCheckBox*>(control)) QCOMPARE(box->text(), QString(row.caption));
        if (auto* button = qobject_cast<Command*>(control)) {
            QCOMPARE(button->Caption(), QString(row.caption));
            QVERIFY(button->MouseTimer().isActive());
        }
    }
    QCOMPARE(f.Frame1->title(), QString("Options"));
    QCOMPARE(f.Frame2->title(), QString("Whitespace removal"));
    QCOMPARE(f.CheckBox(Option::RemoveSpaces)->parentWidget(), f.Frame2);
    QVERIFY(f.CheckBox(Option::RemoveSpaces)->font().bold() && f.CheckBox(Option::RemoveSpaces)->font().italic());
    QCOMPARE(f.findChildren<Command*>().size(), 5);
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
