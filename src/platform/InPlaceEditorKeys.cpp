#include "platform/InPlaceEditorKeys.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <algorithm>
#include <array>

namespace kestrion {

namespace {

bool isReturn(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

constexpr std::array textSequences { QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Cut, QKeySequence::Copy,
    QKeySequence::Paste, QKeySequence::SelectAll, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
    QKeySequence::MoveToPreviousWord, QKeySequence::MoveToNextWord, QKeySequence::SelectPreviousWord,
    QKeySequence::SelectNextWord, QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
    QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument };

} // namespace

InPlaceEditorKeys::Action InPlaceEditorKeys::action(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Escape)
        return Action::Cancel;
    if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && modifiers.testFlag(Qt::ShiftModifier)))
        return Action::ShiftTab;
    if (key == Qt::Key_Tab)
        return Action::Tab;
    if (!isReturn(key))
        return Action::None;
    if (modifiers.testFlag(Qt::ControlModifier))
        return Action::CommandEnter;
    if (modifiers.testFlag(Qt::AltModifier))
        return Action::OptionEnter;
    return modifiers.testFlag(Qt::ShiftModifier) ? Action::None : Action::Enter;
}

bool InPlaceEditorKeys::takesBeforeShortcuts(const QKeyEvent& event)
{
    const int key = event.key();
    if (isReturn(key) || key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape)
        return true;
    if (std::any_of(textSequences.begin(), textSequences.end(),
            [&](QKeySequence::StandardKey sequence) { return event.matches(sequence); }))
        return true;
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Space:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        break;
    }
    const QString text = event.text();
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

std::function<void()> InPlaceEditorKeys::Callbacks::callFor(Action action, qint64 caret) const
{
    switch (action) {
    case Action::None:
        break;
    case Action::Cancel:
        return onCancel;
    case Action::Tab:
        return onTab;
    case Action::ShiftTab:
        return onShiftTab;
    case Action::Enter:
        return onEnter;
    case Action::CommandEnter:
        return onCommandEnter;
    case Action::OptionEnter:
        if (!onOptionEnter)
            break;
        return [call = onOptionEnter, caret] { call(caret); };
    }
    return {};
}

} // namespace kestrion
