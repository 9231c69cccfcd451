// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/navigator.h"

#include <vector>

#include <QWidget>

#include "shell/windowshell.h"

namespace varisect {

namespace {

// Closes a window without its close handler; it is deleted once the events that may still
// involve it (the click that led here, say) have been handled.
void retire(std::unique_ptr<QWidget> window)
{
    if (!window)
        return;
    if (auto* shell = window->findChild<WindowShell*>(QString(), Qt::FindDirectChildrenOnly))
        shell->closeQuietly();
    else
        window->close();
    window.release()->deleteLater();
}

}  // namespace

Navigator::~Navigator()
{
    closeAll();
}

void Navigator::adopt(WindowRole role, std::unique_ptr<QWidget> window)
{
    auto& slot = windows_[role];
    retire(std::move(slot));
    slot = std::move(window);
}

QWidget* Navigator::window(WindowRole role) const
{
    const auto found = windows_.find(role);
    return found == windows_.end() ? nullptr : found->second.get();
}

void Navigator::show(WindowRole role)
{
    QWidget* w = window(role);
    if (!w)
        return;
    if (auto* shell = w->findChild<WindowShell*>(QString(), Qt::FindDirectChildrenOnly)) {
        shell->showInFront();
        return;
    }
    w->show();
    w->raise();
    w->activateWindow();
}

void Navigator::hide(WindowRole role)
{
    if (QWidget* w = window(role))
        w->hide();
}

void Navigator::close(WindowRole role)
{
    const auto found = windows_.find(role);
    if (found == windows_.end())
        return;
    std::unique_ptr<QWidget> w = std::move(found->second);
    windows_.erase(found);
    retire(std::move(w));
}

void Navigator::closeAllBut(WindowRole keep)
{
    std::vector<WindowRole> roles;
    for (const auto& [role, w] : windows_)
        if (role != keep)
            roles.push_back(role);
    for (WindowRole role : roles)
        close(role);
}

void Navigator::closeAll()
{
    while (!windows_.empty())
        close(windows_.begin()->first);
}

}  // namespace varisect
