#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

// Message boxes behind a seam: the real one uses QMessageBox, tests capture and answer.
class Messages {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    virtual ~Messages() = default;
    virtual int show(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                     Buttons buttons = Buttons::Ok) = 0;
    // Tells without waiting for an answer, for what the program says on its own (from a
    // timer, the bus, a network answer): closed runs once the message is gone. By default
    // an Ok box of show().
    virtual void post(const QString& caption, const QString& text, Icon icon, std::function<void()> closed = {});
};

class QtMessages final : public Messages {
public:
    int show(QWidget* parent, const QString& caption, const QString& text, Icon icon,
             Buttons buttons) override;
    // A box of its own that is not modal, is shown without taking the keyboard and
    // answers only Escape, Enter and the mouse (a typed letter would press its button).
    void post(const QString& caption, const QString& text, Icon icon, std::function<void()> closed) override;
};

// Without a display nobody could answer a box: the text goes to standard error and the
// box's own way out (Ok, Cancel or No) is the answer, at once.
class StderrMessages final : public Messages {
public:
    int show(QWidget* parent, const QString& caption, const QString& text, Icon icon,
             Buttons buttons) override;
};

// False on Qt's offscreen and minimal platforms, where no window is ever seen.
bool hasDisplay();

Messages& messages();
void setMessages(Messages* messages); // not owned; nullptr restores QtMessages

// Caption of the framework's own error reports: the executable's name without extension.
QString applicationCaption();

} // namespace platform
