// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/gridkeys.h"

#include <QKeyEvent>

namespace varisect {

std::optional<EntryKey> entryKeyOf(const QKeyEvent& event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    if (event.key() == Qt::Key_Backspace)
        return EntryKey::backspace();
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        return EntryKey::enter();
    const QList<uint> codes = event.text().toUcs4();
    if (codes.size() != 1)
        return std::nullopt;
    return EntryKey::typed(static_cast<char32_t>(codes.front()));
}

bool keepTypedCharacter(QEvent& event)
{
    if (event.type() != QEvent::ShortcutOverride)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(event);
    if (key.text().isEmpty() || (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    event.accept();
    return true;
}

}  // namespace varisect
