#include "app/SermonWindow.h"

#include "app/ContentView.h"
#include "platform/OpenDocument.h"

namespace kestrion {

SermonWindow::SermonWindow(OpenDocument& document, Preferences& preferences, QWidget* parent)
    : DocumentWindow(document, parent)
    , m_contentView(new ContentView(document.document(), preferences, &document.undoManager(), this))
{
    setCentralWidget(m_contentView);
}

SermonWindow::~SermonWindow() = default;

} // namespace kestrion
