#include "schedulepage.h"

#include "harmonogram/lastrun.h"
#include "harmonogram/schedule.h"
#include "harmonogram/userunits.h"
#include "konfig/settings.h"
#include "platform/clock.h"
#include "platform/installation.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

const char* const kDayNames[7] = {"pn", "wt", "śr", "czw", "pt", "sob", "nd"};

} // namespace

SchedulePage::SchedulePage(Settings& settings, const QString& dataDirectory, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_dataDirectory(dataDirectory)
{
    setObjectName(QStringLiteral("TabSheetHarmonogram"));
    // On two lines, with the time after them: on one line the caption
    // would widen the fixed window.
    m_on = new QCheckBox(QStringLiteral("Sprawdzaj strony automatycznie\ncodziennie o godz."), this);
    m_on->setObjectName(QStringLiteral("CheckBoxHarmonogram"));
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QStringLiteral("TimeHarmonogram"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm"));
    m_time->setAccessibleName(QStringLiteral("Godzina kontroli"));

    // Two rows of days: one would widen the fixed window.
    auto* days = new QGridLayout;
    days->setHorizontalSpacing(6);
    days->setVerticalSpacing(0);
    for (int i = 0; i < 7; ++i) {
        m_days[i] = new QCheckBox(QString::fromUtf8(kDayNames[i]), this);
        m_days[i]->setObjectName(QStringLiteral("CheckBoxDzien%1").arg(i + 1));
        days->addWidget(m_days[i], i / 4, i % 4);
    }
    days->setColumnStretch(4, 1);

    m_publish = new QCheckBox(QStringLiteral("potem publikuj zaznaczone rekordy na serwerze"), this);
    m_publish->setObjectName(QStringLiteral("CheckBoxPublikuj"));
    m_publish->setToolTip(QStringLiteral("Jak przycisk publikacji, z danymi serwera z zakładki \"Serwer\""));

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("LabelHarmonogram"));
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_on);
    timeRow->addWidget(m_time, 0, Qt::AlignBottom);
    timeRow->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 4);
    column->addLayout(timeRow);
    column->addLayout(days);
    column->addWidget(m_publish);
    column->addWidget(m_state, 1, Qt::AlignTop);

    showSettings();
    auto edited = [this] {
        harmonogram::Schedule& s = m_settings.schedule;
        s.on = m_on->isChecked();
        s.time = m_time->time();
        harmonogram::Days d = 0;
        for (int i = 0; i < 7; ++i)
            if (m_days[i]->isChecked())
                d |= 1u << i;
        s.days = d;
        s.publish = m_publish->isChecked();
        m_settings.notifyChanged();
    };
    connect(m_on, &QCheckBox::toggled, this, edited);
    connect(m_time, &QTimeEdit::timeChanged, this, edited);
    for (QCheckBox* day : m_days)
        connect(day, &QCheckBox::toggled, this, edited);
    connect(m_publish, &QCheckBox::toggled, this, edited);
    connect(&m_settings, &Settings::changed, this, &SchedulePage::showSettings);
}

QString SchedulePage::CommandLineProgram()
{
    return QDir(Installation::ProgramDirectory()).filePath(QStringLiteral("ekowarta-cli"));
}

void SchedulePage::showSettings()
{
    const harmonogram::Schedule& s = m_settings.schedule;
    const QSignalBlocker b1(m_on), b2(m_time), b3(m_publish);
    m_on->setChecked(s.on);
    m_time->setTime(s.time);
    for (int i = 0; i < 7; ++i) {
        const QSignalBlocker b(m_days[i]);
        m_days[i]->setChecked(s.days & (1u << i));
    }
    m_publish->setChecked(s.publish);
    m_time->setEnabled(s.on);
    for (QCheckBox* day : m_days)
        day->setEnabled(s.on);
    m_publish->setEnabled(s.on);
    showState();
}

void SchedulePage::showState(const QString& text)
{
    if (!text.isEmpty()) {
        m_state->setText(text);
        return;
    }
    const harmonogram::Schedule& s = m_settings.schedule;
    QString state;
    if (s.on && !(s.days & harmonogram::kEveryDay))
        state = QStringLiteral("Zaznacz co najmniej jeden dzień tygodnia.");
    else if (s.on && !harmonogram::UpToDate(s, CommandLineProgram(), m_dataDirectory))
        state = QStringLiteral("Zmiany zaczną działać po kliknięciu \"Zapisz\".");
    else if (s.on)
        state = QStringLiteral("Najbliższa kontrola: %1.")
                    .arg(harmonogram::NextDue(s, Clock::now()).toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    if (const auto last = harmonogram::ReadLastRun(m_dataDirectory))
        state += (state.isEmpty() ? QString() : QStringLiteral("\n")) + harmonogram::LastRunLine(*last);
    m_state->setText(state);
}

void SchedulePage::ApplySchedule()
{
    harmonogram::Schedule s = m_settings.schedule;
    // No day ticked: nothing to run, so no timer either.
    if (!(s.days & harmonogram::kEveryDay))
        s.on = false;
    try {
        const harmonogram::InstallOutcome outcome =
            harmonogram::Apply(s, CommandLineProgram(), m_dataDirectory, harmonogram::CurrentSystemctl());
        showState(outcome.message);
    } catch (const std::exception&) {
        showState(QStringLiteral("Nie udało się zapisać licznika zaplanowanej kontroli."));
        throw;
    }
}
