#include "konfig/windowlayout.h"

#include "konfig/inifile.h"

#include <QDir>
#include <QStringList>

namespace konfig {
namespace {

const QString kSection = QStringLiteral("TForm1");

QList<int> numbers(const QString& text)
{
    QList<int> list;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        list << (ok && n >= 0 ? n : 0);
    }
    return list;
}

QString joined(const QList<int>& list)
{
    QStringList parts;
    for (int n : list)
        parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

} // namespace

QString WindowLayoutPath(const QString& dataDirectory)
{
    return QDir(dataDirectory).filePath(QStringLiteral("okno.ini"));
}

std::optional<WindowLayout> LoadWindowLayout(const QString& path)
{
    const IniFile ini(path);
    auto whole = [&](const char* key, bool* ok) { return ini.read(kSection, QLatin1String(key)).toInt(ok); };
    WindowLayout l;
    bool okX = false, okY = false, okW = false, okH = false;
    l.x = whole("x", &okX);
    l.y = whole("y", &okY);
    l.width = whole("szerokosc", &okW);
    l.height = whole("wysokosc", &okH);
    if (!okX || !okY || !okW || !okH || l.width < 200 || l.height < 150)
        return std::nullopt;
    l.maximized = ini.read(kSection, QStringLiteral("maksymalne")) == QLatin1String("1");
    l.splitter1 = numbers(ini.read(kSection, QStringLiteral("podzial1")));
    l.splitter2 = numbers(ini.read(kSection, QStringLiteral("podzial2")));
    l.columnWidths = numbers(ini.read(kSection, QStringLiteral("kolumny")));
    return l;
}

bool SaveWindowLayout(const QString& path, const WindowLayout& l)
{
    IniFile ini(path);
    const std::pair<const char*, QString> values[] = {
        {"x", QString::number(l.x)},
        {"y", QString::number(l.y)},
        {"szerokosc", QString::number(l.width)},
        {"wysokosc", QString::number(l.height)},
        {"maksymalne", l.maximized ? QStringLiteral("1") : QStringLiteral("0")},
        {"podzial1", joined(l.splitter1)},
        {"podzial2", joined(l.splitter2)},
        {"kolumny", joined(l.columnWidths)},
    };
    for (const auto& [key, value] : values)
        if (!ini.write(kSection, QLatin1String(key), value))
            return false;
    return true;
}

std::optional<QRect> LoadWindowPlace(const QString& path, const QString& section)
{
    const IniFile ini(path);
    bool ok[4] = {};
    const char* keys[4] = {"x", "y", "szerokosc", "wysokosc"};
    int values[4] = {};
    for (int i = 0; i < 4; ++i)
        values[i] = ini.read(section, QLatin1String(keys[i])).toInt(&ok[i]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || values[2] < 200 || values[3] < 150)
        return std::nullopt;
    return QRect(values[0], values[1], values[2], values[3]);
}

bool SaveWindowPlace(const QString& path, const QString& section, const QRect& place)
{
    IniFile ini(path);
    const std::pair<const char*, int> values[] = {
        {"x", place.x()}, {"y", place.y()}, {"szerokosc", place.width()}, {"wysokosc", place.height()}};
    for (const auto& [key, value] : values)
        if (!ini.write(section, QLatin1String(key), QString::number(value)))
            return false;
    return true;
}

QRect FitToScreen(const QRect& place, const QList<QRect>& availableScreens, const QRect& primary,
                  const QMargins& frame)
{
    QRect screen;
    for (const QRect& s : availableScreens)
        if (s.contains(place.center())) {
            screen = s;
            break;
        }
    if (screen.isNull()) {
        qint64 most = 0;
        for (const QRect& s : availableScreens) {
            const QRect common = s.intersected(place);
            const qint64 area = qint64(common.width()) * common.height();
            if (area > most) {
                most = area;
                screen = s;
            }
        }
    }
    if (screen.isNull())
        screen = primary;
    if (screen.isEmpty())
        return place;
    // The whole window, frame and title included, must fit.
    QRect outer = place.marginsAdded(frame);
    outer.setSize(outer.size().boundedTo(screen.size()));
    outer.moveLeft(qBound(screen.left(), outer.left(), screen.right() - outer.width() + 1));
    outer.moveTop(qBound(screen.top(), outer.top(), screen.bottom() - outer.height() + 1));
    return outer.marginsRemoved(frame);
}

} // namespace konfig
