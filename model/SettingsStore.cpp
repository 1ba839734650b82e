#include "SettingsStore.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace {

// The entry of `names` equal to `name`, else the first that differs only in case.
QString FindName(const QStringList& names, const QString& name)
{
    if (names.contains(name))
        return name;
    for (const QString& candidate : names)
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    return {};
}

QString Join(const QString& group, const QString& key)
{
    return group.isEmpty() ? key : group + QLatin1Char('/') + key;
}

// A stored integer as the registry's 32-bit value. INI files keep every value as
// text, so decimal text counts as an integer; anything else is the wrong type.
std::optional<qint32> ToInteger(const QVariant& value)
{
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        number = value.toLongLong(&ok);
        break;
    case QMetaType::ULongLong:
        number = qlonglong(qMin(value.toULongLong(&ok), quint64(UINT32_MAX) + 1));
        break;
    case QMetaType::QString:
        number = value.toString().toLongLong(&ok, 10);
        break;
    default:
        return std::nullopt;
    }
    // A DWORD above INT32_MAX reads back as a negative integer, as the registry does.
    if (!ok || number < INT32_MIN || number > qlonglong(UINT32_MAX))
        return std::nullopt;
    return qint32(quint32(number));
}

} // namespace

TSettingsStore::TSettingsStore(QSettings& settings)
    : Settings(settings)
{
}

QStringList TSettingsStore::StoredGroups(const QString& group) const
{
    if (group.isEmpty())
        return {QString()};
    QStringList groups;
    const QStringList children = Settings.childGroups();
    if (children.contains(group))
        groups << group;
    for (const QString& child : children)
        if (child != group && child.compare(group, Qt::CaseInsensitive) == 0)
            groups << child;
    if (groups.isEmpty())
        groups << group;
    return groups;
}

QString TSettingsStore::StoredKey(const QString& group, const QString& name) const
{
    for (const QString& storedGroup : StoredGroups(group)) {
        Settings.beginGroup(storedGroup);
        const QString key = FindName(Settings.childKeys(), name);
        Settings.endGroup();
        if (!key.isEmpty())
            return Join(storedGroup, key);
    }
    return {};
}

bool TSettingsStore::ReadSwitch(const QString& group, const QString& name, bool def) const
{
    return ReadInteger(group, name, def ? 1 : 0) != 0;
}

qint32 TSettingsStore::ReadInteger(const QString& group, const QString& name, qint32 def) const
{
    const QString key = StoredKey(group, name);
    if (key.isEmpty())
        return def;
    return ToInteger(Settings.value(key)).value_or(def);
}

QString TSettingsStore::ReadText(const QString& group, const QString& name, const QString& def) const
{
    const QString key = StoredKey(group, name);
    if (key.isEmpty())
        return def;
    const QVariant value = Settings.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : def;
}

QByteArray TSettingsStore::ReadBytes(const QString& group, const QString& name) const
{
    const QString key = StoredKey(group, name);
    if (key.isEmpty())
        return {};
    const QVariant value = Settings.value(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void TSettingsStore::Write(const QString& group, const QString& name, const QVariant& value)
{
    // Remove every spelling of the name first, or a backend that tells case apart
    // would keep the old value beside the new one and might read the old one back.
    const QStringList groups = StoredGroups(group);
    for (const QString& storedGroup : groups) {
        Settings.beginGroup(storedGroup);
        const QStringList keys = Settings.childKeys();
        for (const QString& key : keys)
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                Settings.remove(key);
        Settings.endGroup();
    }
    Settings.setValue(Join(groups.value(0, group), name), value);
}

void TSettingsStore::WriteSwitch(const QString& group, const QString& name, bool value)
{
    WriteInteger(group, name, value ? 1 : 0);
}

void TSettingsStore::WriteInteger(const QString& group, const QString& name, qint32 value)
{
    Write(group, name, QVariant(int(value)));
}

void TSettingsStore::WriteText(const QString& group, const QString& name, const QString& value)
{
    Write(group, name, QVariant(value));
}

void TSettingsStore::WriteBytes(const QString& group, const QString& name, const QByteArray& value)
{
    Write(group, name, QVariant(value));
}

bool TSettingsStore::Sync()
{
    Settings.sync();
    return Settings.status() == QSettings::NoError;
}

QColor ColorFromStored(qint32 bgr)
{
    const auto value = quint32(bgr);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

qint32 StoredFromColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return qint32(quint32(rgb.red()) | quint32(rgb.green()) << 8 | quint32(rgb.blue()) << 16);
}

std::unique_ptr<QSettings> OpenProgramSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tolvic Software"), QStringLiteral("Skelmar"));
}
