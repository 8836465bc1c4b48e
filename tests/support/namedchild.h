#ifndef NAMEDCHILD_H
#define NAMEDCHILD_H

#include <QObject>
#include <QString>

// The child of a form by its object name; a test ends at once when the form has none (a renamed widget should
// not show up as a null pointer somewhere later).
template<typename T>
T *namedChild(const QObject &parent, const char *name)
{
    T *child = parent.findChild<T *>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child named %s", name);
    return child;
}

#endif // NAMEDCHILD_H
