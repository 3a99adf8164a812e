#include "sheets/NewSermonSheet.h"

#include "platform/WholeNumber.h"
#include "sheets/DurationRow.h"
#include "sheets/DurationRules.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SermonDetailsForm.h"
#include "sheets/SingleLineField.h"

#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace kestrion {

NewSermonSheet::NewSermonSheet(CreateCallback onCreate, CancelCallback onCancel, QWidget* parent)
    : QWidget(parent)
    , m_onCreate(std::move(onCreate))
    , m_onCancel(std::move(onCancel))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_form = new SermonDetailsForm(tr("New Sermon"), tr("Create"));
    // A window shorter than the least room the form needs (a small screen, a tall font) scrolls
    // the form rather than squeeze its fields; where the form fits, nothing scrolls. The bar
    // takes its width from the form's right margin.
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_form->setMinimumWidth(SermonDetailsForm::formWidth
        - m_scrollArea->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollArea));
    m_scrollArea->setWidget(m_form);
    // After setWidget, which fills the form's background: the window's own shows.
    m_form->setAutoFillBackground(false);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    layout->addWidget(m_scrollArea);

    m_form->setOnCancel([this] {
        if (m_onCancel)
            m_onCancel();
    });
    m_form->setOnAction([this] { create(); });
    connect(m_form->titleField(), &SingleLineField::lineEdited, this, &NewSermonSheet::updateCreateButton);

    DurationRow* row = m_form->durationRow();
    row->setOnSelectPreset([this](qint64 minutes) { selectPreset(minutes); });
    row->setOnSubmitCustom([this] { submitCustomDuration(); });
    connect(row, &DurationRow::customDraftEdited, this, [this] { m_customDraftIsPending = true; });
    updateCreateButton();
}

NewSermonSheet::~NewSermonSheet() = default;

bool NewSermonSheet::canCreate() const
{
    // QString::trimmed takes white space and every kind of line break off both ends.
    return !m_form->titleField()->text().trimmed().isEmpty();
}

void NewSermonSheet::updateCreateButton()
{
    m_form->actionButton()->setEnabled(canCreate());
}

void NewSermonSheet::submit()
{
    if (canCreate())
        create();
}

void NewSermonSheet::create()
{
    if (!canCreate())
        return;
    // What the user sees in the form is what the sermon gets: a place still being typed and
    // minutes not yet confirmed with Return count.
    m_form->occurrences()->commitEdit();
    commitCustomDraft();
    SermonMetadata metadata;
    metadata.occasions = m_form->occurrences()->occasions();
    metadata.scripture = m_form->scriptureField()->text().trimmed();
    metadata.series = m_form->seriesField()->text().trimmed();
    // The row shows 35 while nothing is chosen: the sermon gets what it showed.
    metadata.duration = DurationRules::shownValue(m_duration);
    const QString title = m_form->titleField()->text().trimmed();
    if (m_onCreate)
        m_onCreate(title, metadata);
}

void NewSermonSheet::setDuration(const std::optional<qint64>& duration)
{
    m_duration = duration;
    m_form->durationRow()->setDuration(duration);
}

void NewSermonSheet::selectPreset(qint64 minutes)
{
    m_form->durationRow()->setCustomFieldFocused(false);
    m_customDraftIsPending = false;
    setDuration(minutes);
}

void NewSermonSheet::commitCustomDraft()
{
    if (!m_customDraftIsPending)
        return;
    m_customDraftIsPending = false;
    const QString draft = m_form->durationRow()->customDraft();
    if (draft.isEmpty())
        return;
    const std::optional<qint64> minutes = parseWholeNumber(draft);
    if (minutes && DurationRules::isAccepted(*minutes))
        setDuration(*minutes);
}

void NewSermonSheet::submitCustomDuration()
{
    m_customDraftIsPending = true;
    commitCustomDraft();
    m_form->durationRow()->setCustomFieldFocused(false);
}

} // namespace kestrion
