// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtsettingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

namespace varisect {

namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The key as it is spelled in the file when some spelling of it is there, else `key` itself.
// The caller's group is the settings section.
QString storedSpelling(const QSettings& settings, const QString& key)
{
    const QStringList keys = settings.childKeys();
    for (const QString& k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    }
    return key;
}

QString valueText(const QVariant& value)
{
    // A value edited by hand to hold unquoted commas ("A,B,C") comes back as a list; it means
    // the same text.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

}  // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(defaultPath()) {}

QtSettingsStore::QtSettingsStore(QString filePath) : path_(std::move(filePath)) {}

QString QtSettingsStore::defaultPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QString::fromLatin1(kSettingsApplication) + QStringLiteral(".ini"));
}

std::string QtSettingsStore::read(const std::string& key) const
{
    // A new QSettings for every call: it sees what other store objects on the same file wrote.
    QSettings settings(path_, QSettings::IniFormat);
    settings.beginGroup(QString::fromLatin1(kSettingsSection));
    const QString name = fromUtf8(key);
    const QStringList keys = settings.childKeys();
    for (const QString& k : keys) {
        if (k.compare(name, Qt::CaseInsensitive) == 0)
            return valueText(settings.value(k)).toUtf8().toStdString();
    }
    return {};
}

bool QtSettingsStore::write(const std::string& key, const std::string& value)
{
    if (key.empty())
        return false;
    QSettings settings(path_, QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    settings.beginGroup(QString::fromLatin1(kSettingsSection));
    const QString name = storedSpelling(settings, fromUtf8(key));
    const bool hadValue = settings.contains(name);
    const QVariant previous = settings.value(name);

    settings.setValue(name, fromUtf8(value));
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::FormatError:
        // A damaged file: QSettings rewrote it with what it could read and the new value, unless
        // the file cannot be written at all (that error would be hidden behind this one).
        if (QFileInfo(path_).isWritable())
            return true;
        break;
    case QSettings::AccessError:
        break;
    }

    // QSettings keeps the unsaved value in memory for every object on this file; put back what
    // the file holds so that a later read does not report a value that was never stored.
    if (hadValue)
        settings.setValue(name, previous);
    else
        settings.remove(name);
    return false;
}

}  // namespace varisect
