#ifndef SCHOOLCLASSVIEW_H
#define SCHOOLCLASSVIEW_H

#include "vrek/interface/mainviewinterface.h"

#include <QWidget>

class QLabel;

// The content of the school class window (user types 0 and 1). The classroom panels are built by
// initialLater once the window is framed; the connection's coming and going reaches it through
// MainViewInterface.
class SchoolClassView : public QWidget, public MainViewInterface
{
    Q_OBJECT
public:
    explicit SchoolClassView(QWidget *parent = nullptr);
    ~SchoolClassView() override;

    void initialLater();
    void clientOnline() override;
    void clientOffline() override;

private:
    void mediaInitial();

    QLabel *m_titleLabel = nullptr;
    QLabel *m_stateLabel = nullptr;
};

#endif // SCHOOLCLASSVIEW_H
