// MainWindow (formerly frmMain): the program's only window - eleven option check boxes in two
// frames, the five SkinnedButton buttons, a notice line, the file dialog component
// cmDialog1, and a context menu: the text encoding and the submenu
// "Readable text" with the choice of the engine, readable text's links and
// alt text, and the classic conversion's DecodeAllReferences. Start with
// DesktopWindowHost, which is how start-up sees it.
//
// The window has no logic beyond its handlers: the load handler sets the
// title and initialises the buttons; the Click handlers pick the input and
// output paths (kept by the window), run the conversion job
// (classic::RemoveHTML) with them and the options as ticked, or open
// the readme and the web page; closing the window saves the options (a store
// that cannot be written is said in a message box through the window's
// message sink), and the program ends with its last window. Closing it while a conversion runs
// stops the conversion at its next yield (the old output stays as it was)
// and closes the window once the job has returned. The check boxes and the
// check items are the live copy of the options: LoadOptions and
// SaveOptions reach them through OptionBoxes. Beside them the window keeps the text encoding:
// a right-click on its background or its frames, or the keyboard's
// context-menu key, opens the menu "Text encoding" (mnuEncoding) with three
// exclusive choices, and its checked choice is the live copy of the setting;
// after them the same menu holds the submenu "Readable text": the classic
// conversion or readable text (exclusive), the links (none, inline, list;
// exclusive) and the image alt text, enabled only with readable text, and
// the check item of DecodeAllReferences, enabled only with the classic
// conversion. Its checked items are the live copy of those choices.
//
// Positions and sizes are the design's twips at 15 per pixel; the client area
// is fixed at 454 x 262 pixels.
//
// Thread safety: the window thread only.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "CommonDialog.h"
#include "FileSystem.h"
#include "MessageBoxes.h"
#include "Options.h"
#include "Startup.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QContextMenuEvent;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;

namespace tessark {

class SkinnedButton;

class MainWindow final : public QWidget, public OptionBoxes {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 454;
    static constexpr int kClientHeight = 262;
    static constexpr const char* kWebsite = "https://orvane.example/tessark";

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // OptionBoxes: 0 unchecked, 1 checked.
    int Value(Option option) const override;
    void SetValue(Option option, int value) override;
    // The checked choice of mnuEncoding.
    TextEncoding::Setting EncodingChoice() const override;
    void SetEncodingChoice(TextEncoding::Setting setting) override;
    // The checked choices of mnuReadableText.
    bool ReadableChoice() const override;
    void SetReadableChoice(bool readable) override;
    ReadableOptions LayoutChoice() const override;
    void SetLayoutChoice(const ReadableOptions& layout) override;

    // Handlers.
    void Form_Load();
    void Form_Unload();
    void cmdSelectInput_Click();
    void cmdSelectOutput_Click();
    void cmdRemoveHTML_Click();
    void cmdReadme_Click();
    void cmdWebsite_Click();

    // The title the load handler sets: "Tessark v1.0 Build 20".
    static QString Title();

    // Controls, for the host and tests. CheckBox is null for an option that
    // has no check box but a check item of the context menu (CheckItem).
    QCheckBox* CheckBox(Option option) const { return boxes_[static_cast<std::size_t>(option)]; }
    QAction* CheckItem(Option option) const { return items_[static_cast<std::size_t>(option)]; }
    // The window's context menu (a right click anywhere on it; it is
    // mnuEncoding) and its submenu "Readable text" with its items: the
    // engines, the link choices in the order none, inline, list, the alt
    // text (and CheckItem(Option::DecodeAllReferences)).
    QMenu* ContextMenu = nullptr;
    QMenu* mnuReadableText = nullptr;
    QAction* mnuClassic = nullptr;
    QAction* mnuReadable = nullptr;
    QAction* mnuAltText = nullptr;
    QAction* LinkAction(std::size_t i) const { return linkActions_[i]; }
    SkinnedButton* cmdSelectInput = nullptr;
    SkinnedButton* cmdSelectOutput = nullptr;
    SkinnedButton* cmdRemoveHTML = nullptr;
    SkinnedButton* cmdReadme = nullptr;
    SkinnedButton* cmdWebsite = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QFrame* Shape1 = nullptr;
    CommonDialog cmDialog1;
    // "Text encoding": "Windows-1252 (classic)", "UTF-8", "Detect
    // automatically", in that order, one of them checked.
    QMenu* mnuEncoding = nullptr;
    QAction* EncodingAction(TextEncoding::Setting setting) const;

    // True while the conversion job runs.
    bool Converting() const { return converting_; }
    // The paths chosen in the file dialogs; empty before a choice.
    const QString& InputFile() const { return inputFile_; }
    const QString& OutputFile() const { return outputFile_; }

    // Where the job's messages and questions go: the window's message boxes
    // unless a sink is set (not owned; nullptr restores the boxes).
    void SetMessageSink(MessageSink* sink) { messages_ = sink ? sink : &dialogs_; }
    // How the readme and the web page are opened: the desktop's open
    // operation unless another is set (an empty function restores it).
    using ShellOpener = std::function<void(const QString& pathOrAddress)>;
    void SetShellOpener(ShellOpener opener);

protected:
    void closeEvent(QCloseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    SkinnedButton* AddButton(const char* name, const char* caption, int left, int top, int width, int height);
    void AddReadableTextMenu();
    std::array<QCheckBox*, kOptionCount> boxes_{};
    std::array<QAction*, 3> encodingActions_{};
    std::array<QAction*, kOptionCount> items_{};
    std::array<QAction*, 3> linkActions_{};
    void ShellOpen(const QString& pathOrAddress);
    QString inputFile_;
    QString outputFile_;
    DialogMessageSink dialogs_{this};
    MessageSink* messages_ = &dialogs_;
    ShellOpener shellOpener_;
    DiskFileSystem disk_;
    bool converting_ = false;
    bool closing_ = false;  // closed during a conversion: close when it returns
    bool unloaded_ = false;
};

// The window as start-up sees it. Load creates the window hidden and runs its
// load handler; CheckBoxes and Show need it loaded.
class DesktopWindowHost final : public MainWindowHost {
public:
    void Load() override;
    void Show() override;
    OptionBoxes& CheckBoxes() override;
    MainWindow* Form() const { return form_.get(); }

private:
    std::unique_ptr<MainWindow> form_;
};

}  // namespace tessark
