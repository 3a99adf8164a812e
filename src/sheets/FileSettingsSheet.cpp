#include "sheets/FileSettingsSheet.h"

#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "platform/Preferences.h"
#include "platform/WholeNumber.h"
#include "sheets/DurationRow.h"
#include "sheets/DurationRules.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SermonDetailsForm.h"
#include "sheets/SingleLineField.h"

#include <QVBoxLayout>

namespace kestrion {

namespace {

// The custom minutes are trimmed of spaces and tabs only.
QString trimSpacesAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

FileSettingsSheet::FileSettingsSheet(SermonDocument& document, UndoRegistrar* undoManager, Preferences& preferences,
    WordCounter sermonWords, QWidget* parent)
    : QWidget(parent)
    , m_document(&document)
    , m_undoManager(undoManager)
    , m_preferences(preferences)
    , m_sermonWords(std::move(sermonWords))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_form = new SermonDetailsForm(tr("File settings"), tr("Done"), this);
    layout->addWidget(m_form);

    m_form->setOnCancel([this] { cancel(); });
    m_form->setOnAction([this] { commitFileSettings(); });
    DurationRow* row = m_form->durationRow();
    row->setOnSelectPreset([this](qint64 minutes) { selectPreset(minutes); });
    row->setOnSubmitCustom([this] { submitCustomDuration(); });
    connect(row, &DurationRow::customDraftEdited, this, [this] { m_customDraftTyped = true; });
    m_estimateRefresh.setSingleShot(true);
    m_estimateRefresh.setInterval(250);
    connect(&m_estimateRefresh, &QTimer::timeout, this, &FileSettingsSheet::refreshEstimate);

    loadDrafts();
    watchDocument();
    updateUnreadableNotice();
}

FileSettingsSheet::~FileSettingsSheet() = default;

void FileSettingsSheet::watchDocument()
{
    SermonDocument* document = m_document;
    for (auto signal : { &SermonDocument::titleChanged, &SermonDocument::metadataChanged, &SermonDocument::rootChanged,
             &SermonDocument::contentEdited })
        connect(document, signal, this, &FileSettingsSheet::refreshFromDocument);
    for (auto signal : { &SermonDocument::rootChanged, &SermonDocument::contentEdited })
        connect(document, signal, &m_estimateRefresh, qOverload<>(&QTimer::start));
    connect(document, &SermonDocument::unreadableFrontMatterChanged, this, &FileSettingsSheet::updateUnreadableNotice);
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::deliveryWPMKey)
            refreshEstimate();
    });
}

void FileSettingsSheet::updateUnreadableNotice()
{
    const std::optional<UnreadableFrontMatter> kept
        = m_document ? m_document->unreadableFrontMatter() : std::optional<UnreadableFrontMatter>();
    if (!kept) {
        m_form->setNotice(QString());
        return;
    }
    // The title is not among the lines, and a chosen duration replaces them without Done.
    const QString what = kept->isPartlyRead
        ? tr("Part of the details at the top of this file could not be read (%1).").arg(kept->reason)
        : tr("The details at the top of this file could not be read.");
    m_form->setNotice(what + u' '
        + tr("The lines are kept as written until you change the scripture, series, duration or occasions "
             "here; that replaces them, a duration at once, the rest with Done."));
}

void FileSettingsSheet::loadDrafts()
{
    if (!m_document)
        return;
    const SermonMetadata& metadata = m_document->metadata();
    m_seenTitle = m_document->title();
    m_seenScripture = metadata.scripture;
    m_seenSeries = metadata.series;
    m_seenDuration = metadata.duration;
    m_form->titleField()->setText(m_seenTitle);
    m_form->scriptureField()->setText(m_seenScripture);
    m_form->seriesField()->setText(m_seenSeries);
    showDuration();
    m_form->occurrences()->setOccasions(metadata.occasions);
}

void FileSettingsSheet::refreshFromDocument()
{
    if (!m_document)
        return;
    const SermonMetadata& metadata = m_document->metadata();
    if (const QString title = m_document->title(); title != m_seenTitle) {
        m_seenTitle = title;
        m_form->titleField()->setText(title);
    }
    if (metadata.scripture != m_seenScripture) {
        m_seenScripture = metadata.scripture;
        m_form->scriptureField()->setText(metadata.scripture);
    }
    if (metadata.series != m_seenSeries) {
        m_seenSeries = metadata.series;
        m_form->seriesField()->setText(metadata.series);
    }
    if (metadata.duration != m_seenDuration) {
        m_seenDuration = metadata.duration;
        showDuration();
    }
}

void FileSettingsSheet::showDuration()
{
    DurationRow* row = m_form->durationRow();
    const std::optional<qint64> stored = m_document->metadata().duration;
    // A stored duration that delivery cannot count down from as it stands shows, as a missing
    // one does, the minutes delivery uses; it stays stored until the user chooses.
    const bool isCountable = stored && plannedDurationMinutes(*stored) == *stored;
    if (!isCountable)
        row->setUnsetMinutes(stored ? plannedDurationMinutes(*stored) : estimatedMinutes());
    row->setDuration(isCountable ? stored : std::nullopt);
    setCustomDraft(row->customDurationText());
}

qint64 FileSettingsSheet::estimatedMinutes() const
{
    const std::optional<qint64> kept = m_sermonWords ? m_sermonWords() : std::nullopt;
    return estimatedDurationMinutes(kept ? *kept : wordCount(m_document->root()), m_preferences.deliveryWPM());
}

void FileSettingsSheet::refreshEstimate()
{
    if (!m_document || m_document->metadata().duration)
        return;
    // Minutes being typed stay in the field.
    if (m_customDraftTyped)
        m_form->durationRow()->setUnsetMinutes(estimatedMinutes());
    else
        showDuration();
}

void FileSettingsSheet::setCustomDraft(const QString& text)
{
    m_form->durationRow()->setCustomDraft(text);
    m_customDraftTyped = false;
}

void FileSettingsSheet::recordUndo()
{
    m_document->recordUndo(std::nullopt, m_undoManager);
}

void FileSettingsSheet::commitFileSettings()
{
    if (m_document) {
        // Each value is compared with the document as it stands after the steps before it, so
        // each changed value is one undo step, and nothing changed records nothing.
        if (const QString title = m_form->titleField()->text(); title != m_document->title()) {
            recordUndo();
            m_document->setTitle(title);
        }
        if (const QString scripture = m_form->scriptureField()->text(); scripture != m_document->metadata().scripture) {
            recordUndo();
            SermonMetadata metadata = m_document->metadata();
            metadata.scripture = scripture;
            m_document->setMetadata(metadata);
        }
        if (const QString series = m_form->seriesField()->text(); series != m_document->metadata().series) {
            recordUndo();
            SermonMetadata metadata = m_document->metadata();
            metadata.series = series;
            m_document->setMetadata(metadata);
        }
        commitCustomDuration();
        // A place still being typed is part of what Done takes.
        OccurrencesEditor* occurrences = m_form->occurrences();
        occurrences->commitEdit();
        if (occurrences->occasions() != m_document->metadata().occasions) {
            recordUndo();
            SermonMetadata metadata = m_document->metadata();
            metadata.occasions = occurrences->occasions();
            m_document->setMetadata(metadata);
        }
    }
    if (m_onDismiss)
        m_onDismiss();
}

void FileSettingsSheet::cancel()
{
    if (m_onDismiss)
        m_onDismiss();
}

void FileSettingsSheet::selectPreset(qint64 minutes)
{
    DurationRow* row = m_form->durationRow();
    row->setCustomFieldFocused(false);
    // The chip is the user's last word: minutes typed before it are not applied by Done.
    setCustomDraft(DurationRules::customDurationText(minutes));
    setDuration(minutes);
}

void FileSettingsSheet::setDuration(qint64 minutes)
{
    if (!m_document || m_document->metadata().duration == minutes)
        return;
    recordUndo();
    SermonMetadata metadata = m_document->metadata();
    metadata.duration = minutes;
    m_document->setMetadata(metadata);
}

void FileSettingsSheet::submitCustomDuration()
{
    commitCustomDuration();
    m_form->durationRow()->setCustomFieldFocused(false);
}

void FileSettingsSheet::commitCustomDuration()
{
    if (!m_document)
        return;
    DurationRow* row = m_form->durationRow();
    const QString draft = trimSpacesAndTabs(row->customDraft());
    // Only typed minutes choose: the estimate the sheet put in the field stores nothing.
    if (!draft.isEmpty() && m_customDraftTyped) {
        const std::optional<qint64> minutes = parseWholeNumber(draft);
        if (minutes && DurationRules::isAccepted(*minutes))
            setDuration(*minutes);
    }
    // The row follows the document's duration, changed or not.
    setCustomDraft(row->customDurationText());
}

} // namespace kestrion
