#include "app/main_dialog.h"

#include "alarms/alarm_store.h"
#include "alarms/calendar_dialog.h"
#include "app/about_dialog.h"
#include "app/autostart.h"
#include "app/companion_app.h"
#include "app/event_windows.h"
#include "app/fonts.h"
#include "app/toy_rule_fix.h"
#include "core/globals.h"
#include "core/mail_programs.h"
#include "guard/guard_dialogs.h"
#include "app/tray_icon.h"
#include "app/wake_ups.h"
#include "app/window_return.h"
#include "mail/mailbox_dialog.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/guarded.h"
#include "platform/idle_source.h"
#include "platform/messages.h"
#include "platform/resume_watch.h"
#include "platform/toy_library.h"
#include "profile/profile_dialog.h"
#include "profile/profile_file.h"
#include "sound/sound_dialogs.h"
#include "sound/sound_table.h"
#include "widgets/dialog_units.h"
#include "widgets/resources.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

// The main window's layout was drawn with a larger dialog font than the other windows.
constexpr DialogBase kMainBase{7, 14};
constexpr int kNameFieldId = 1030;
constexpr int kNoProfilePicture = 129;
constexpr int kProfilePicture = 245;
constexpr int kNewMailPicture = 226;
constexpr int kWindowIcon = 128;
constexpr int kNewMailTrayIcon = 224;
constexpr int kFollowNetworkDelayMs = 1000;

template <class Button>
Button* makeButton(HoverSurface* surface, QWidget* parent, int id, int x, int y, int w, int h)
{
    auto* button = new Button(surface, parent);
    placeControl(button, id, x, y, w, h, kMainBase);
    return button;
}

} // namespace

MainDialog::MainDialog(std::string dataFolder, QWidget* parent)
    : BackgroundDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_dataFolder(std::move(dataFolder)),
      m_tick(*this),
      m_tray(new CTrayIcon(this)),
      m_events(new EventWindows(this)),
      m_alarmTimer(new QTimer(this)),
      m_mainTimer(new QTimer(this)),
      m_blinkTimer(new QTimer(this)),
      m_wakeUps(new WakeUps(m_tick, *m_mainTimer, *m_alarmTimer, *m_blinkTimer, kTickMs, this)),
      m_mailWatch(new MailWatch(*this, this)),
      m_toyRuleFix(new ToyRuleFix(this))
{
    setObjectName(QStringLiteral("mainDialog"));
    setProperty("dialogId", 102);
    setWindowTitle(QStringLiteral("FENWICK"));
    setAccessibleName(tr("Quillby"));
    setFixedSize(dluSize(175, 164, kMainBase));
    setMouseTracking(true);
    createControls();

    m_alarmTimer->setSingleShot(true);
    connect(m_alarmTimer, &QTimer::timeout, this, [this] { OnTimer(kAlarmTimer); });
    connect(m_mainTimer, &QTimer::timeout, this, [this] { OnTimer(kMainTimer); });
    connect(m_blinkTimer, &QTimer::timeout, this, [this] {
        if (m_blinkTimer->interval() != kTickMs)
            m_blinkTimer->start(kTickMs); // from now on in step with the main tick
        OnTimer(kBlinkTimer);
    });
    connect(m_events, &EventWindows::alarmRinging, this, &MainDialog::alarmRinging);
    connect(m_mailWatch, &MailWatch::failureChanged, this, &MainDialog::showMailFailure);
    connect(m_toyRuleFix, &ToyRuleFix::finished, this, [this] { m_toyStatus.forget(); });
    connect(m_mailWatch, &MailWatch::checkFinished, this, &MainDialog::showMailLine);
    connect(m_tray, &CTrayIcon::command, this, [this](int command) {
        platform::runGuarded(this, [&] {
            if (command == CTrayIcon::kCommandBack)
                RestoreFromTray();
            else if (command == CTrayIcon::kCommandExit)
                Quit();
        });
    });
    // After a suspend the minute timer and the mail period are late: both run on waking.
    m_resumeSubscription = platform::resumeNotifier().subscribe([this] {
        alarmCheckDue();
        m_mailWatch->CheckSoon();
    });
}

MainDialog::~MainDialog()
{
    platform::resumeNotifier().unsubscribe(m_resumeSubscription);
    platform::setFileMessageListener({});
    qApp->removeEventFilter(this);
}

void MainDialog::createControls()
{
    // The picture control: no image until a picture button sets one; it lets the
    // mouse through so the window sees every move over the picture.
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setProperty("controlId", -1);
    m_picture->move(0, 0);
    m_picture->resize(0, 0);
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);

    // The field's only text is the name: it starts out in the name's face, so the first
    // font Qt loads is one the window uses (each loaded face costs a few milliseconds
    // before the first paint). Child windows do not inherit it.
    setFont(nameBaseFont());
    m_nameField = new QLineEdit(this);
    placeControl(m_nameField, kNameFieldId, 99, 38, 30, 12, kMainBase);
    m_nameField->setReadOnly(true);
    m_nameField->setAlignment(Qt::AlignCenter);
    m_nameField->setFrame(false);
    m_nameField->setFocusPolicy(Qt::NoFocus);
    m_nameField->setContextMenuPolicy(Qt::NoContextMenu);
    QPalette palette = m_nameField->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    m_nameField->setPalette(palette);
    m_nameField->setAutoFillBackground(true);
    m_nameField->setAccessibleName(tr("Name"));

    m_button1002 = makeButton<CMyButtonBell>(this, this, 1002, 92, 102, 19, 20);
    m_button1003 = makeButton<CMyButtonProfile>(this, this, 1003, 114, 71, 37, 50);
    m_button1005 = makeButton<CMyButtonSound>(this, this, 1005, 83, 17, 18, 19);
    m_button1006 = makeButton<CMyButtonSound>(this, this, 1006, 155, 95, 10, 19);
    m_button1000 = makeButton<CMyButtonBox>(this, this, 1000, 10, 61, 11, 17);
    m_button1004 = makeButton<CMyButtonAttention>(this, this, 1004, 31, 89, 38, 25);
    m_buttons = {m_button1000, m_button1002, m_button1003, m_button1004, m_button1005, m_button1006};
    // Tab goes over the desk from top to bottom: the notes, the photo, the siren, the clock.
    setTabOrder(m_button1005, m_button1003);
    setTabOrder(m_button1003, m_button1004);
    setTabOrder(m_button1004, m_button1002);
    for (CButtonST* hidden : {static_cast<CButtonST*>(m_button1000), static_cast<CButtonST*>(m_button1006)}) {
        hidden->hide();
        hidden->setEnabled(false);
    }
    for (CButtonST* button : m_buttons) {
        if (button == m_button1000)
            continue; // no command
        const int id = controlId(button);
        connect(button, &QPushButton::clicked, this, [this, id] {
            platform::runGuarded(this, [&] { onButton(id); });
        });
    }
    m_picture->lower();

    // Enter and Delete never reach a control: the window looks at every key first.
    qApp->installEventFilter(this);
}

void MainDialog::SetUp()
{
    // Each step that may fail reports it and set-up goes on: a window without its
    // timers would never drive the toy.
    platform::runGuarded(this, [&] {
        g_mailClientPath = kMailPrograms[0].path;
        m_tick.reset();
        g_dataFolder = m_dataFolder;
    });
    // Default sounds until one start has written them all: a sound the user deleted
    // afterwards stays deleted.
    const bool soundLibrary = CreateSoundLibraryFolder();
    platform::runGuarded(this, [&] { CreateDefaultSoundTable(); });
    // CreateDefaultSoundTable has set g_defaultSongPath, even when it failed.
    platform::runGuarded(this, [&] {
        if (soundLibrary)
            EnsureDefaultSoundLibrary();
        PlaySoundSlot(1, "@1");
    });
    platform::runGuarded(this, [&] {
        readProfile();
        fitNameFont();
        for (CButtonST* button : m_buttons) {
            button->SetDrawBorder(false, true);
            button->SetTransparent(true);
        }
        m_button1002->SetTooltipText(tr("Alarm and Calendar"), true);
        m_button1003->SetTooltipText(tr("Personal Profile"), true);
        m_button1004->SetTooltipText(tr("Guard Mode"), true);
        m_button1005->SetTooltipText(tr("Sound Effects"), true);
        m_button1006->SetTooltipText(tr("Pensonal Profile"), true);
    });
    platform::runGuarded(this, [&] { LoadAlarmList(); });
    m_alarmTimer->start(kAlarmFirstMs);
    m_mainTimer->start(kTickMs); // the first tick looks for the toy; later ones run while needed
    m_wakeUps->setRunning(true);
    platform::runGuarded(this, [&] { m_mailWatch->RestoreFromFile(); });
    // The network backend (plugins that bring GLib's GIO, a system bus connection) is for
    // a mailbox only, and stays off the start-up path.
    if (m_mailWatch->HasStoredMailbox())
        QTimer::singleShot(kFollowNetworkDelayMs, this, [this] { followNetwork(); });
    // Files left alone on purpose (a planted link, a FIFO, a huge file, another user's)
    // are said once: those of set-up now, later ones (a sound file) as they come.
    showFileMessages();
    platform::setFileMessageListener([this] {
        QMetaObject::invokeMethod(this, [this] { showFileMessages(); }, Qt::QueuedConnection);
    });
}

void MainDialog::showFileMessages()
{
    // Mostly found at ring time (an alarm's sound file): nothing waits for the answer.
    for (const std::string& refusal : platform::takeRefusedFiles())
        m_events->tell(QString::fromLocal8Bit(refusal.c_str()));
}

void MainDialog::SetUpWindowIcon()
{
    setWindowIcon(LoadIconResource(kWindowIcon));
}

void MainDialog::readProfile()
{
    std::string name;
    if (ReadProfileName(g_dataFolder + "DogProfile.txt", name)) {
        g_profileName = name;
        m_nameField->setText(QString::fromStdString(name));
        m_nameField->show();
        m_nameField->update();
        SetBackground(kProfilePicture);
        g_profilePresent = 1;
    } else {
        SetBackground(kNoProfilePicture);
        g_profilePresent = 0;
        m_nameField->setText(QStringLiteral("FENWICK"));
    }
}

QFont MainDialog::nameBaseFont()
{
    // The installed stand-in is named first, so Qt loads it straight away; the Windows
    // name stays behind it for its substitutes.
    const QString face = QStringLiteral("Comic Sans MS");
    QFont font;
    font.setFamilies({InstalledFace(face), face});
    font.setBold(true);
    font.setPixelSize(20);
    return font;
}

void MainDialog::fitNameFont()
{
    // The name always spans the field: each character gets (field width / characters) - 1
    // pixels, as a font of that average width would give it.
    const QString name = m_nameField->text();
    const int count = name.isEmpty() ? 8 : static_cast<int>(name.size());
    const int wanted = std::max(1, nameTextWidth() / count - 1);
    const int target = wanted * count;
    const QString sample = name.isEmpty() ? QString(count, QLatin1Char('x')) : name;

    // Measured once at 20 pixels, in the base face the window carries since createControls;
    // a scalable face's height and advances grow in step with its size, and the spacing
    // below takes up what rounding leaves.
    QFont font = this->font();
    const QFontMetricsF base(font);
    // The field's cell height is 20 pixels; Qt sizes fonts by their em square.
    const int cellHeight = QFontMetrics(font).height();
    int pixelSize = 20;
    if (cellHeight > 0)
        pixelSize = std::max(8, 20 * 20 / cellHeight);
    font.setPixelSize(pixelSize);
    const qreal natural = base.horizontalAdvance(sample) * pixelSize / 20;
    if (natural > 0)
        font.setStretch(std::clamp(static_cast<int>(100 * target / natural), 1, 4000));
    // Where the font engine cannot stretch, spacing makes up the rest.
    const int stretched = QFontMetrics(font).horizontalAdvance(sample);
    if (stretched != target)
        font.setLetterSpacing(QFont::AbsoluteSpacing, static_cast<qreal>(target - stretched) / count);
    m_nameField->setFont(font);
    m_nameField->setTextMargins(0, 0, 0, 0);
}

int MainDialog::nameTextWidth() const
{
    // A line edit keeps two pixels on each side of its text.
    return std::max(1, m_nameField->contentsRect().width() - 4);
}

bool MainDialog::timerActive(int timerId) const
{
    switch (timerId) {
    case kAlarmTimer:
        return m_alarmTimer->isActive();
    case kMainTimer:
        return m_mainTimer->isActive();
    case kBlinkTimer:
        return m_blinkTimer->isActive();
    default:
        return m_mailWatch->timerActive(timerId);
    }
}

void MainDialog::OnTimer(int timerId)
{
    switch (timerId) {
    case kAlarmTimer:
        m_alarmTimer->stop();
        platform::runGuardedWith(m_events->reporter(), [&] { m_tick.onAlarmCheck(); });
        // Re-armed whatever happened in the check, so one bad minute never stops the alarms.
        m_wakeUps->armAlarmCheck();
        break;
    case kMainTimer:
        platform::runGuardedWith(m_events->reporter(), [&] { m_tick.onTick(); });
        reportToyAccessProblem();
        Q_EMIT ticked();
        m_wakeUps->afterTick();
        break;
    case kBlinkTimer:
        platform::runGuardedWith(m_events->reporter(), [&] { m_tick.onBlink(); });
        break;
    case MailWatch::kCheckTimer:
    case MailWatch::kRetryTimer:
    case MailWatch::kFollowTimer:
        platform::runGuardedWith(m_events->reporter(), [&] { m_mailWatch->OnTimer(timerId); });
        break;
    default:
        break;
    }
}

void MainDialog::reportToyAccessProblem()
{
    platform::ToyLibrary* library = g_toy.library();
    const std::string problem = library ? library->takeAccessProblem() : std::string();
    // The doctor runs only when something about the toy changed, never on every tick.
    if (m_toyStatus.afterTick(library, g_toy.connected != 0, !problem.empty()))
        updateToolTips();
    if (m_toyAccessReported || problem.empty())
        return;
    m_toyAccessReported = true;
    QString text = QString::fromStdString(problem);
    const auto& diagnosis = m_toyStatus.diagnosis();
    if (diagnosis && !diagnosis->usable) {
        text += QStringLiteral("\n\n") + QString::fromStdString(diagnosis->verdict);
        if (!diagnosis->fixCommand.empty())
            text += QStringLiteral("\n\n") + tr("Run: ") + QString::fromStdString(diagnosis->fixCommand);
    } else {
        text += QStringLiteral("\n\n") + tr("Install the udev rule \"70-quillby-toy.rules\" as the README describes, "
                               "then plug the toy in again.");
    }
    // Without a display the message itself goes to standard error.
    if (platform::hasDisplay())
        std::fprintf(stderr, "quillby: %s\n", text.toLocal8Bit().constData());
    m_events->tell(text);
}

// One line about the toy while it does not answer, one about the mail (a failure, or a
// mailbox read without encryption).
void MainDialog::updateToolTips()
{
    QStringList lines;
    for (const QString& line : {m_toyStatus.line(), m_mailTip, m_busNote}) {
        if (!line.isEmpty())
            lines.append(line);
    }
    const QString tip = lines.join(QLatin1Char('\n'));
    setToolTip(tip);
    m_tray->SetDetail(tip);
}

void MainDialog::openAlertWindow()
{
    m_events->openAlert();
    Q_EMIT sensorAlerted();
}

void MainDialog::closeAlertWindow()
{
    m_events->closeAlert();
}

void MainDialog::setTrayIcon(int iconId)
{
    m_tray->SetIcon(iconId);
}

namespace {

// The calendar opens on the day the program started.
CalendarDate calendarStart()
{
    StartDate start = CompanionApp::startDate();
    if (start.year == 0)
        start = CompanionApp::MakeStartDate(platform::clock().time());
    return CalendarDate { start.day, start.month, start.year, start.monthName };
}

} // namespace

void MainDialog::ringAlarm(const AlarmRecord& record)
{
    m_events->ringAlarm(record, calendarStart());
}

void MainDialog::showMissedAlarms(const std::vector<MissedAlarmEntry>& missed)
{
    m_events->showMissedAlarms(missed);
}

void MainDialog::alarmCheckDue()
{
    // On the next turn of the event loop, outside the tick that noticed the jump.
    QTimer::singleShot(0, this, [this] {
        if (m_alarmTimer->isActive()) // set up and not ended
            OnTimer(kAlarmTimer);
    });
}

void MainDialog::setPicture(int bitmapId)
{
    // Every move over a button sets its picture again; only a change needs the work.
    if (bitmapId == m_pictureId)
        return;
    m_pictureId = bitmapId;
    m_picture->setPixmap(LoadBitmapResource(bitmapId));
    m_picture->adjustSize();
    resetButtonSnapshots(true);
}

void MainDialog::resetButtonSnapshots(bool repaint)
{
    // The buttons draw a snapshot of what lies under them; a new picture needs a new one.
    for (CButtonST* button : m_buttons)
        button->ResetTransparentCache(repaint);
}

void MainDialog::repaintNameField()
{
    m_nameField->update();
}

void MainDialog::repaintWindow()
{
    update();
}

void MainDialog::onButton(int controlId)
{
    switch (controlId) {
    case 1002:
        if (m_pressGuard.press())
            openCalendar();
        break;
    case 1003:
        if (m_pressGuard.press())
            openProfile();
        update();
        break;
    case 1004:
        if (m_pressGuard.press())
            openGuardMode();
        break;
    case 1005:
        if (m_pressGuard.gap(1))
            openSoundSettings();
        update();
        break;
    case 1006:
        if (m_pressGuard.gap(2))
            openSoundSettings();
        update();
        break;
    default:
        break;
    }
}

// The dialogs behind the picture buttons land with their own subsystems.
void MainDialog::openCalendar()
{
    Q_EMIT dialogRequested(1002);
    CCalendaDlg calendar(this, calendarStart());
    calendar.exec();
}

void MainDialog::openProfile()
{
    Q_EMIT dialogRequested(1003);
    OpenProfileDialog(this, [this] {
        // The saved name replaces the shown one; the picture stays as it is.
        m_nameField->setText(QString::fromStdString(g_profileName));
        fitNameFont();
        m_nameField->show();
        m_nameField->update();
    });
}

void MainDialog::openGuardMode()
{
    Q_EMIT dialogRequested(1004);
    CModeDlg dialog(this);
    dialog.exec();
}

void MainDialog::openSoundSettings()
{
    Q_EMIT dialogRequested(1005);
    CSoundCfg dialog(this);
    dialog.exec();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this) {
        noteOtherWindowInput(event);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    bool handled = false;
    platform::runGuarded(this, [&] {
        m_tick.noteKeyDown();
        handled = HandleNodKey(key->key());
    });
    return handled;
}

// Input to our other windows (dialogs, the alert, message boxes) is the user at our
// windows too. An event seen again on its way up to a parent changes nothing.
void MainDialog::noteOtherWindowInput(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        m_tick.noteActivity();
        break;
    case QEvent::MouseMove: {
        const QPoint pos = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        m_tick.noteMouseMove(pos.x(), pos.y());
        break;
    }
    default:
        break;
    }
}

void MainDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_mailWatch->StopFollowUpTimers();
    reject();
}

void MainDialog::reject()
{
    platform::runGuarded(this, [&] { HideToTray(); });
}

void MainDialog::HideToTray()
{
    const bool inTray = m_tray->Create(this, CTrayIcon::kCallbackMessage, QStringLiteral("FENWICK"), kWindowIcon,
                                       CTrayIcon::kIconId);
    // Comes back exactly here: shown again without a place of its own, the window manager
    // would put it somewhere else.
    if (isVisible() && !isMinimized())
        m_placeWhenHidden = pos();
    // Without a notification area the window goes to the task bar instead, so the
    // user can still reach it.
    if (inTray || CTrayIcon::isAvailable())
        hide();
    else
        showMinimized();
    if (m_quitFlag) {
        endRun();
        MainTick::switchOutputsOff();
    }
}

void MainDialog::RestoreFromTray(const QString& activationToken)
{
    BringBack(activationToken);
    // The user asked to see us: what opened by itself and waits for that appears too.
    m_events->showWaiting();
    m_tray->Remove();
    m_blinkTimer->stop();
    if (g_newMail == 1) {
        resetButtonSnapshots(false);
        SetBackground(kNewMailPicture);
        update();
    }
    resetButtonSnapshots(true);
}

void MainDialog::Quit()
{
    m_tray->Remove();
    m_quitFlag = 1;
    MainTick::switchOutputsOff();
    endRun();
}

void MainDialog::endRun()
{
    m_wakeUps->setRunning(false);
    m_mainTimer->stop();
    m_alarmTimer->stop();
    m_blinkTimer->stop();
    hide();
    Q_EMIT runEnded();
}

void MainDialog::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    m_tick.noteMouseMove(pos.x(), pos.y());
    BackgroundDialog::mouseMoveEvent(event);
}

void MainDialog::paintEvent(QPaintEvent* event)
{
    if (g_newMail == 1 && background().resourceId() != kNewMailPicture) {
        resetButtonSnapshots(false);
        SetBackground(kNewMailPicture);
    }
    BackgroundDialog::paintEvent(event);
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event)
{
    const QString about = LoadStringResource(101);
    QMenu menu(this);
    if (!about.isEmpty())
        menu.addAction(about, this, [this] { ShowAbout(); });
    menu.addAction(tr("MailBox Configure…"), this,
                   [this] { platform::runGuarded(this, [&] { OpenMailSettings(); }); });
    QAction* login = menu.addAction(tr("Start at login"));
    login->setCheckable(true);
    login->setChecked(AutostartEnabled());
    connect(login, &QAction::toggled, this, [this](bool on) {
        platform::runGuarded(this, [on] { SetAutostart(on, QCoreApplication::applicationFilePath().toStdString()); });
    });
    menu.addSeparator();
    const auto& toy = m_toyStatus.diagnosis();
    QString toyLine = toy ? ToyStatus::lineFor(*toy) : QString();
    if (toyLine.isEmpty())
        toyLine = g_toy.connected ? tr("Toy: connected") : tr("Toy: not connected");
    m_toyRuleFix->addMenuItems(menu, toyLine, toy && !toy->ruleInstalled, QString::fromStdString(ToyRuleSudoCommand()));
    menu.exec(event->globalPos());
}

void MainDialog::ShowAbout()
{
    AboutDialog about(this);
    about.setWindowModality(Qt::WindowModal);
    about.exec();
}

void MainDialog::OpenMailSettings(bool focusPassword)
{
    if (m_mailDialogOpen)
        return;
    m_mailDialogOpen = true;
    CMailBoxDlg dialog(m_mailWatch->settings(), g_mailClientPath, this);
    if (focusPassword)
        dialog.focusPassword();
    dialog.setWindowModality(Qt::WindowModal); // a ring window stays answerable above it
    dialog.offerCertificate(m_mailWatch->untrustedCertificate());
    const int result = dialog.exec();
    m_mailDialogOpen = false;
    if (result != QDialog::Accepted)
        return;
    g_mailClientPath = dialog.mailClientPath();
    m_mailWatch->Configure(dialog.settings());
    if (dialog.trustCertificate())
        m_mailWatch->TrustCertificate();
    followNetwork();
}

void MainDialog::followNetwork()
{
    if (m_followingNetwork)
        return;
    m_followingNetwork = true;
    m_mailWatch->FollowNetwork();
}

void MainDialog::announceNewMail()
{
    m_events->announceNewMail();
    m_tray->Remove();
    m_tray->Create(this, CTrayIcon::kCallbackMessage, QStringLiteral("QUILLBY"), kNewMailTrayIcon,
                   CTrayIcon::kIconId);
    // The blink wakes the program together with the main tick, not between two of its
    // ticks: its first swap comes with the next tick.
    m_blinkTimer->start(m_mainTimer->isActive() ? std::max(0, m_mainTimer->remainingTime()) : kTickMs);
    update();
}

// Both come from inside a network or secret-store answer: nothing waits for the user
// there. The settings open once the user has answered the message.
void MainDialog::askForMailboxPassword(const QString& why)
{
    m_events->tell(why, [this] { platform::runGuarded(this, [&] { OpenMailSettings(true); }); });
}

void MainDialog::showMailLine()
{
    m_mailTip = m_mailWatch->TooltipLine();
    updateToolTips();
}

void MainDialog::showMailFailure(const QString& text, bool tell)
{
    showMailLine();
    if (tell && text.isEmpty())
        m_tray->ShowMessage(tr("Mail check"), tr("The mail check works again."));
    if (!tell || text.isEmpty())
        return;
    // Told once per kind, without stopping the tick: the tray's balloon, else a box that
    // waits for nobody.
    if (m_tray->ShowMessage(tr("Mail check failed"), text))
        return;
    m_events->tell(tr("Mail check failed: ") + text);
}

void MainDialog::reportMailProblem(const QString& text)
{
    m_events->tell(text);
}

void MainDialog::RaiseFromSecondCopy(const QString& activationToken)
{
    // Whichever way the window went (close box, Escape, minimise, tray), a second start
    // brings it back: a user who starts the program again wants to see it.
    RestoreFromTray(activationToken);
}

void MainDialog::BringBack(const QString& activationToken)
{
    const SessionKind session = SessionKindFor(QGuiApplication::platformName());
    if (ReturnNeedsRemap(session, isVisible(), isMinimized(), isActiveWindow()))
        hide();
    const bool wasHidden = !isVisible();
    // Qt hands this to the compositor's activation on the next activation request.
    if (session == SessionKind::Wayland && IsActivationToken(activationToken))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toLatin1());
    showNormal();
    // Moved once mapped, when the frame is known: a place given before the map is taken
    // for the inside of the window by some window managers and for the frame by others.
    if (wasHidden && m_placeWhenHidden && CanPlaceWindows(session))
        move(*m_placeWhenHidden);
    // Wayland has no raise: the activation brings the window up, and the plugin would
    // print a complaint for every request.
    if (CanRaiseWindows(session))
        raise();
    activateWindow();
}

QString MainDialog::statusText() const
{
    QString text = ToyStatus::statusPart(g_toy.connected, m_toyStatus.diagnosis());
    text += g_guardArmed ? QStringLiteral("; sensor guard: armed") : QStringLiteral("; sensor guard: off");
    if (g_leaveModeOn)
        text += QStringLiteral("; leave mode: on (%1 min)").arg(g_leaveMinutes);
    else
        text += QStringLiteral("; leave mode: off");
    const std::string idleBy = platform::idle().backendName();
    text += QStringLiteral("; idle: ") + (idleBy.empty() ? QStringLiteral("none") : QString::fromStdString(idleBy));
    text += QStringLiteral("; ") + m_mailWatch->StatusText();
    return m_busNote.isEmpty() ? text : text + QStringLiteral("; ") + m_busNote;
}

void MainDialog::SetBusNote(const QString& note)
{
    m_busNote = note;
    updateToolTips();
}

QString MainDialog::RemoteRequest(const QString& request)
{
    if (const auto back = ParseReturnRequest(request)) {
        if (back->verb == QLatin1String("raise")) {
            RaiseFromSecondCopy(back->token);
            return QStringLiteral("raised");
        }
        platform::runGuarded(this, [&] { RestoreFromTray(back->token); });
        return QStringLiteral("ok");
    }
    if (request == QLatin1String("nod")) {
        g_nodRequest = 1;
        return QStringLiteral("ok");
    }
    if (request == QLatin1String("status"))
        return statusText();
    if (request == QLatin1String("mail-settings")) {
        QTimer::singleShot(0, this, [this] { platform::runGuarded(this, [&] { OpenMailSettings(); }); });
        return QStringLiteral("ok");
    }
    if (request == QLatin1String("quit")) {
        // Answer first; the run ends on the next turn of the event loop.
        QTimer::singleShot(0, this, [this] { platform::runGuarded(this, [&] { Quit(); }); });
        return QStringLiteral("ok");
    }
    return QStringLiteral("error: unknown request");
}
