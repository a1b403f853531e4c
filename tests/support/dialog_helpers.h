#pragma once

#include "core/globals.h"
#include "platform/atomic_file.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

// Runs the step on the modal window the code under test is about to open (arm it before
// the call that runs exec()).
inline void onNextModal(std::function<void(QWidget*)> step)
{
    QTimer::singleShot(0, [step = std::move(step)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog)
            step(dialog);
    });
}

// A click with the pointer at the button's centre, as a user makes it.
inline void clickControl(QWidget* window, const char* name)
{
    auto* button = window->findChild<QPushButton*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    if (button)
        QTest::mouseClick(button, Qt::LeftButton);
}

// A sound table whose slot N plays "/snd/N.wav", every slot on.
inline void writeNumberedSoundTable()
{
    std::string line = "#11111111111#";
    const char* keys[] = { "@1", "@2", "@3", "@4", "@5", "@6", "@7", "@8", "@9", "@$", "@#" };
    for (int i = 0; i < 11; ++i)
        line += std::string(keys[i]) + "/snd/" + std::to_string(i + 1) + ".wav";
    platform::writeFileAtomically(g_dataFolder + "sound.txt", line + "@");
}
