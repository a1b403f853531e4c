#include "alarms/calendar_dialog.h"

#include "alarms/day_dialogs.h"
#include "alarms/local_time.h"
#include "core/globals.h"
#include "platform/errors.h"
#include "platform/guarded.h"
#include "widgets/button_st.h"
#include "widgets/dialog_units.h"
#include "widgets/resources.h"
#include "widgets/validation.h"

#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QToolButton>
#include <array>

using namespace alarm_ui;

namespace {

const QColor kCalendarBack(217, 198, 224);
const QColor kEditText(143, 62, 151);
constexpr int kEmptyCellIcon = 204;
constexpr int kCellW = 39;
constexpr int kCellH = 45;

// Day d's picture, plain or marked, rendered once: the grid is rebuilt on every refresh.
const QIcon& dayIcon(int id)
{
    static QHash<int, QIcon> icons;
    auto it = icons.find(id);
    if (it == icons.end())
        it = icons.insert(id, QIcon(LoadIconPixmap(id, 32)));
    return *it;
}

int dayIconId(int day, bool marked)
{
    return marked ? 171 + day : 140 + day;
}

} // namespace

UpDown::UpDown(QWidget* parent)
    : QWidget(parent)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : { m_up, m_down }) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setRange(int min, int max)
{
    m_min = min;
    m_max = max;
}

void UpDown::step(int delta)
{
    const int next = m_pos + delta;
    if (next < m_min || next > m_max)
        return;
    m_pos = next;
    Q_EMIT moved(m_pos);
}

CCalendaDlg::CCalendaDlg(QWidget* parent, const CalendarDate& start)
    : AlarmPopup(139, 228, 240, kCalendarBack, parent)
    , m_day(start.day)
    , m_monthName(start.monthName)
    , m_month(start.month)
    , m_year(start.year)
    , m_dayEdit(new QLineEdit(this))
    , m_monthEdit(new QLineEdit(this))
    , m_yearEdit(new QLineEdit(this))
    , m_daySpin(new UpDown(this))
    , m_monthSpin(new UpDown(this))
    , m_yearSpin(new UpDown(this))
    , m_grid(new QListWidget(this))
    , m_open(new CButtonST(this))
    , m_close(new CButtonST(this))
    , m_delete(new CButtonST(this))
{
    setObjectName(QStringLiteral("calendarDialog"));
    setWindowTitle(tr("Calendar"));

    QFont editFont(QStringLiteral("Arial"));
    editFont.setPixelSize(16);
    const std::array<std::pair<QLineEdit*, int>, 3> edits { { { m_dayEdit, 1023 }, { m_monthEdit, 1024 }, { m_yearEdit, 1026 } } };
    const std::array<UpDown*, 3> spins { m_daySpin, m_monthSpin, m_yearSpin };
    const std::array<int, 3> spinIds { 1022, 1025, 1028 };
    for (std::size_t i = 0; i < edits.size(); ++i) {
        QLineEdit* edit = edits[i].first;
        // Wide enough for "September" in the large font.
        const std::array<int, 3> x { 36, 86, 164 };
        const std::array<int, 3> width { 34, 62, 40 };
        placeControl(edit, edits[i].second, x[i], 8, width[i], 14);
        edit->setAlignment(Qt::AlignCenter);
        edit->setFont(editFont);
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Text, kEditText);
        edit->setPalette(pal);
        placeControl(spins[i], spinIds[i], x[i] + width[i] + 2, 8, 9, 14);
        const QRect r = spins[i]->rect();
        spins[i]->upArrow()->setGeometry(0, 0, r.width(), r.height() / 2);
        spins[i]->downArrow()->setGeometry(0, r.height() / 2, r.width(), r.height() - r.height() / 2);
    }

    const std::array<const char*, 7> names { QT_TR_NOOP("SUN"), QT_TR_NOOP("MON"), QT_TR_NOOP("TUE"),
        QT_TR_NOOP("WED"), QT_TR_NOOP("THU"), QT_TR_NOOP("FRI"), QT_TR_NOOP("SAT") };
    placeControl(m_grid, 1029, 36, 38, 185, 178);
    const QRect gridRect = m_grid->geometry();
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* l = new QLabel(tr(names[i]), this);
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(gridRect.x() + 2 + static_cast<int>(i) * kCellW, gridRect.y() - 16, kCellW, 14);
    }

    m_grid->setViewMode(QListView::IconMode);
    m_grid->setMovement(QListView::Static);
    m_grid->setResizeMode(QListView::Adjust);
    m_grid->setFlow(QListView::LeftToRight);
    m_grid->setWrapping(true);
    m_grid->setIconSize(QSize(32, 32));
    m_grid->setGridSize(QSize(kCellW, kCellH));
    m_grid->setSpacing(0);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setFrameShape(QFrame::Box);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Six rows always fit; a scroll bar would take the seventh column's room.
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette gridPal = m_grid->palette();
    gridPal.setColor(QPalette::Base, kCalendarBack);
    // A selected picture gets a frame, not a wash of colour.
    gridPal.setColor(QPalette::Highlight, QColor(143, 62, 151, 70));
    m_grid->setPalette(gridPal);
    m_grid->viewport()->installEventFilter(this);
    m_grid->installEventFilter(this);

    placeControl(m_open, 1006, 5, 60, 26, 26);
    placeControl(m_delete, 1050, 5, 96, 26, 26);
    placeControl(m_close, 1005, 170, 217, 52, 22);
    skinIconButton(m_open, 209);
    skinIconButton(m_close, 212);
    skinIconButton(m_delete, 216);
    m_open->setAccessibleName(tr("Open the chosen day"));
    setTabOrder(m_open, m_delete); // down the left edge, then the corner
    setTabOrder(m_delete, m_close);
    m_delete->setAccessibleName(tr("Delete alarms"));
    m_close->setAccessibleName(tr("Quit"));
    m_dayEdit->setAccessibleName(tr("Day"));
    m_monthEdit->setAccessibleName(tr("Month"));
    m_yearEdit->setAccessibleName(tr("Year"));
    m_grid->setAccessibleName(tr("Days of the month"));
    m_daySpin->upArrow()->setAccessibleName(tr("Next day"));
    m_daySpin->downArrow()->setAccessibleName(tr("Previous day"));
    m_monthSpin->upArrow()->setAccessibleName(tr("Next month"));
    m_monthSpin->downArrow()->setAccessibleName(tr("Previous month"));
    m_yearSpin->upArrow()->setAccessibleName(tr("Next year"));
    m_yearSpin->downArrow()->setAccessibleName(tr("Previous year"));

    m_daySpin->setRange(1, 31);
    m_yearSpin->setRange(2005, 3000);
    m_monthSpin->setRange(1, 12);

    connect(m_dayEdit, &QLineEdit::textEdited, this, [this] { onDayEdited(); });
    connect(m_monthEdit, &QLineEdit::textEdited, this, [this] { onMonthOrYearEdited(); });
    connect(m_yearEdit, &QLineEdit::textEdited, this, [this] { onMonthOrYearEdited(); });
    connect(m_yearEdit, &QLineEdit::editingFinished, this, [this] { onYearFinished(); });
    connect(m_daySpin, &UpDown::moved, this, [this](int pos) {
        m_day = pos;
        refresh();
    });
    connect(m_monthSpin, &UpDown::moved, this, [this](int pos) {
        const std::string name = MonthNameFromNumber(pos);
        if (!name.empty())
            m_monthName = name;
        refresh();
    });
    connect(m_yearSpin, &UpDown::moved, this, [this](int pos) {
        m_year = pos;
        refresh();
    });
    connect(m_open, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { openHourList(); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { deleteDay(); }); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void CCalendaDlg::showEvent(QShowEvent* event)
{
    if (!m_initialised) {
        m_initialised = true;
        setEditText(m_dayEdit, QString::number(m_day));
        m_daySpin->setPos(m_day);
        refresh();
    }
    AlarmPopup::showEvent(event);
}

void CCalendaDlg::refresh()
{
    m_yearSpin->setPos(m_year);
    m_month = MonthNumberFromName(m_monthName);
    m_monthSpin->setPos(m_month);
    setEditText(m_dayEdit, QString::number(m_day));
    setEditText(m_monthEdit, fromLocal(m_monthName));
    setEditText(m_yearEdit, QString::number(m_year));
    if (m_month != 0)
        rebuildGrid();
}

bool CCalendaDlg::rebuildGrid()
{
    CalendarMonth month;
    try {
        month = BuildCalendarMonth(m_year, m_month, g_alarmList);
    } catch (const platform::InvalidArgumentError&) {
        // A year on its way to being typed (2, 20, 200 of 2009): keep the grid as it was.
        return false;
    }
    m_shown = month;
    m_firstWeekday = month.firstWeekday;
    m_gridYear = m_year;
    m_grid->clear();
    for (int i = 0; i < month.firstWeekday; ++i)
        new QListWidgetItem(dayIcon(kEmptyCellIcon), QString(), m_grid);
    for (int d = 1; d <= month.days; ++d)
        new QListWidgetItem(dayIcon(dayIconId(d, month.marked[static_cast<std::size_t>(d)])), QString(), m_grid);
    return true;
}

bool CCalendaDlg::readBack()
{
    m_monthName = toLocal(m_monthEdit->text());
    if (!validation::ReadInteger(m_yearEdit, m_year))
        return false;
    return validation::ReadIntegerInRange(m_dayEdit, 1, 31, m_day);
}

void CCalendaDlg::onDayEdited()
{
    if (readBack())
        m_daySpin->setPos(m_day);
}

void CCalendaDlg::onMonthOrYearEdited()
{
    readBack();
    refresh();
}

void CCalendaDlg::onYearFinished()
{
    // Said once, when the user is done typing, rather than at every keystroke.
    if (m_month != 0 && m_gridYear != m_year) {
        try {
            MakeLocalTime(m_year, m_month, 1, 0, 0, 0);
        } catch (const platform::InvalidArgumentError&) {
            tell(this, tr("The calendar cannot show the year %1.").arg(m_year));
        }
    }
}

void CCalendaDlg::onGridClick()
{
    const QModelIndexList selected = m_grid->selectionModel()->selectedIndexes();
    int first = -1;
    for (const QModelIndex& index : selected) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    const int day = first - m_firstWeekday + 1;
    setEditText(m_dayEdit, QString::number(day));
    if (!readBack()) {
        // The refused day goes back to the one selected before.
        setEditText(m_dayEdit, QString::number(m_day));
        return;
    }
    m_daySpin->setPos(m_day);
}

bool CCalendaDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            QTimer::singleShot(0, this, [this] { onGridClick(); });
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            QTimer::singleShot(0, this, [this] { platform::runGuarded(this, [&] { openHourList(); }); });
            return true;
        }
    } else if (watched == m_grid && event->type() == QEvent::KeyPress
               && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        platform::runGuarded(this, [&] { deleteDay(); });
        return true;
    }
    return AlarmPopup::eventFilter(watched, event);
}

void CCalendaDlg::openHourList()
{
    // A day that cannot be represented is reported once, here, not by each step of the list.
    MakeLocalTime(m_year, MonthNumberFromName(m_monthName), m_day, 0, 0, 0);
    CHourSecDlg hours(this);
    hours.m_year = m_year;
    hours.m_day = m_day;
    hours.m_monthName = m_monthName;
    hours.m_month = m_month;
    hours.exec();
    rebuildGrid();
}

void CCalendaDlg::deleteDay()
{
    const TimeValue date = MakeLocalTime(m_year, m_month, m_day, 0, 0, 0);
    CDelDlg confirm(this);
    confirm.m_mode = CDelDlg::ByDay;
    confirm.m_date = date;
    confirm.m_text = fromLocal(FormatLocalTime(date, "%Y-%m-%d"));
    playSlot(6);
    confirm.exec();
    reject();
}
