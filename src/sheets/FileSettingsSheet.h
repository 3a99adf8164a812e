#pragma once

#include "document/SermonDocument.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

namespace kestrion {

class Preferences;
class SermonDetailsForm;
class UndoRegistrar;

// The sheet in which the details of an open sermon are edited: its title (the root node's
// text), scripture, series, duration and occasions. Title, scripture, series and occasions are
// drafts that Done writes, each changed value as an undo step of its own; a duration chip or
// Return in the custom minutes writes at once, also as its own step. Cancel writes nothing more.
//
// Every write goes through the document, which announces it, so each view of the document
// follows at once; the undo manager marks the window edited and the document is autosaved.
// A change of the document's title, scripture, series or duration from elsewhere replaces the
// matching draft.
//
// While the sermon has no duration, the row shows the one delivery would count down from (the
// estimate from its words at the delivery pace), and nothing is stored until the user chooses:
// a chip, or minutes typed into the custom field.
class FileSettingsSheet : public QWidget {
    Q_OBJECT
public:
    // The undo manager is the window's; without one the steps are kept by the document alone.
    // The delivery pace is read from the preferences. The sermon's words come from a count the
    // window keeps, when it gives one; else the sheet counts them.
    using WordCounter = std::function<std::optional<qint64>()>;
    FileSettingsSheet(SermonDocument& document, UndoRegistrar* undoManager, Preferences& preferences,
        WordCounter sermonWords = {}, QWidget* parent = nullptr);
    ~FileSettingsSheet() override;

    SermonDetailsForm& form() const { return *m_form; }
    SermonDocument* document() const { return m_document; }

    // Closes the sheet; called at the end of Done and as Cancel.
    void setOnDismiss(std::function<void()> onDismiss) { m_onDismiss = std::move(onDismiss); }

    // Fills the drafts from the document.
    void loadDrafts();
    // Done: writes each draft that differs from the document, minutes typed but not yet
    // confirmed and an occasion still being edited included, then closes.
    void commitFileSettings();
    // Cancel: closes without writing the drafts.
    void cancel();

    // The duration row: a chip or valid minutes are written to the document at once.
    void selectPreset(qint64 minutes);
    void setDuration(qint64 minutes);
    void submitCustomDuration();
    // Applies minutes typed since the field was last filled when they are 1 to 180, then shows
    // the stored value again.
    void commitCustomDuration();

private:
    void watchDocument();
    void refreshFromDocument();
    // Says so while the file's details could not be read and are kept as written.
    void updateUnreadableNotice();
    void recordUndo();
    // The row follows the document's duration, or the estimate while it has none.
    void showDuration();
    // What delivery would count down from while the sermon has no duration.
    qint64 estimatedMinutes() const;
    void refreshEstimate();
    void setCustomDraft(const QString& text);

    QPointer<SermonDocument> m_document;
    UndoRegistrar* m_undoManager = nullptr;
    Preferences& m_preferences;
    WordCounter m_sermonWords;
    SermonDetailsForm* m_form = nullptr;
    std::function<void()> m_onDismiss;
    // The document's values the drafts last followed: only a change of one replaces its draft.
    QString m_seenTitle;
    QString m_seenScripture;
    QString m_seenSeries;
    std::optional<qint64> m_seenDuration;
    // The custom field holds minutes the user typed, not the ones the sheet put there.
    bool m_customDraftTyped = false;
    // The estimate follows the words once typing pauses, not at each keystroke.
    QTimer m_estimateRefresh;
};

} // namespace kestrion
