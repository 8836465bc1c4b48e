#ifndef MAINVIEWINTERFACE_H
#define MAINVIEWINTERFACE_H

// What the application controller asks of an in-class main window when the classroom connection comes and goes.
class MainViewInterface
{
public:
    virtual ~MainViewInterface();
    virtual void clientOnline() = 0;
    virtual void clientOffline() = 0;
};

#endif // MAINVIEWINTERFACE_H
