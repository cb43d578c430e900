#pragma once
// The instructions window as the tests meet it: opened with the main window's own button, and
// found among the top-level windows.

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "infistr.h"

// The instructions window on show, or nullptr. A closed one may linger, hidden, until its
// deletion; it is gone for the player already.
inline infistr *instructionsOnShow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<infistr *>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

// Opens the instructions as the player does, with the Istruzioni button of `form`.
inline infistr *openInstructions(QWidget *form)
{
    QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("Istruzioni")), Qt::LeftButton);
    return instructionsOnShow();
}

// Every instructions window there is, shown or not, deleted.
inline void deleteInstructions()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<infistr *>(widget))
            delete widget;
}
