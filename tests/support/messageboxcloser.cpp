#include "tests/support/messageboxcloser.h"

#include <QApplication>
#include <QMessageBox>

MessageBoxCloser::MessageBoxCloser(int intervalMs)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            texts << box->text();
            titledTexts << box->windowTitle() + "|" + box->text();
            box->accept();
        }
    });
    m_timer.start();
}
