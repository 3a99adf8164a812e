#pragma once

#include "document/SermonOccasion.h"
#include "sheets/CalendarGrid.h"
#include "sheets/SingleLineField.h"

#include <QAbstractButton>
#include <QDate>
#include <QFrame>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace kestrion {

class SectionBlock;

// The "Occurrences" section of the details sheets: the sermon's occasions, newest first, with a
// button to add one for the coming Sunday. A click on an occasion edits its place and date (one
// at a time, the date on a month calendar); Return or leaving the place field ends the edit.
//
// The list belongs to the owning sheet: the editor writes it back whole (occasionsEdited) when
// an occasion is added, removed or changed, keeps its stored order, and records no undo step.
// What is typed or picked stays pending in the editor until the edit is committed.
class OccurrencesEditor : public QWidget {
    Q_OBJECT
public:
    explicit OccurrencesEditor(QWidget* parent = nullptr);
    ~OccurrencesEditor() override;

    // The owner's list, in stored order. Setting it ends no edit; an edit of an occasion that
    // is gone is dropped by the next commit.
    const std::vector<SermonOccasion>& occasions() const { return m_occasions; }
    void setOccasions(const std::vector<SermonOccasion>& occasions);

    // A copy ordered newest first; occasions of one day keep their stored order.
    static std::vector<SermonOccasion> sortedOccasions(const std::vector<SermonOccasion>& occasions);

    // Today, for new occasions and the relative dates; the system's date unless set.
    void setToday(std::function<QDate()> today);
    QDate today() const;

    // --- Editing state ----------------------------------------------------------------------
    const std::optional<QUuid>& editingID() const { return m_editingID; }
    QDate editDate() const { return m_editDate; }
    const QString& editPlace() const { return m_editPlace; }
    bool isDatePopoverOpen() const { return m_datePopoverOpen; }

    // --- Operations -------------------------------------------------------------------------
    // Appends an occasion for the coming Sunday with no place and edits it, after committing
    // the edit in progress. Its place field takes the keyboard.
    void addOccasion();
    // Commits the edit in progress, then edits this occasion; its place field takes the
    // keyboard.
    void beginEditing(const SermonOccasion& occasion);
    // Writes the pending place and date when either differs from the occasion's, and ends the
    // edit.
    void commitEdit();
    // Removes every occasion with this id; the edit of it, if any, is dropped.
    void removeOccasion(const QUuid& id);
    // The pending values of the edited row, as the place field and the calendar set them.
    void setEditPlace(const QString& place);
    void setEditDate(const QDate& date);
    // Shows or hides the calendar under the date chip of the edited row.
    void setDatePopoverOpen(bool open);

    // --- Parts, for tests and screenshots ---------------------------------------------------
    SectionBlock* section() const { return m_section; }
    QToolButton* addButton() const { return m_addButton; }
    // The rows as shown, newest first; the edited row has a place field and a date chip.
    const std::vector<QWidget*>& rows() const { return m_rows; }
    SingleLineField* placeField() const { return m_placeField; }
    QAbstractButton* dateChip() const { return m_dateChip; }
    CalendarGrid* calendar() const { return m_calendar; }
    QLabel* emptyLabel() const { return m_emptyLabel; }
    // The remove button of a row.
    static QAbstractButton* removeButton(QWidget* row);

    // Where the calendar stands for a chip (in global coordinates): under it when it fits on
    // the screen's available area, else above it, and kept inside that area.
    static QRect popoverFrame(const QRect& chip, const QSize& size, const QRect& available);

Q_SIGNALS:
    // The list was written: an occasion was added, removed or changed.
    void occasionsEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void writeOccasions(std::vector<SermonOccasion> occasions);
    void rebuildRows();
    void updateTabOrder();
    QWidget* makeDisplayRow(const SermonOccasion& occasion);
    QWidget* makeEditingRow(const SermonOccasion& occasion);
    QWidget* focusablePart(QWidget* row, const QString& part) const;
    void releaseEditingRow();
    void closePopover();
    void takeKeyboardInPlace();
    void revealEditingRow();

    std::vector<SermonOccasion> m_occasions;
    std::optional<QUuid> m_editingID;
    QDate m_editDate;
    QString m_editPlace;
    bool m_datePopoverOpen = false;
    bool m_isRevealPending = false;
    std::function<QDate()> m_today;

    SectionBlock* m_section = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
    QLabel* m_emptyLabel = nullptr;
    QToolButton* m_addButton = nullptr;
    std::vector<QWidget*> m_rows;
    std::vector<QWidget*> m_dividers;
    QPointer<QWidget> m_editingRow;
    QPointer<SingleLineField> m_placeField;
    QPointer<QAbstractButton> m_dateChip;
    QPointer<QFrame> m_popover;
    QPointer<CalendarGrid> m_calendar;
};

} // namespace kestrion
