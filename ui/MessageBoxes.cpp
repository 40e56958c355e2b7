#include "MessageBoxes.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <algorithm>
#include <cstdio>

namespace tessark {

namespace {

// Room for a short title in a large title font beside a title bar's icon
// and three buttons as the common window managers draw them (often wider
// than the style's own title bar).
constexpr int kMinimumBoxWidth = 200;
// The title bar the style lays out to learn the room its buttons take.
constexpr int kSampleBarWidth = 1000;

// Qt sizes a message box by its text and buttons, and lets the title have
// only its text width and 50 pixels; with a short text ("Done") the window
// manager's buttons then cover the title. The box is made as wide as the
// title in the title font (bold, as window managers draw it) beside the
// system menu icon and the minimise, maximise and close buttons, as the
// style lays out a title bar, and never narrower than kMinimumBoxWidth. The
// width is a spacer across the box's layout, so that Qt's own sizing, which
// runs again whenever the box lays itself out, keeps it.
void FitTitle(QMessageBox& box) {
    QStyleOptionTitleBar bar;
    bar.initFrom(&box);
    bar.titleBarFlags = box.windowFlags() | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                        Qt::WindowCloseButtonHint;
    bar.rect = QRect(0, 0, kSampleBarWidth, box.style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, &box));
    const QRect label = box.style()->subControlRect(QStyle::CC_TitleBar, &bar, QStyle::SC_TitleBarLabel, &box);
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const int needed = std::max(kMinimumBoxWidth, QFontMetrics(font).horizontalAdvance(box.windowTitle()) +
                                                      kSampleBarWidth - label.width());
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    const QMargins margins = grid->contentsMargins();
    grid->addItem(new QSpacerItem(needed - margins.left() - margins.right(), 0, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

void DialogMessageSink::Show(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kTitle), text, QMessageBox::Ok, parent_);
    FitTitle(box);
    box.exec();
}

bool DialogMessageSink::AskOkCancel(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kTitle), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    box.setDefaultButton(QMessageBox::Ok);
    FitTitle(box);
    return box.exec() == QMessageBox::Ok;
}

void DialogMessageSink::Note(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace tessark
