#pragma once

#include "app/ContentView.h"
#include "app/SermonWindow.h"
#include "document/SermonNode.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/DocumentManager.h"
#include "platform/OpenDocument.h"
#include "platform/Preferences.h"
#include "platform/WidgetDocumentDialogs.h"
#include "support/SermonTrees.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace kestrion::bench {

// A sermon open in its window at the window's own size, the menus attached as the application
// attaches them, read from its file as a user's sermon is.
struct OpenSermon {
    explicit OpenSermon(const SermonNodePtr& root)
        : preferences(std::make_unique<QSettings>(folder.filePath(QStringLiteral("p.ini")), QSettings::IniFormat))
        , settings(folder.filePath(QStringLiteral("s.ini")), QSettings::IniFormat)
        , manager(settings, std::make_unique<WidgetDocumentDialogs>())
    {
        const QString path = folder.filePath(QStringLiteral("sermon.md"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(sermonFile(root));
        file.close();
        manager.setRecoveryFolder(folder.filePath(QStringLiteral("recovery")));
        manager.setWindowFactory([this](OpenDocument& d) { return new SermonWindow(d, preferences); });
        document = manager.open(path);
        window = static_cast<SermonWindow*>(document->window());
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        canvas = window->contentView()->mindMapCanvas();
        canvas->setCanvasFocused(true);
    }
    ~OpenSermon() { manager.closeAll(); }

    QTemporaryDir folder;
    Preferences preferences;
    QSettings settings;
    DocumentManager manager;
    OpenDocument* document = nullptr;
    SermonWindow* window = nullptr;
    MindMapCanvas* canvas = nullptr;
};

} // namespace kestrion::bench
