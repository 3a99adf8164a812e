#include "sheets/SermonDetailsForm.h"

#include "platform/FocusRingButton.h"
#include "sheets/DurationRow.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SectionBlock.h"
#include "sheets/SheetStyle.h"
#include "sheets/SingleLineField.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace kestrion {

namespace {

constexpr int cellPadding = 8;

QLabel* makeRowLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(SheetStyle::secondaryRole);
    label->setContentsMargins(0, cellPadding, 0, cellPadding);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

SingleLineField* makeTextField(const QString& name, QWidget* parent)
{
    auto* field = new SingleLineField(parent);
    SheetStyle::makePlainField(field);
    field->setAccessibleName(name);
    return field;
}

} // namespace

SermonDetailsForm::SermonDetailsForm(const QString& heading, const QString& actionTitle, QWidget* parent)
    : QWidget(parent)
{
    setFixedWidth(formWidth);
    setMaximumHeight(maximumFormHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);

    auto* header = new QHBoxLayout;
    m_heading = new QLabel(heading, this);
    m_heading->setFont(SheetStyle::title2Font());
    header->addWidget(m_heading);
    header->addStretch(1);
    m_cancelButton = new FocusRingButton(tr("Cancel"), this);
    connect(m_cancelButton, &QPushButton::clicked, this, &SermonDetailsForm::cancel);
    header->addWidget(m_cancelButton);
    m_actionButton = new FocusRingButton(actionTitle, this);
    m_actionButton->setDefault(true);
    connect(m_actionButton, &QPushButton::clicked, this, &SermonDetailsForm::act);
    header->addWidget(m_actionButton);
    column->addLayout(header);

    // Bound for the whole window: the keys also act while no widget of the form has the
    // keyboard (the window itself has it once a field gives it up). Fields that take Return
    // claim it before these.
    const auto bind = [this](QKeySequence key, void (SermonDetailsForm::*slot)()) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    bind(QKeySequence(Qt::Key_Escape), &SermonDetailsForm::cancel);
    bind(QKeySequence(Qt::Key_Return), &SermonDetailsForm::returnPressed);
    bind(QKeySequence(Qt::Key_Enter), &SermonDetailsForm::returnPressed);

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("detailsNotice"));
    m_notice->setWordWrap(true);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->hide();
    column->addWidget(m_notice);

    m_fieldsCard = new SectionBlock(QString(), this);
    auto* fields = new QWidget;
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(12, 0, 12, 0);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(0);
    grid->setColumnStretch(1, 1);
    m_titleField = makeTextField(tr("Title"), fields);
    m_scriptureField = makeTextField(tr("Scripture"), fields);
    m_seriesField = makeTextField(tr("Series"), fields);
    for (SingleLineField* field : { m_titleField, m_scriptureField, m_seriesField })
        field->setOnSubmit([this] { act(); });
    m_durationRow = new DurationRow(fields);
    const std::pair<QString, QWidget*> rows[] = { { tr("Title"), m_titleField }, { tr("Scripture"), m_scriptureField },
        { tr("Series"), m_seriesField }, { tr("Duration"), m_durationRow } };
    int gridRow = 0;
    for (const auto& [label, field] : rows) {
        if (gridRow > 0)
            grid->addWidget(SheetStyle::makeDivider(fields), gridRow++, 0, 1, 2);
        grid->addWidget(makeRowLabel(label, fields), gridRow, 0);
        auto* cell = new QWidget(fields);
        auto* cellLayout = new QHBoxLayout(cell);
        cellLayout->setContentsMargins(0, cellPadding, 0, cellPadding);
        field->setParent(cell);
        cellLayout->addWidget(field);
        grid->addWidget(cell, gridRow++, 1);
    }
    m_fieldsCard->setContent(fields);
    column->addWidget(m_fieldsCard);

    m_occurrences = new OccurrencesEditor(this);
    column->addWidget(m_occurrences);
    // Room the form does not need stays below it; the occurrences keep to their rows.
    column->addStretch(1);
}

void SermonDetailsForm::setNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

void SermonDetailsForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once the window can take the keyboard, and after a dialog has given it to its default
    // button: a Space meant for the title must not press Done.
    QTimer::singleShot(0, m_titleField, [field = m_titleField] {
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
    });
}

void SermonDetailsForm::cancel()
{
    if (m_onCancel)
        m_onCancel();
}

void SermonDetailsForm::act()
{
    if (m_onAction && m_actionButton->isEnabled())
        m_onAction();
}

void SermonDetailsForm::returnPressed()
{
    if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget()); button && isAncestorOf(button)) {
        button->click();
        return;
    }
    act();
}

} // namespace kestrion
