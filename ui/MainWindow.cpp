#include "MainWindow.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QUrl>

#include "SkinnedButton.h"
#include "DesignFont.h"
#include "ClassicJob.h"

namespace tessark {

namespace {

constexpr int kTwips = 15;
QRect Twips(int left, int top, int width, int height) {
    return {left / kTwips, top / kTwips, width / kTwips, height / kTwips};
}

const QColor kWindowColour(102, 175, 230);
const QColor kNoticeColour(92, 197, 231);

// The check boxes, in the design's control table order.
struct BoxDesign {
    Option option;
    bool inFrame1;
    int left, top, width, height;
    const char* caption;
};
constexpr BoxDesign kBoxes[] = {
    {Option::RemoveComments, true, 120, 300, 3255, 195, "Remove Comments (<!-- -->)"},
    {Option::RemoveScripts, true, 120, 510, 4275, 195, "Remove Scripts (<SCRIPT> </SCRIPT>)"},
    {Option::RemoveStyles, true, 120, 720, 3885, 195, "Remove Styles(<STYLE> </STYLE>)"},
    {Option::RemoveFunctions, true, 120, 930, 3885, 195, "Remove functions ( { } )"},
    {Option::RemovePipe, true, 120, 1140, 3885, 195, "Remove pipe character '|'"},
    {Option::RemoveTabs, true, 120, 1350, 4215, 195, "Remove TAB characters"},
    {Option::GenerateSpecialChars, true, 120, 1560, 4125, 195, "Generate foreign && special characters"},
    {Option::RemoveAllTags, true, 120, 1770, 3225, 195, "Remove all tags < >"},
    {Option::RemoveSpaces, false, 150, 270, 3255, 195, "Remove Spaces"},
    {Option::RemoveBlankLines, false, 150, 480, 3405, 195, "Remove Blank Lines"},
    {Option::RemoveAllCRLF, false, 150, 690, 4095, 195, "Remove all lines - extract only words"},
};

// The link choices of the submenu "Readable text", in menu order.
struct LinksDesign {
    ReadableOptions::Links links;
    const char* name;
    const char* caption;
};
constexpr LinksDesign kLinkChoices[] = {
    {ReadableOptions::Links::None, "mnuLinksNone", "&No links"},
    {ReadableOptions::Links::Inline, "mnuLinksInline", "Links &inline as [URL]"},
    {ReadableOptions::Links::List, "mnuLinksList", "Links in a numbered &list"},
};

// A checkable item of `menu` named `name`, in `group` when one is given.
QAction* AddChoice(QMenu* menu, const char* name, const char* caption, QActionGroup* group = nullptr) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    if (group) group->addAction(action);
    return action;
}

// Keyboard focus order.
constexpr Option kTabOrder[] = {
    Option::RemoveComments, Option::RemoveScripts,     Option::RemoveStyles,  Option::RemovePipe,
    Option::RemoveTabs,     Option::GenerateSpecialChars, Option::RemoveAllTags, Option::RemoveAllCRLF,
    Option::RemoveBlankLines, Option::RemoveSpaces,    Option::RemoveFunctions,
};

// The choices of the "Text encoding" menu, in its order.
struct EncodingChoiceDesign {
    TextEncoding::Setting setting;
    const char* caption;
};
constexpr EncodingChoiceDesign kEncodingChoices[] = {
    {TextEncoding::Setting::Windows1252, "Windows-1252 (classic)"},
    {TextEncoding::Setting::Utf8, "UTF-8"},
    {TextEncoding::Setting::Auto, "Detect automatically"},
};

// White text on the window's blue, Verdana 8.25 bold italic. The frames are
// opaque (the tile does not show through them); the check boxes sit on them.
void StyleOption(QWidget* w, bool opaque) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, kWindowColour);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Button, kWindowColour);
    w->setPalette(palette);
    w->setAutoFillBackground(opaque);
    ApplyDesignFont(w, QStringLiteral("Verdana"), 8.25, true, true);
}

void OpenOnDesktop(const QString& pathOrAddress) {
    const QUrl url = pathOrAddress.contains(QLatin1String("://")) ? QUrl(pathOrAddress)
                                                                   : QUrl::fromLocalFile(pathOrAddress);
    QDesktopServices::openUrl(url);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), cmDialog1(std::make_unique<QtFilePrompt>(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tessark"));  // the load handler sets the real one
    setWindowIcon(QIcon(QStringLiteral(":/tessark/ui/icon.png")));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kWindowColour);
    setPalette(palette);

    Frame1 = new QGroupBox(QStringLiteral("Options"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Twips(60, 30, 4425, 2265));
    StyleOption(Frame1, true);
    Frame2 = new QGroupBox(QStringLiteral("Whitespace removal"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(Twips(30, 2310, 4455, 1185));
    StyleOption(Frame2, true);
    for (QGroupBox* frame : {Frame1, Frame2}) frame->setFocusPolicy(Qt::NoFocus);

    for (const BoxDesign& d : kBoxes) {
        auto* box = new QCheckBox(QString::fromLatin1(d.caption), d.inFrame1 ? Frame1 : Frame2);
        box->setObjectName(CheckBoxName(InfoOf(d.option)));
        box->setGeometry(Twips(d.left, d.top, d.width, d.height));
        StyleOption(box, false);
        boxes_[static_cast<std::size_t>(d.option)] = box;
    }

    cmdSelectInput = AddButton("cmdSelectInput", "Select Input File", 4590, 120, 2115, 525);
    cmdSelectOutput = AddButton("cmdSelectOutput", "Select Output File", 4590, 720, 2115, 525);
    cmdRemoveHTML = AddButton("cmdRemoveHTML", "Remove HTML", 4590, 1440, 2115, 765);
    cmdReadme = AddButton("cmdReadme", "Readme.txt", 4620, 2400, 2085, 495);
    cmdWebsite = AddButton("cmdWebsite", "Visit Website", 4620, 2970, 2085, 525);
    connect(cmdSelectInput, &SkinnedButton::Click, this, &MainWindow::cmdSelectInput_Click);
    connect(cmdSelectOutput, &SkinnedButton::Click, this, &MainWindow::cmdSelectOutput_Click);
    connect(cmdRemoveHTML, &SkinnedButton::Click, this, &MainWindow::cmdRemoveHTML_Click);
    connect(cmdReadme, &SkinnedButton::Click, this, &MainWindow::cmdReadme_Click);
    connect(cmdWebsite, &SkinnedButton::Click, this, &MainWindow::cmdWebsite_Click);

    // Decoration beneath the notice line.
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape1->setGeometry(Twips(30, 3630, 2715, 255));
    Shape1->setFocusPolicy(Qt::NoFocus);

    Text1 = new QLineEdit(QStringLiteral("Freeware. Share it freely."), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(Twips(90, 3570, 2745, 255));
    ApplyDesignFont(Text1, QStringLiteral("Arial"), 8.25, true);
    Text1->setFrame(false);
    QPalette notice = Text1->palette();
    notice.setColor(QPalette::Base, kNoticeColour);
    notice.setColor(QPalette::Text, Qt::black);
    Text1->setPalette(notice);
    Text1->setTextMargins(2, 0, 2, 0);
    Text1->setCursorPosition(0);
    Shape1->lower();

    // Focus order: the option boxes, the notice line, the buttons.
    QList<QWidget*> order;
    for (Option option : kTabOrder) order << CheckBox(option);
    order << Text1 << cmdSelectInput << cmdSelectOutput << cmdRemoveHTML << cmdReadme << cmdWebsite;
    for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order.at(i), order.at(i + 1));

    mnuEncoding = new QMenu(QStringLiteral("Text encoding"), this);
    mnuEncoding->setObjectName(QStringLiteral("mnuEncoding"));
    mnuEncoding->addSection(mnuEncoding->title());
    auto* group = new QActionGroup(mnuEncoding);
    group->setExclusive(true);
    for (std::size_t i = 0; i < std::size(kEncodingChoices); ++i) {
        QAction* action = mnuEncoding->addAction(QString::fromLatin1(kEncodingChoices[i].caption));
        action->setCheckable(true);
        group->addAction(action);
        encodingActions_[i] = action;
    }
    SetEncodingChoice(TextEncoding::Setting::Windows1252);
    AddReadableTextMenu();
    SetShellOpener({});
}

MainWindow::~MainWindow() = default;

SkinnedButton* MainWindow::AddButton(const char* name, const char* caption, int left, int top, int width, int height) {
    auto* button = new SkinnedButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(Twips(left, top, width, height));
    // The button's design settings: its caption and its font; everything
    // else keeps the control's defaults.
    const QString family = QStringLiteral("MS Sans Serif");
    const MemoryPropertyBag design({{QStringLiteral("Caption"), QString::fromLatin1(caption)},
                                    {QStringLiteral("Font"), DesignFont(family, 8.25).toString()}});
    button->ReadProperties(design);
    button->setProperty(kDesignFontFamily, family);
    return button;
}

// The submenu "Readable text" follows the encoding choices in the one
// context menu of the window: the engine (two exclusive choices), then
// readable text's links (three) and alt text, then the classic
// conversion's check item; each part enabled only with its engine.
void MainWindow::AddReadableTextMenu() {
    ContextMenu = mnuEncoding;
    ContextMenu->addSeparator();
    mnuReadableText = ContextMenu->addMenu(QStringLiteral("&Readable text"));
    mnuReadableText->setObjectName(QStringLiteral("mnuReadableText"));
    auto* engines = new QActionGroup(mnuReadableText);
    mnuClassic = AddChoice(mnuReadableText, "mnuClassic", "&Classic conversion", engines);
    mnuReadable = AddChoice(mnuReadableText, "mnuReadable", "&Readable text", engines);
    mnuReadableText->addSeparator();
    auto* links = new QActionGroup(mnuReadableText);
    for (std::size_t i = 0; i < std::size(kLinkChoices); ++i)
        linkActions_[i] = AddChoice(mnuReadableText, kLinkChoices[i].name, kLinkChoices[i].caption, links);
    mnuAltText = AddChoice(mnuReadableText, "mnuAltText", "Image &alt text");
    mnuReadableText->addSeparator();
    const OptionInfo& decode = InfoOf(Option::DecodeAllReferences);
    items_[static_cast<std::size_t>(decode.option)] =
        AddChoice(mnuReadableText, qPrintable(CheckBoxName(decode)), "&Decode all character references");
    connect(mnuReadable, &QAction::toggled, this, [this](bool readable) {
        for (QAction* action : linkActions_) action->setEnabled(readable);
        mnuAltText->setEnabled(readable);
        CheckItem(Option::DecodeAllReferences)->setEnabled(!readable);
    });
    SetReadableChoice(false);
    SetLayoutChoice({});
    Q_EMIT mnuReadable->toggled(false);
}

bool MainWindow::ReadableChoice() const { return mnuReadable->isChecked(); }

void MainWindow::SetReadableChoice(bool readable) { (readable ? mnuReadable : mnuClassic)->setChecked(true); }

ReadableOptions MainWindow::LayoutChoice() const {
    ReadableOptions layout;
    for (std::size_t i = 0; i < std::size(kLinkChoices); ++i)
        if (linkActions_[i]->isChecked()) layout.links = kLinkChoices[i].links;
    layout.altText = mnuAltText->isChecked();
    return layout;
}

void MainWindow::SetLayoutChoice(const ReadableOptions& layout) {
    for (std::size_t i = 0; i < std::size(kLinkChoices); ++i)
        if (kLinkChoices[i].links == layout.links) linkActions_[i]->setChecked(true);
    mnuAltText->setChecked(layout.altText);
}

int MainWindow::Value(Option option) const {
    if (const QCheckBox* box = CheckBox(option)) return box->isChecked() ? 1 : 0;
    return CheckItem(option)->isChecked() ? 1 : 0;
}

void MainWindow::SetValue(Option option, int value) {
    if (QCheckBox* box = CheckBox(option))
        box->setChecked(value != 0);
    else
        CheckItem(option)->setChecked(value != 0);
}

QAction* MainWindow::EncodingAction(TextEncoding::Setting setting) const {
    for (std::size_t i = 0; i < std::size(kEncodingChoices); ++i)
        if (kEncodingChoices[i].setting == setting) return encodingActions_[i];
    return nullptr;
}

TextEncoding::Setting MainWindow::EncodingChoice() const {
    for (std::size_t i = 0; i < std::size(kEncodingChoices); ++i)
        if (encodingActions_[i]->isChecked()) return kEncodingChoices[i].setting;
    return TextEncoding::Setting::Windows1252;
}

void MainWindow::SetEncodingChoice(TextEncoding::Setting setting) { EncodingAction(setting)->setChecked(true); }

QString MainWindow::Title() {
    return QStringLiteral(TESSARK_PRODUCT_NAME " v%1.%2 Build %3")
        .arg(TESSARK_VERSION_MAJOR)
        .arg(TESSARK_VERSION_MINOR)
        .arg(TESSARK_VERSION_REVISION);
}

void MainWindow::Form_Load() {
    setWindowTitle(Title());
    // Each button control, in creation order; one that fails to initialise
    // is skipped.
    for (SkinnedButton* button : findChildren<SkinnedButton*>()) {
        try {
            button->Initialize();
        } catch (...) {
        }
    }
}

void MainWindow::Form_Unload() {
    unloaded_ = true;
    if (const QString failure = startup::SaveOptions(*this, false); !failure.isEmpty()) messages_->Show(failure);
}

// During a conversion the window stays until the job has stopped (at its
// next yield) and returned; cmdRemoveHTML_Click then closes it.
void MainWindow::closeEvent(QCloseEvent* e) {
    if (converting_) {
        closing_ = true;
        e->ignore();
        return;
    }
    if (!unloaded_) Form_Unload();
    e->accept();
}

// Reaches the window from its background, the frames and the check boxes
// (they leave the event to their parent), by mouse or by the context-menu
// key.
void MainWindow::contextMenuEvent(QContextMenuEvent* e) {
    mnuEncoding->popup(e->globalPos());
    e->accept();
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kWindowColour);
    static const QImage tile(QStringLiteral(":/tessark/ui/background.png"));
    if (!tile.isNull()) painter.drawImage(0, 0, tile);  // clipped by the client area
}

void MainWindow::cmdSelectInput_Click() {
    cmDialog1.FileName.clear();
    cmDialog1.Filter = QStringLiteral("HTML files (*.html)|*.html|HTM Files(*.htm)|*.htm|All files(*.*)|*.*");
    cmDialog1.Flags = 4;
    if (const std::optional<QString> chosen = cmDialog1.ShowOpen()) inputFile_ = *chosen;
}

void MainWindow::cmdSelectOutput_Click() {
    cmDialog1.FileName.clear();
    cmDialog1.Filter = QStringLiteral("Text files|*.txt|All files(*.*)|*.*");
    if (const std::optional<QString> chosen = cmDialog1.ShowSave()) outputFile_ = *chosen;
}

void MainWindow::cmdRemoveHTML_Click() {
    // The engine lets the window's events run while it works; a second press
    // meanwhile is ignored rather than starting a conversion inside the first.
    if (converting_) return;
    converting_ = true;
    classic::JobRequest request;
    request.inputFile = inputFile_;
    request.outputFile = outputFile_;
    request.options = startup::CheckedOptions(*this);
    request.encoding = EncodingChoice();
    classic::RemoveHTML(request, disk_, *messages_, [this] {
        QCoreApplication::processEvents();
        return !closing_;
    });
    converting_ = false;
    if (closing_) close();
}

void MainWindow::cmdReadme_Click() { ShellOpen(startup::ProgramFolder() + QStringLiteral("readme.txt")); }

void MainWindow::cmdWebsite_Click() { ShellOpen(QString::fromLatin1(kWebsite)); }

void MainWindow::SetShellOpener(ShellOpener opener) {
    shellOpener_ = opener ? std::move(opener) : ShellOpener(OpenOnDesktop);
}

// The shell's result is not looked at.
void MainWindow::ShellOpen(const QString& pathOrAddress) {
    try {
        shellOpener_(pathOrAddress);
    } catch (...) {
    }
}

// ---- Host -------------------------------------------------------------------

void DesktopWindowHost::Load() {
    form_ = std::make_unique<MainWindow>();
    form_->Form_Load();
}

void DesktopWindowHost::Show() { form_->show(); }

OptionBoxes& DesktopWindowHost::CheckBoxes() { return *form_; }

}  // namespace tessark
