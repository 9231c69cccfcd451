// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store of the desktop program: an INI file read and written through QSettings.
#pragma once

#include <QString>

#include "platform/settingsstore.h"

namespace varisect {

class QtSettingsStore : public SettingsStore {
public:
    // The per-user file, defaultPath().
    QtSettingsStore();
    // An explicit file (tests, a portable installation).
    explicit QtSettingsStore(QString filePath);

    std::string read(const std::string& key) const override;
    bool write(const std::string& key, const std::string& value) override;

    const QString& filePath() const { return path_; }

    // "Varisect_Setup.ini" in the user's configuration folder for this program (the general
    // configuration folder, then the temporary folder, when that is not known).
    static QString defaultPath();

private:
    QString path_;
};

}  // namespace varisect
