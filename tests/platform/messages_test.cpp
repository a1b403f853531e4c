#include "fakes/fakes.h"
#include "platform/file_picker.h"
#include "platform/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

using platform::Messages;

// Acts on the modal window once it is up; the code under test is blocked in exec().
template <typename Window> void whenModal(std::function<void(Window*)> act, int triesLeft = 200)
{
    QTimer::singleShot(10, qApp, [act = std::move(act), triesLeft] {
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget()))
            act(window);
        else if (triesLeft > 0)
            whenModal<Window>(act, triesLeft - 1);
    });
}

class QtMessagesTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a box was left open";
    }
};

TEST_F(QtMessagesTest, ShowsCaptionTextAndIconAndReturnsTheButtonPressed)
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::No)->click();
    });
    platform::QtMessages messages;
    const int answer
        = messages.show(nullptr, QStringLiteral("quillby"), QStringLiteral("动态库初始化错误 -- 终止程序"),
            Messages::Icon::Exclamation, Messages::Buttons::YesNo);
    EXPECT_EQ(answer, Messages::No);
    EXPECT_EQ(title, QStringLiteral("quillby"));
    EXPECT_EQ(text, QStringLiteral("动态库初始化错误 -- 终止程序"));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(QtMessagesTest, EachButtonSetMapsToItsAnswers)
{
    struct Case {
        Messages::Buttons buttons;
        QMessageBox::StandardButton press;
        int answer;
    };
    const Case cases[] = {
        { Messages::Buttons::Ok, QMessageBox::Ok, Messages::Ok },
        { Messages::Buttons::OkCancel, QMessageBox::Ok, Messages::Ok },
        { Messages::Buttons::OkCancel, QMessageBox::Cancel, Messages::Cancel },
        { Messages::Buttons::YesNo, QMessageBox::Yes, Messages::Yes },
    };
    platform::QtMessages messages;
    for (const Case& c : cases) {
        whenModal<QMessageBox>([&](QMessageBox* box) { box->button(c.press)->click(); });
        EXPECT_EQ(messages.show(nullptr, QStringLiteral("t"), QStringLiteral("x"),
                      Messages::Icon::Information, c.buttons),
            c.answer);
    }
}

TEST_F(QtMessagesTest, TextIsShownLiterally)
{
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    platform::QtMessages().show(nullptr, QStringLiteral("t"), QStringLiteral("<b>a.txt</b>"),
        Messages::Icon::None, Messages::Buttons::Ok);
    EXPECT_EQ(shown, QStringLiteral("<b>a.txt</b>"));
    EXPECT_EQ(format, Qt::PlainText) << "a file name is never markup";
}

// A box that only tells, asked for while one is open (a field re-checked as it loses the
// focus to the first box), is not stacked on it; a posted one waits for nobody, takes no
// keys but its own, and says when it is gone.
TEST_F(QtMessagesTest, OneBoxAtATimeAndPostedOnesTakeOnlyTheirOwnKeys)
{
    platform::QtMessages messages;
    int nested = -1;
    int boxesAtOnce = 0;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        nested = messages.show(box, QStringLiteral("quillby"), QStringLiteral("second"), Messages::Icon::Exclamation,
                               Messages::Buttons::Ok);
        boxesAtOnce = static_cast<int>(qApp->topLevelWidgets().count());
        box->button(QMessageBox::Ok)->click();
    });
    const int before = static_cast<int>(qApp->topLevelWidgets().count());
    EXPECT_EQ(messages.show(nullptr, QStringLiteral("quillby"), QStringLiteral("first"), Messages::Icon::Exclamation,
                            Messages::Buttons::Ok),
              Messages::Ok);
    EXPECT_EQ(nested, Messages::Ok);
    EXPECT_EQ(boxesAtOnce, before + 1) << "one box, not two";

    int closed = 0;
    messages.post(QStringLiteral("quillby"), QStringLiteral("Access to a.wav was denied."), Messages::Icon::Exclamation,
                  [&] { ++closed; });
    QPointer<QMessageBox> posted;
    for (QWidget* w : qApp->topLevelWidgets()) {
        if (w->objectName() == QLatin1String("postedMessage") && w->isVisible())
            posted = qobject_cast<QMessageBox*>(w);
    }
    ASSERT_TRUE(posted);
    EXPECT_FALSE(posted->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(posted->testAttribute(Qt::WA_ShowWithoutActivating));
    for (const Qt::Key key : { Qt::Key_O, Qt::Key_Space, Qt::Key_K })
        QTest::keyClick(posted, key);
    EXPECT_TRUE(posted->isVisible()) << "typing that lands on it answers nothing";
    EXPECT_EQ(closed, 0);
    QTest::keyClick(posted, Qt::Key_Escape);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(posted && posted->isVisible());
}

TEST(ApplicationCaption, IsTheExecutableNameWithoutExtension)
{
    EXPECT_EQ(platform::applicationCaption(), QStringLiteral(QUILLBY_TEST_EXE_NAME));
}

TEST(MessagesAccessor, UsesTheInstalledMessagesAndFallsBackToQt)
{
    {
        fakes::FakeMessages fake;
        fake.answers.push_back(Messages::Cancel);
        EXPECT_EQ(platform::messages().show(nullptr, QStringLiteral("c"), QStringLiteral("t"),
                      Messages::Icon::Question, Messages::Buttons::OkCancel),
            Messages::Cancel);
        EXPECT_EQ(fake.shown.size(), 1u);
    }
    EXPECT_NE(dynamic_cast<platform::QtMessages*>(&platform::messages()), nullptr);
}

TEST(QtFilePickerTest, ReturnsTheChosenFileOrNothingWhenCancelled)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("classic.wav"));
    QFile(wav).open(QIODevice::WriteOnly);

    QString title;
    QString folder;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        dialog->selectFile(wav);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept is protected
    });
    platform::QtFilePicker picker;
    const QString chosen
        = picker.openFile(nullptr, QStringLiteral("Open"), dir.path(), QStringLiteral("Wave (*.wav)"));
    EXPECT_EQ(chosen, wav);
    EXPECT_EQ(title, QStringLiteral("Open"));
    EXPECT_EQ(folder, QDir(dir.path()).absolutePath());

    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_TRUE(picker.openFile(nullptr, QStringLiteral("Open"), dir.path(), QString()).isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(FilePickerAccessor, UsesTheInstalledPickerAndFallsBackToQt)
{
    {
        fakes::FakeFilePicker fake;
        fake.answers.push_back(QStringLiteral("/a.wav"));
        EXPECT_EQ(
            platform::filePicker().openFile(nullptr, QStringLiteral("c"), QStringLiteral("/"), QString()),
            QStringLiteral("/a.wav"));
    }
    EXPECT_NE(dynamic_cast<platform::QtFilePicker*>(&platform::filePicker()), nullptr);
}

} // namespace
