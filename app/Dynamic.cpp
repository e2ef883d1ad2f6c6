#include "Dynamic.h"

#include "FMSettings.h"

#include <QCheckBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

const QString Dynamic::rollGroup = QStringLiteral("events.1");

namespace {

// Shortest time a repeated roll takes, so a roll whose events all lie at 0
// does not spin.
constexpr qint64 minimumCycleMs = 1000;
constexpr int eventRole = Qt::UserRole;     // index of the event in the roll
constexpr int lineRole = Qt::UserRole + 1;  // line id of a top-level item

QString secondsText(u32 ms)
{
    return QString::number(ms / 1000.0, 'f', 3);
}

bool earlier(const Event &a, const Event &b)
{
    return a.time < b.time;
}

} // namespace

Dynamic::Dynamic(QWidget *parent) : QDockWidget(tr("Event Player"), parent)
{
    setObjectName(QStringLiteral("Dynamic"));
    buildUi();
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Dynamic::playDue);
}

Dynamic::~Dynamic() = default;

void Dynamic::buildUi()
{
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *buttons = new QHBoxLayout;
    m_playButton = new QPushButton(tr("Abspielen"), box);
    m_playButton->setCheckable(true);
    auto *save = new QPushButton(tr("Speichern"), box);
    m_repeatBox = new QCheckBox(tr("Wiederholen"), box);
    buttons->addWidget(m_playButton);
    buttons->addWidget(save);
    buttons->addWidget(m_repeatBox);
    buttons->addStretch();
    layout->addLayout(buttons);

    m_tree = new QTreeWidget(box);
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({tr("Zeit [s]"), tr("Befehl")});
    m_tree->header()->setStretchLastSection(true);
    m_tree->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    layout->addWidget(m_tree);
    setWidget(box);

    connect(m_playButton, &QPushButton::toggled, this, [this](bool on) { on ? play() : stop(); });
    connect(save, &QPushButton::clicked, this, &Dynamic::saveRoll);
    connect(m_repeatBox, &QCheckBox::toggled, this, &Dynamic::setRepeat);
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *i) { lineExpanded(i, true); });
    connect(m_tree, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *i) { lineExpanded(i, false); });
    connect(m_tree, &QTreeWidget::itemChanged, this, &Dynamic::itemEdited);
}

void Dynamic::setSettings(const QSharedPointer<FMSettings> &project)
{
    stop();
    m_project = project;
    m_events.clear();
    m_expanded.clear();
    m_repeat = true;
    if (m_project)
        m_events = m_project->loadRoll(rollGroup, m_expanded, m_repeat);
    fill();
}

QString Dynamic::lineName(const Event &event)
{
    static const char *const sections[] = {"", "channel", "audio", "playlist", "rds", "tmc"};
    if (event.type == Event::Other || event.type > Event::Tmc)
        return tr("sonstige");
    return QStringLiteral("%1.%2").arg(QLatin1String(sections[event.type])).arg(event.number);
}

void Dynamic::fill()
{
    m_filling = true;
    m_tree->clear();
    QMap<int, QTreeWidgetItem *> lines;
    for (int i = 0; i < m_events.size(); ++i) {
        const Event &e = m_events.at(i);
        QTreeWidgetItem *&line = lines[lineId(e)];
        if (!line) {
            line = new QTreeWidgetItem(m_tree, {lineName(e), QString()});
            line->setData(0, lineRole, lineId(e));
            line->setFlags(Qt::ItemIsEnabled);
        }
        auto *item = new QTreeWidgetItem(line, {secondsText(e.time), e.command});
        item->setData(0, eventRole, i);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    }
    for (auto it = lines.cbegin(); it != lines.cend(); ++it)
        it.value()->setExpanded(m_expanded.contains(it.key()));
    m_repeatBox->setChecked(m_repeat);
    m_tree->resizeColumnToContents(0);
    m_filling = false;
}

void Dynamic::lineExpanded(QTreeWidgetItem *item, bool expanded)
{
    if (m_filling || item->parent())
        return;
    const int id = item->data(0, lineRole).toInt();
    if (expanded == m_expanded.contains(id))
        return;
    if (expanded)
        m_expanded.insert(id);
    else
        m_expanded.remove(id);
    if (m_project)
        m_project->setRollOptions(rollGroup, m_expanded, m_repeat);
}

void Dynamic::setRepeat(bool on)
{
    if (m_filling || on == m_repeat)
        return;
    m_repeat = on;
    if (m_project)
        m_project->setRollOptions(rollGroup, m_expanded, m_repeat);
}

void Dynamic::itemEdited(QTreeWidgetItem *item, int)
{
    if (m_filling || !item->parent())
        return;
    const int index = item->data(0, eventRole).toInt();
    bool ok = false;
    const double seconds = item->text(0).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    const bool valid = ok && seconds >= 0 && seconds * 1000.0 <= double(UINT32_MAX);
    if (valid)
        changeEvent(index, u32(qRound64(seconds * 1000.0)), item->text(1).trimmed());
    // Show the roll again, after this signal: the entry may have moved to
    // another time or line, or a bad time is put back as stored.
    QTimer::singleShot(0, this, &Dynamic::fill);
}

bool Dynamic::storedInListOrder() const
{
    for (int i = 0; i < m_events.size(); ++i) {
        const QVariant stored = m_project->value(rollGroup + QLatin1Char('/') + QString::number(i));
        if (!stored.isValid() || stored.toString().trimmed() != m_events.at(i).toStored())
            return false;
    }
    return true;
}

bool Dynamic::changeEvent(int index, u32 timeMs, const QString &command)
{
    if (!m_project || index < 0 || index >= m_events.size())
        return false;
    const bool inOrder = storedInListOrder();
    Event &e = m_events[index];
    e.time = timeMs;
    e.command = command;
    e.deriveFromCommand();
    qDebug("dyn: exec change %d %u %s", index, timeMs, qPrintable(command));
    if (inOrder && std::is_sorted(m_events.cbegin(), m_events.cend(), earlier)) {
        m_project->setEvent(index, rollGroup, e);
    } else {
        // The entry moved past another (the replay runs the list in its
        // order), or the file numbers this roll in another order than its
        // times (a write by position would overwrite another entry): the
        // whole roll is sorted and stored in list order.
        saveRoll();
        if (isPlaying())
            resumeAtClock();
    }
    return true;
}

void Dynamic::saveRoll()
{
    if (!m_project)
        return;
    qDebug("dyn: save roll");
    std::stable_sort(m_events.begin(), m_events.end(), earlier);
    m_project->setRoll(rollGroup, m_events, m_expanded, m_repeat);
}

void Dynamic::resumeAtClock()
{
    // Whatever lies at or before the present moment of this cycle counts as
    // done; the next event after it comes next.
    Event now;
    now.time = u32(qBound<qint64>(0, m_clock.elapsed() - m_cycleStart, UINT32_MAX));
    m_next = int(std::upper_bound(m_events.cbegin(), m_events.cend(), now, earlier) - m_events.cbegin());
    m_timer.start(0);
}

void Dynamic::play()
{
    if (!m_project || m_events.isEmpty()) {
        stop();
        return;
    }
    qDebug("dyn: play %d events", int(m_events.size()));
    m_next = 0;
    m_cycleStart = 0;
    m_clock.start();
    m_timer.start(0);
    m_playButton->setChecked(true);
    emit playing(true);
}

void Dynamic::stop()
{
    const bool was = m_timer.isActive();
    m_timer.stop();
    m_playButton->setChecked(false);
    if (was) {
        qDebug("dyn: stop");
        emit playing(false);
    }
}

void Dynamic::playDue()
{
    if (!m_project)
        return stop();
    const qint64 now = m_clock.elapsed() - m_cycleStart;
    while (m_next < m_events.size() && m_events.at(m_next).time <= now) {
        const QString command = m_events.at(m_next++).command.trimmed();
        const int blank = command.indexOf(QLatin1Char(' '));
        if (blank > 0) {
            const int code = m_project->set(command.left(blank), command.mid(blank + 1).trimmed(), true, this);
            qDebug("dyn: exec %s -> %d", qPrintable(command), code);
        }
    }
    if (m_next < m_events.size()) {
        m_timer.start(int(qMax<qint64>(0, m_events.at(m_next).time - now)));
        return;
    }
    if (!m_repeat)
        return stop();
    // The next cycle starts when the last event's time (at least a second) is over.
    m_cycleStart += qMax<qint64>(minimumCycleMs, m_events.constLast().time);
    m_next = 0;
    m_timer.start(int(qMax<qint64>(0, m_cycleStart - m_clock.elapsed())));
}
