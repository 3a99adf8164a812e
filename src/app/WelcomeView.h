#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace kestrion {

class NameplateView;
class RecentSermonsStore;

// The content of the welcome window: the application's name and caption, "New Sermon"
// (Ctrl+N), "Open existing file…" and the "RECENT" list of recently used sermons, each row
// opening its file on a click or on Return. It opens nothing itself: each control calls the
// action it was given. The list is read again whenever the view is shown and whenever the
// application becomes active.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    using Action = std::function<void()>;
    using OpenRecentAction = std::function<void(const QString& path)>;
    using RecentPaths = std::function<QStringList()>;

    static constexpr QSize minimumContentSize { 420, 420 };
    static constexpr int recentSectionMaximumWidth = 360;

    // The view takes ownership of the store.
    WelcomeView(RecentSermonsStore* recents, RecentPaths recentPaths, Action onNewSermon, Action onOpenFile,
        OpenRecentAction onOpenRecent, QWidget* parent = nullptr);
    ~WelcomeView() override;

    RecentSermonsStore& recents() const { return *m_recents; }
    // Refreshes the store with the recent paths of this moment.
    void loadRecents();

    QPushButton* newSermonButton() const { return m_newSermonButton; }
    QPushButton* openFileButton() const { return m_openFileButton; }
    // Shown only while the store has entries.
    QWidget* recentSection() const { return m_recentSection; }
    // The rows, in list order, and the dividers between them.
    QList<QAbstractButton*> recentRows() const;
    int dividerCount() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildActions(QWidget* parent);
    QWidget* buildRecentSection(QWidget* parent);
    void rebuildRows();
    void applyColours();

    RecentSermonsStore* m_recents;
    RecentPaths m_recentPaths;
    Action m_onNewSermon;
    Action m_onOpenFile;
    OpenRecentAction m_onOpenRecent;
    NameplateView* m_nameplate = nullptr;
    QPushButton* m_newSermonButton = nullptr;
    QPushButton* m_openFileButton = nullptr;
    QWidget* m_recentSection = nullptr;
    QLabel* m_recentCaption = nullptr;
    QScrollArea* m_recentScroll = nullptr;
    QWidget* m_rowsHost = nullptr;
    QVBoxLayout* m_rows = nullptr;
};

} // namespace kestrion
