#include "platform/profile.h"

#include "platform/message_box.h"

#include <QCoreApplication>
#include <QSettings>
#include <QVariant>

namespace platform
{
namespace
{

// A fresh object per call: QSettings caches per file, so this costs little, and every call
// sees the location in force (tests move it with QSettings::setPath).
struct ProfileKey
{
    QSettings settings{QStringLiteral("Quillory Corporation"), QStringLiteral("Sonoria")};
    QString key;

    ProfileKey(const QString& section, const QString& entry)
        : key(ProfileApplicationName() + u'/' + section + u'/' +
              (entry.isEmpty() ? QString::fromUtf16(ProfileUnnamedEntry) : entry))
    {
    }

    bool Write(const QVariant& value)
    {
        if (!settings.isWritable())
            return false;
        settings.setValue(key, value);
        settings.sync();
        return settings.status() == QSettings::NoError;
    }
};

} // namespace

QString ProfileApplicationName()
{
    if (QCoreApplication::instance())
    {
        const QString name = QCoreApplication::applicationName();
        if (!name.isEmpty())
            return name;
    }
    return QString::fromStdString(ApplicationTitle());
}

bool GetProfileBinary(const QString& section, const QString& entry, QByteArray& value)
{
    value.clear();
    ProfileKey profile(section, entry);
    const QVariant stored = profile.settings.value(profile.key);
    if (stored.metaType().id() != QMetaType::QByteArray)
        return false;
    value = stored.toByteArray();
    return true;
}

bool WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& value)
{
    ProfileKey profile(section, entry);
    return profile.Write(value);
}

int GetProfileInt(const QString& section, const QString& entry, int defaultValue)
{
    ProfileKey profile(section, entry);
    const QVariant stored = profile.settings.value(profile.key);
    // A byte block is no integer; the text route refuses values beyond 32 bits, which
    // QVariant's own conversion would silently cut.
    if (!stored.isValid() || stored.metaType().id() == QMetaType::QByteArray)
        return defaultValue;
    bool ok = false;
    const int value = stored.toString().trimmed().toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool WriteProfileInt(const QString& section, const QString& entry, int value)
{
    ProfileKey profile(section, entry);
    return profile.Write(value);
}

} // namespace platform
