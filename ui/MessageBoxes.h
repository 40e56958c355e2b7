// DialogMessageSink: the job's messages as message boxes of the window - no
// icon, OK (OK and Cancel for a question), title "Tessark", each box at least
// as wide as its title needs on a window manager's title bar. Thread safety:
// the window thread only.
#pragma once

#include "ClassicJob.h"

class QWidget;

namespace tessark {

class DialogMessageSink final : public MessageSink {
public:
    static constexpr const char* kTitle = "Tessark";
    explicit DialogMessageSink(QWidget* parent) : parent_(parent) {}
    void Show(const QString& text) override;
    bool AskOkCancel(const QString& text) override;
    // Batch-mode notes never appear in the window.
    void Note(const QString& text) override;

private:
    QWidget* parent_;
};

}  // namespace tessark
