// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tests find the program's windows and controls by their object names, as the adult's
// documentation names them ("Form2", "Command1"), not through pointers the screens expose.
#include <QApplication>
#include <QWidget>

namespace mokuri::test {

// The top-level window of that name and type, if one exists.
template <class T>
T* topLevelNamed(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            if (auto* t = qobject_cast<T*>(w)) return t;
    return nullptr;
}

// The control of that name and type inside `window` ("Command1", "Option7", "List1").
template <class T>
T* partOf(const QWidget* window, const char* name)
{
    return window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

} // namespace mokuri::test
