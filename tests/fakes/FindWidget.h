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

} // namespace mokuri::test
