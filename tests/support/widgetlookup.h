#pragma once

#include <QObject>
#include <QString>

#include <cstdio>
#include <cstdlib>

// The named child of a window. A missing control is a broken window, not a
// failed check: the test stops at once and says which name it looked for.
template <typename T>
T* childNamed(const QObject& parent, const QString& name)
{
    T* w = parent.findChild<T*>(name);
    if (!w) {
        std::fprintf(stderr, "no child %s of %s\n", qPrintable(name), qPrintable(parent.objectName()));
        std::abort();
    }
    return w;
}

template <typename T>
T* childNamed(const QObject& parent, const char* name)
{
    return childNamed<T>(parent, QString::fromLatin1(name));
}
