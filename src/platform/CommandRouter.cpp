#include "platform/CommandRouter.h"

#include "platform/FocusedValuePublisher.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QWindow>

#include <algorithm>

namespace kestrion {

CommandRouter& CommandRouter::shared()
{
    static CommandRouter* const instance = new CommandRouter;
    return *instance;
}

CommandRouter::CommandRouter(QObject* parent)
    : QObject(parent)
{
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (now && !qobject_cast<QMenuBar*>(now))
                m_lastFocus = now;
            Q_EMIT valuesChanged();
        });
        connect(app, &QGuiApplication::focusWindowChanged, this, &CommandRouter::valuesChanged);
    }
}

CommandRouter::~CommandRouter() = default;

void CommandRouter::addViewPublisher(QWidget* view, const FocusedValuePublisher* publisher)
{
    removePublisher(view);
    if (!view || !publisher)
        return;
    m_registrations.push_back({ view, publisher, false });
    connect(view, &QObject::destroyed, this, [this] {
        prune();
        Q_EMIT valuesChanged();
    });
    Q_EMIT valuesChanged();
}

void CommandRouter::addScenePublisher(QWidget* window, const FocusedValuePublisher* publisher)
{
    removePublisher(window);
    if (!window || !publisher)
        return;
    m_registrations.push_back({ window, publisher, true });
    connect(window, &QObject::destroyed, this, [this] {
        prune();
        Q_EMIT valuesChanged();
    });
    Q_EMIT valuesChanged();
}

void CommandRouter::removePublisher(QWidget* widget)
{
    const auto before = m_registrations.size();
    std::erase_if(m_registrations, [widget](const Registration& r) { return r.widget == widget || !r.widget; });
    if (widget)
        disconnect(widget, &QObject::destroyed, this, nullptr);
    if (m_registrations.size() != before)
        Q_EMIT valuesChanged();
}

void CommandRouter::prune()
{
    std::erase_if(m_registrations, [](const Registration& r) { return !r.widget; });
}

const CommandRouter::Registration* CommandRouter::registrationOf(const QWidget* widget) const
{
    for (const Registration& r : m_registrations) {
        if (r.widget == widget)
            return &r;
    }
    return nullptr;
}

void CommandRouter::setFocusOverride(QWidget* focusWidget)
{
    m_focusOverride = focusWidget;
    Q_EMIT valuesChanged();
}

QWidget* CommandRouter::focusWidget() const
{
    if (m_focusOverride)
        return m_focusOverride;
    QWidget* focus = QApplication::focusWidget();
    // The menu bar holds the keyboard while its menus are walked with the keys; the commands
    // still act on what had it before, as the menu bar gives it back.
    if (qobject_cast<QMenuBar*>(focus) && m_lastFocus && m_lastFocus->isVisible()
        && m_lastFocus->window() == focus->window())
        return m_lastFocus;
    return focus;
}

QWidget* CommandRouter::currentActiveWindow() const
{
    if (m_focusOverride)
        return m_focusOverride->window();
    if (QWidget* active = QApplication::activeWindow())
        return active;
    // Some platforms (offscreen among them) report focus without an active window.
    if (QWidget* focus = QApplication::focusWidget())
        return focus->window();
    return nullptr;
}

QWidget* CommandRouter::focusedWindow() const
{
    QWidget* window = currentActiveWindow();
    if (!window)
        return nullptr;
    for (const Registration& r : m_registrations) {
        if (r.widget && r.widget->window() == window)
            return window;
    }
    return nullptr;
}

QWidget* CommandRouter::focusedView() const
{
    QWidget* window = currentActiveWindow();
    for (QWidget* w = focusWidget(); w; w = w->parentWidget()) {
        if (w->window() != window)
            break;
        if (const Registration* r = registrationOf(w); r && !r->isScene)
            return w;
    }
    return nullptr;
}

FocusedValues CommandRouter::values() const
{
    FocusedValues values;
    QWidget* window = currentActiveWindow();
    if (!window)
        return values;
    for (const Registration& r : m_registrations) {
        if (r.isScene && r.widget && r.widget->window() == window)
            r.publisher->publishFocusedValues(values);
    }
    // Views from the outside in, so inner values win.
    std::vector<const Registration*> views;
    for (QWidget* w = focusWidget(); w && w->window() == window; w = w->parentWidget()) {
        if (const Registration* r = registrationOf(w); r && !r->isScene)
            views.push_back(r);
    }
    std::for_each(
        views.rbegin(), views.rend(), [&](const Registration* r) { r->publisher->publishFocusedValues(values); });
    return values;
}

void CommandRouter::publisherChanged(QWidget* publisher)
{
    // A publisher outside the active window does not change what the menus read.
    QWidget* window = currentActiveWindow();
    if (publisher && window && publisher->window() != window)
        return;
    Q_EMIT valuesChanged();
}

} // namespace kestrion
