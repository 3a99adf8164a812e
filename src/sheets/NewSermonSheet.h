#pragma once

#include "document/SermonMetadata.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QScrollArea;

namespace kestrion {

class SermonDetailsForm;

// The form of the new-sermon window: the title of a sermon that does not exist yet and,
// optionally, its scripture, series, duration and occasions. "Create" hands the trimmed title
// and the details to the owner, which makes the document; the sheet touches no document and
// records no undo step. The duration the row shows is the one the sermon gets, 35 while
// untouched. Neither Create nor Cancel clears what was entered, so the window shows it again
// when it is reused.
class NewSermonSheet : public QWidget {
    Q_OBJECT
public:
    using CreateCallback = std::function<void(const QString& title, const SermonMetadata& metadata)>;
    using CancelCallback = std::function<void()>;

    NewSermonSheet(CreateCallback onCreate, CancelCallback onCancel, QWidget* parent = nullptr);
    ~NewSermonSheet() override;

    SermonDetailsForm& form() const { return *m_form; }
    // Where the form scrolls when the window is too short for it.
    QScrollArea* scrollArea() const { return m_scrollArea; }

    // The title, trimmed of white space and line breaks, is not empty.
    bool canCreate() const;
    // Commits minutes typed and occasions edited but not yet confirmed, then calls onCreate;
    // nothing when the title is blank.
    void create();
    // Return in the Title, Scripture or Series field.
    void submit();

    // The committed duration; none until the user chooses one (35 is shown meanwhile, and
    // Create gives the sermon 35).
    const std::optional<qint64>& duration() const { return m_duration; }
    // A preset chip: its minutes become the duration.
    void selectPreset(qint64 minutes);
    // Return in the custom-minutes field: minutes within 1 to 180 become the duration; the
    // field keeps its text and gives up the keyboard.
    void submitCustomDuration();

private:
    void setDuration(const std::optional<qint64>& duration);
    void commitCustomDraft();
    void updateCreateButton();

    SermonDetailsForm* m_form = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    CreateCallback m_onCreate;
    CancelCallback m_onCancel;
    std::optional<qint64> m_duration;
    // Minutes typed since the last Return or chip, which Create still takes.
    bool m_customDraftIsPending = false;
};

} // namespace kestrion
