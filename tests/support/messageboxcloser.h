#ifndef MESSAGEBOXCLOSER_H
#define MESSAGEBOXCLOSER_H

#include <QObject>
#include <QStringList>
#include <QTimer>

// Accepts every modal message box that opens while it lives, and records it: `texts` holds the texts,
// `titledTexts` "title|text".
class MessageBoxCloser : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxCloser(int intervalMs = 10);

    QStringList texts;
    QStringList titledTexts;

private:
    QTimer m_timer;
};

#endif // MESSAGEBOXCLOSER_H
