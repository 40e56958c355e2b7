#include "MessageBoxes.h"

#include <QMessageBox>
#include <cstdio>

namespace tessark {

void DialogMessageSink::Show(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kTitle), text, QMessageBox::Ok, parent_);
    box.exec();
}

bool DialogMessageSink::AskOkCancel(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kTitle), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void DialogMessageSink::Note(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace tessark
