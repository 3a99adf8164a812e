#pragma once

#include "FakeClipboard.h"

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "document/UndoRegistrar.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>
#include <ostream>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace kestrion {

// Stands in for the window's undo manager: counts the steps registered with it.
class CountingRegistrar final : public UndoRegistrar {
public:
    void registerUndo(SermonDocument&) override { ++registrations; }
    bool withdrawUndo(SermonDocument&) override
    {
        --registrations;
        return true;
    }
    int registrations = 0;
};

// A document with a controller over it, a fake clipboard and counters for the callbacks.
//
// Trees are written as outlines, two spaces per level; a leading ">" makes a quote and a
// trailing "+" a collapsed node. Texts in a test tree are unique, so nodes are named by text.
class ControllerTest : public ::testing::Test {
protected:
    ControllerTest()
    {
        controller.setClipboard(&clipboard);
        controller.setUndoManager(&registrar);
        controller.setOnTreeMutated([this] { ++treeMutations; });
        controller.setOnSelectionRequestVisible([this](const QUuid& id) { visibleRequests.append(id); });
        controller.setOnRequestCanvasFocus([this] { ++focusRequests; });
        QObject::connect(&controller, &DocumentController::selectedNodeIDChanged,
            [this] { signalLog.append(QStringLiteral("primary")); });
        QObject::connect(&controller, &DocumentController::selectedNodeIDsChanged,
            [this] { signalLog.append(QStringLiteral("set")); });
        QObject::connect(&controller, &DocumentController::selectionAnchorIDChanged,
            [this] { signalLog.append(QStringLiteral("anchor")); });
        QObject::connect(&controller, &DocumentController::isExtendingSelectionChanged, [this] {
            signalLog.append(
                controller.isExtendingSelection() ? QStringLiteral("extending") : QStringLiteral("extended"));
        });
    }

    void load(const QString& outline)
    {
        auto top = parseOutline(outline);
        document.setRoot(top);
    }

    SermonNodePtr root() const { return document.root(); }

    SermonNodePtr node(const QString& text) const
    {
        for (const auto& n : root()->allNodes()) {
            if (n->text() == text)
                return n;
        }
        ADD_FAILURE() << "no node " << text.toStdString();
        return nullptr;
    }

    QUuid id(const QString& text) const
    {
        auto n = node(text);
        return n ? n->id() : QUuid();
    }

    QSet<QUuid> ids(const QStringList& texts) const
    {
        QSet<QUuid> result;
        for (const auto& text : texts)
            result.insert(id(text));
        return result;
    }

    QString textOf(const std::optional<QUuid>& nodeID) const
    {
        if (!nodeID)
            return QStringLiteral("<none>");
        auto n = root()->findNode(*nodeID);
        return n ? n->text() : QStringLiteral("<gone>");
    }

    QStringList textsOf(const QSet<QUuid>& set) const
    {
        QStringList result;
        for (const auto& n : root()->allNodes()) {
            if (set.contains(n->id()))
                result.append(n->text());
        }
        return result;
    }

    static QStringList textsOf(const std::vector<SermonNodePtr>& nodes)
    {
        QStringList result;
        for (const auto& n : nodes)
            result.append(n->text());
        return result;
    }

    // Select by texts: the first becomes primary, all go into the multi-selection.
    void select(const QStringList& texts)
    {
        controller.setSelection(
            ids(texts), texts.isEmpty() ? std::nullopt : std::optional<QUuid>(id(texts.first())), std::nullopt);
    }

    // The tree as one line: children in brackets, ">" for quotes, "+" for collapsed nodes.
    // Depths are checked on the way: every child is one deeper than its parent.
    QString shape() const { return shapeOf(root()); }

    static QString shapeOf(const SermonNodePtr& top)
    {
        QString out;
        std::function<void(const SermonNodePtr&)> write = [&](const SermonNodePtr& n) {
            if (n->isQuote())
                out += u'>';
            out += n->text();
            if (n->isCollapsed())
                out += u'+';
            if (!n->hasChildren())
                return;
            out += u'[';
            bool first = true;
            for (const auto& child : n->children()) {
                EXPECT_EQ(child->depth(), n->depth() + 1) << child->text().toStdString();
                if (!first)
                    out += u',';
                first = false;
                write(child);
            }
            out += u']';
        };
        write(top);
        return out;
    }

    // Everything undo must bring back: ids, texts, depths and flags in preorder.
    QStringList fullState() const
    {
        QStringList state;
        for (const auto& n : root()->allNodes()) {
            state.append(QStringLiteral("%1 %2 %3 %4%5")
                             .arg(n->id().toString(), n->text())
                             .arg(n->depth())
                             .arg(n->isCollapsed() ? 1 : 0)
                             .arg(n->isQuote() ? 1 : 0));
        }
        return state;
    }

    qsizetype undoCount() const { return static_cast<qsizetype>(document.undoStack().size()); }
    void undo() { document.undo(); }

    // The selection fields in one comparable value.
    QString selectionState() const
    {
        return QStringLiteral("%1|%2|%3|%4")
            .arg(textOf(controller.selectedNodeID()), textsOf(controller.selectedNodeIDs()).join(u','),
                controller.selectionAnchorID() ? textOf(controller.selectionAnchorID()) : QString())
            .arg(controller.isExtendingSelection());
    }

    // Runs an operation that must refuse: no change of the tree, the selection, the undo
    // history, the clipboard or the callbacks.
    void expectRefused(const std::function<void()>& operation, const char* what)
    {
        SCOPED_TRACE(what);
        const QStringList before = fullState();
        const QString selection = selectionState();
        const qsizetype undos = undoCount();
        const int mutations = treeMutations;
        const int writes = clipboard.writes;
        const qsizetype requests = visibleRequests.size();
        const int registrations = registrar.registrations;
        operation();
        EXPECT_EQ(fullState(), before);
        EXPECT_EQ(selectionState(), selection);
        EXPECT_EQ(undoCount(), undos);
        EXPECT_EQ(treeMutations, mutations);
        EXPECT_EQ(clipboard.writes, writes);
        EXPECT_EQ(visibleRequests.size(), requests);
        EXPECT_EQ(registrar.registrations, registrations);
    }

    // Runs an edit that must apply as one undo step: afterwards exactly one snapshot more,
    // onTreeMutated called once, and one undo restores the former tree with its ids and
    // selects the former primary again.
    void expectOneUndoStep(const std::function<void()>& operation, const char* what)
    {
        SCOPED_TRACE(what);
        const QStringList before = fullState();
        const std::optional<QUuid> primary = controller.selectedNodeID();
        const qsizetype undos = undoCount();
        const int mutations = treeMutations;
        const int registrations = registrar.registrations;
        operation();
        EXPECT_EQ(undoCount(), undos + 1);
        EXPECT_EQ(registrar.registrations, registrations + 1);
        EXPECT_EQ(treeMutations, mutations + 1);
        afterEdit = shape();
        afterSelection = selectionState();
        undo();
        EXPECT_EQ(fullState(), before);
        const QUuid reselected = controller.syncSelectionAfterUndo();
        if (primary && root()->findNode(*primary))
            EXPECT_EQ(reselected, *primary);
        else
            EXPECT_EQ(reselected, root()->id());
    }

    static SermonNodePtr parseOutline(const QString& outline)
    {
        SermonNodePtr top;
        std::vector<SermonNodePtr> stack;
        std::vector<SermonNodePtr> collapsed;
        for (const QString& raw : outline.split(u'\n', Qt::SkipEmptyParts)) {
            qsizetype indent = 0;
            while (indent < raw.size() && raw[indent] == u' ')
                ++indent;
            const qsizetype level = indent / 2;
            QString text = raw.mid(indent);
            const bool quote = text.startsWith(u'>');
            if (quote)
                text.remove(0, 1);
            const bool fold = text.endsWith(u'+');
            if (fold)
                text.chop(1);
            SermonNodePtr n;
            if (!top) {
                top = n = SermonNode::create(text, 0);
            } else {
                stack.resize(static_cast<size_t>(level));
                n = SermonNode::create(text, level);
                stack.back()->appendChild(n);
            }
            n->setQuote(quote);
            if (fold)
                collapsed.push_back(n);
            stack.push_back(n);
        }
        for (const auto& n : collapsed)
            n->setCollapsed(true);
        return top;
    }

    SermonDocument document;
    FakeClipboard clipboard;
    CountingRegistrar registrar;
    DocumentController controller { &document };
    int treeMutations = 0;
    QList<QUuid> visibleRequests;
    int focusRequests = 0;
    QStringList signalLog;
    QString afterEdit;
    QString afterSelection;
};

} // namespace kestrion
