#include "ColumnCanvasFixture.h"

#include "columns/ColumnMetrics.h"
#include "columns/WrappedLine.h"
#include "platform/Appearance.h"
#include "support/TreeDump.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>

using namespace kestrion;
using kestrion::test::ColumnCanvasFixture;

namespace {

const QChar lineSeparator(u'\u2028');

} // namespace

TEST_F(ColumnCanvasFixture, TypingGoesIntoTheNodeAtOnceAndCommitIsOneTrimmedStep)
{
    // Words too long for one line of the column in the font that resolved, short of two.
    const QFontMetricsF metrics(ColumnMetrics::font(false));
    const qreal lineRoom = frameOf(c).size.width() - 2 * ColumnMetrics::textInset;
    QString words = QStringLiteral("New closing words that run on");
    while (metrics.horizontalAdvance(words) <= lineRoom + metrics.horizontalAdvance(QStringLiteral(" and on")))
        words += QStringLiteral(" and on");
    words += QStringLiteral(", long enough to need a second line of the column");
    ASSERT_LT(metrics.horizontalAdvance(words), 2 * lineRoom - metrics.horizontalAdvance(QStringLiteral("column")));
    select(c);
    press(Qt::Key_Space);
    QSignalSpy edited(document.get(), &SermonDocument::contentEdited);
    editorText()->selectAll();
    type(QStringLiteral("  ") + words + QStringLiteral(" "));
    EXPECT_EQ(c->text(), controller().editingText());
    EXPECT_GT(edited.count(), 0);
    EXPECT_EQ(frameOf(c).size.height(), 56);
    EXPECT_FALSE(canvas->animator().isAnimating());
    EXPECT_EQ(undoCount(), 0);
    // The editor grows with the node.
    EXPECT_GE(canvas->editorOverlay()->height(), 56);

    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(c->text(), words);
    EXPECT_EQ(undoCount(), 1);
    EXPECT_EQ(document->undoStack().back().root->findNode(c->id())->text(), QStringLiteral("Closing words"));
    EXPECT_TRUE(canvas->hasFocus());
    EXPECT_FALSE(undoManager->isClean());

    undoManager->undo();
    EXPECT_EQ(document->root()->findNode(c->id())->text(), QStringLiteral("Closing words"));
    EXPECT_EQ(selected(), c->id());
}

TEST_F(ColumnCanvasFixture, EscapeRestoresTheTextEditingBeganWithAndOneUndoBringsTheTypedWordsBack)
{
    select(a1);
    press(Qt::Key_Space);
    press(Qt::Key_Escape);
    EXPECT_EQ(undoCount(), 0);

    press(Qt::Key_Space);
    type(QStringLiteral(" and more"));
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one and more"));
    press(Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one"));
    EXPECT_EQ(selected(), a1->id());
    EXPECT_TRUE(canvas->hasFocus());
    undoManager->undo();
    EXPECT_EQ(document->root()->findNode(a1->id())->text(), QStringLiteral("Alpha one and more"));
    EXPECT_EQ(selected(), a1->id());
    EXPECT_FALSE(undoManager->canUndo());
    undoManager->redo();
    EXPECT_EQ(document->root()->findNode(a1->id())->text(), QStringLiteral("Alpha one"));

    // Unchanged text: no step.
    press(Qt::Key_Space);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(ColumnCanvasFixture, EscapeRemovesANewNodeAndOneUndoBringsItBackWithItsWords)
{
    select(c);
    press(Qt::Key_Return);
    type(QStringLiteral("Words typed in a hurry"));
    press(Qt::Key_Escape);
    EXPECT_EQ(root->children().size(), 3u);
    EXPECT_EQ(selected(), c->id());
    undoManager->undo();
    ASSERT_EQ(document->root()->children().size(), 4u);
    EXPECT_EQ(document->root()->children()[3]->text(), QStringLiteral("Words typed in a hurry"));
    EXPECT_EQ(selected(), document->root()->children()[3]->id());
    undoManager->undo();
    EXPECT_EQ(document->root()->children().size(), 3u);
    EXPECT_FALSE(undoManager->canUndo());
}

// Tab or Return, then Escape before anything is typed: as if nothing had happened.
TEST_F(ColumnCanvasFixture, ANewNodeCancelledUntypedLeavesNoStepAndNoEditedMark)
{
    for (const int key : { Qt::Key_Tab, Qt::Key_Return }) {
        select(a1);
        press(key);
        ASSERT_TRUE(controller().editingIsNew());
        EXPECT_FALSE(undoManager->isClean());
        press(Qt::Key_Escape);
        EXPECT_EQ(a->children().size(), 2u) << key;
        EXPECT_FALSE(a1->hasChildren()) << key;
        EXPECT_EQ(undoCount(), 0) << key;
        EXPECT_TRUE(undoManager->isClean()) << key;
    }
}

// Save while a point of rapid entry is typed, Return, Escape: the empty point goes.
TEST_F(ColumnCanvasFixture, SavingDuringRapidEntryLeavesTheNextEmptyPointEmpty)
{
    select(c);
    press(Qt::Key_Return);
    type(QStringLiteral("Saved words"));
    canvas->storePendingEdit();
    press(Qt::Key_Return);
    press(Qt::Key_Escape);
    ASSERT_EQ(root->children().size(), 4u);
    EXPECT_EQ(root->children()[3]->text(), QStringLiteral("Saved words"));
    EXPECT_EQ(selected(), root->children()[3]->id());
}

TEST_F(ColumnCanvasFixture, ClearingAHeadingKeepsItEmptyWithItsSubPoints)
{
    select(a);
    press(Qt::Key_Space);
    editorText()->selectAll();
    press(Qt::Key_Backspace);
    press(Qt::Key_Return);
    ASSERT_TRUE(root->findNode(a->id()));
    EXPECT_EQ(a->text(), QString());
    EXPECT_EQ(a->children().size(), 2u);
    EXPECT_EQ(selected(), a->id());
    EXPECT_EQ(undoCount(), 1);
    undoManager->undo();
    EXPECT_EQ(document->root()->findNode(a->id())->text(), QStringLiteral("First point"));
}

TEST_F(ColumnCanvasFixture, NodesLeftEmptyGoAndTheNeighbourIsSelected)
{
    // A new node cancelled goes without a step: the previous sibling, the next, or the parent.
    struct Case {
        SermonNodePtr* parent;
        qint64 index;
        SermonNodePtr* expected;
    };
    for (const Case& c : { Case { &a, 1, &a1 }, Case { &a, 0, &a1 }, Case { &c, 0, &c } }) {
        const SermonNodePtr node = SermonNode::create(QString(), (*c.parent)->depth() + 1);
        (*c.parent)->insertChild(c.index, node);
        canvas->relayoutColumns(false);
        canvas->beginColumnEditing(node->id(), true);
        press(Qt::Key_Escape);
        EXPECT_FALSE(root->findNode(node->id()));
        EXPECT_EQ(selected(), (*c.expected)->id());
        EXPECT_TRUE(canvas->hasFocus());
    }
    EXPECT_EQ(undoCount(), 0);

    // An existing node emptied (or empty from the start) goes as one step that keeps it.
    select(a2);
    press(Qt::Key_Space);
    editorText()->selectAll();
    press(Qt::Key_Backspace);
    press(Qt::Key_Return);
    EXPECT_FALSE(root->findNode(a2->id()));
    EXPECT_EQ(undoCount(), 1);
    EXPECT_EQ(document->undoStack().back().root->findNode(a2->id())->text(), QStringLiteral("Alpha two"));

    const SermonNodePtr empty = c->addChild(QString());
    canvas->relayoutColumns(false);
    canvas->beginColumnEditing(empty->id(), false);
    press(Qt::Key_Escape);
    EXPECT_FALSE(root->findNode(empty->id()));
    EXPECT_EQ(undoCount(), 2);

    // The title is never removed: it keeps the empty text.
    canvas->beginColumnEditing(root->id(), false);
    editorText()->selectAll();
    press(Qt::Key_Delete);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(root->text(), QString());
    EXPECT_EQ(selected(), root->id());
    EXPECT_EQ(undoCount(), 3);
}

TEST_F(ColumnCanvasFixture, RapidEntryMakesTheNextNodeAfterANewOne)
{
    select(c);
    press(Qt::Key_Return);
    type(QStringLiteral("Third"));
    press(Qt::Key_Tab);
    // The node keeps its word, and a new empty last child of it is edited.
    const SermonNodePtr third = root->children()[3];
    EXPECT_EQ(third->text(), QStringLiteral("Third"));
    ASSERT_EQ(third->children().size(), 1u);
    EXPECT_EQ(controller().editingNodeID(), third->children()[0]->id());
    EXPECT_TRUE(editorText()->toPlainText().isEmpty());
    EXPECT_TRUE(editorText()->hasFocus());
    type(QStringLiteral("Sub one"));
    press(Qt::Key_Return);
    type(QStringLiteral("Sub two"));
    press(Qt::Key_Return, Qt::ControlModifier);
    type(QStringLiteral("Sub between"));
    press(Qt::Key_Return);
    EXPECT_EQ(test::treeShape(third).toStdString(), "Third:1|Sub one:2|Sub between:2|:2|Sub two:2|");
    // Tab with nothing typed drops the empty node and ends with its parent... here its sibling.
    press(Qt::Key_Tab);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(test::treeShape(third).toStdString(), "Third:1|Sub one:2|Sub between:2|Sub two:2|");
    EXPECT_EQ(selected(), third->children()[1]->id());
    EXPECT_TRUE(canvas->hasFocus());
    // Each step before a next node that was kept, and the first new node: four in all, every
    // word kept.
    EXPECT_EQ(undoCount(), 4);

    // Return on an existing node commits and ends; it makes no node.
    select(a1);
    press(Qt::Key_Space);
    type(QStringLiteral("!"));
    press(Qt::Key_Return);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one!"));
    EXPECT_EQ(a->children().size(), 2u);
    EXPECT_FALSE(controller().editingNodeID());
}

TEST_F(ColumnCanvasFixture, RapidEntryFromANewQuoteGoesOnRightAfterIt)
{
    // A new quote (made by a split) holds no points: Tab goes on right after it.
    c->setQuote(true);
    select(c);
    press(Qt::Key_Space);
    press(Qt::Key_End);
    press(Qt::Key_Return, Qt::AltModifier);
    const SermonNodePtr quote = root->children()[3];
    ASSERT_TRUE(quote->isQuote());
    ASSERT_TRUE(controller().editingIsNew());
    type(QStringLiteral("A quoted line"));
    const qsizetype steps = undoCount();
    press(Qt::Key_Tab);
    EXPECT_TRUE(quote->children().empty());
    EXPECT_EQ(quote->text(), QStringLiteral("A quoted line"));
    ASSERT_EQ(root->children().size(), 5u);
    EXPECT_EQ(controller().editingNodeID(), root->children()[4]->id());
    EXPECT_EQ(undoCount(), steps + 1);
}

TEST_F(ColumnCanvasFixture, AltReturnSplitsAtTheCaret)
{
    c->setQuote(true);
    select(c);
    press(Qt::Key_Space);
    editorText()->moveCursor(QTextCursor::Start);
    for (int i = 0; i < 8; ++i)
        press(Qt::Key_Right);
    press(Qt::Key_Return, Qt::AltModifier);
    ASSERT_EQ(root->children().size(), 4u);
    const SermonNodePtr second = root->children()[3];
    EXPECT_EQ(c->text(), QStringLiteral("Closing"));
    EXPECT_EQ(second->text(), QStringLiteral("words"));
    EXPECT_TRUE(second->isQuote());
    EXPECT_EQ(controller().editingNodeID(), second->id());
    EXPECT_FALSE(controller().editingIsNew());
    EXPECT_EQ(editorText()->toPlainText(), QStringLiteral("words"));
    EXPECT_EQ(editorText()->textCursor().position(), 5);
    EXPECT_EQ(undoCount(), 1);
    EXPECT_EQ(document->undoStack().back().root->children().size(), 3u);

    // At the very end: a new empty sibling, edited as a new node.
    press(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(root->children().size(), 5u);
    EXPECT_TRUE(controller().editingIsNew());
    press(Qt::Key_Escape);
    EXPECT_EQ(root->children().size(), 4u);
}

TEST_F(ColumnCanvasFixture, SplitAtTheStartKeepsThePlaceAndTheTitleIsNotSplit)
{
    a1->setQuote(true);
    select(a1);
    press(Qt::Key_Space);
    canvas->editing().splitNodeAtCaret(-3);
    ASSERT_EQ(a->children().size(), 2u);
    EXPECT_EQ(a->children()[0]->text(), QStringLiteral("Alpha one"));
    EXPECT_NE(a->children()[0]->id(), a1->id());
    EXPECT_EQ(a->children()[1]->id(), a2->id());
    // A quote whose whole text moved on is still a quote.
    EXPECT_TRUE(a->children()[0]->isQuote());
    EXPECT_EQ(controller().editingNodeID(), a->children()[0]->id());
    EXPECT_EQ(undoCount(), 1);
    press(Qt::Key_Escape);

    // Beyond the end counts as the end; between the halves of an emoji, after it.
    select(a2);
    press(Qt::Key_Space);
    editorText()->textCursor().insertText(QStringLiteral(" \U0001F534x"));
    canvas->editing().splitNodeAtCaret(11);
    EXPECT_EQ(a2->text(), QStringLiteral("Alpha two \U0001F534"));
    EXPECT_EQ(controller().editingText(), QStringLiteral("x"));
    canvas->editing().splitNodeAtCaret(99);
    EXPECT_EQ(a->children().size(), 4u);
    press(Qt::Key_Escape);

    const qsizetype steps = undoCount();
    canvas->beginColumnEditing(root->id(), false);
    press(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(controller().editingNodeID(), root->id());
    EXPECT_EQ(undoCount(), steps);
    EXPECT_EQ(root->children().size(), 3u);
}

TEST_F(ColumnCanvasFixture, SplitAtTheStartOfAParentKeepsItsBranch)
{
    for (const SermonNodePtr& parent : { a, b }) {
        canvas->beginColumnEditing(parent->id(), false);
        canvas->editing().splitNodeAtCaret(0);
        press(Qt::Key_Escape);
    }
    EXPECT_EQ(test::treeShape(root).toStdString(),
        "Title:0|First point:1|Alpha one:2|Alpha two:2|Second point:1c|Beta one:2|Beta two:2|Closing words:1|");
    EXPECT_EQ(undoCount(), 2);
}

TEST_F(ColumnCanvasFixture, TheEditorKeepsItsOwnKeysAndItsLineGrid)
{
    select(a1);
    press(Qt::Key_Space);
    EXPECT_EQ(editorText()->textCursor().position(), QStringLiteral("Alpha one").size());
    // Shift-Return is a line break inside the node.
    press(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("line"));
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one") + lineSeparator + QStringLiteral("line"));
    EXPECT_EQ(frameOf(a1).size.height(), 56);
    // The editor's lines lie on the canvas's 28-point grid.
    const QTextBlock block = editorText()->document()->firstBlock();
    ASSERT_EQ(block.layout()->lineCount(), 2);
    EXPECT_EQ(block.layout()->lineAt(1).y() - block.layout()->lineAt(0).y(), 28);

    // Ctrl+Z undoes typing in the editor, not a step of the document.
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(a1->text(), QStringLiteral("Alpha one") + lineSeparator + QStringLiteral("line"));
    EXPECT_EQ(a1->text(), controller().editingText());
    EXPECT_TRUE(controller().editingNodeID());
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(a1->text(), QStringLiteral("Alpha one") + lineSeparator + QStringLiteral("line"));
    EXPECT_EQ(undoCount(), 0);
    EXPECT_EQ(undoManager->undoCount(), 0);

    // Pasted line breaks stay inside the node.
    QApplication::clipboard()->setText(QStringLiteral("two\nlines"));
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(a1->text().endsWith(QStringLiteral("two") + lineSeparator + QStringLiteral("lines")));
    EXPECT_EQ(editorText()->document()->blockCount(), 1);
}

TEST_F(ColumnCanvasFixture, APastedRunTooLongToSearchFollowsTheWordsBeforeItInTheEditor)
{
    // The editor breaks it where each line ends, as the canvas does, and does so before the
    // text goes in: laid out at word boundaries first, a pasted megabyte takes minutes.
    c->setText(QStringLiteral("hi"));
    canvas->beginColumnEditing(c->id(), false);
    QApplication::clipboard()->setText(QStringLiteral(" ") + QString(20'000, u'x'));
    press(Qt::Key_V, Qt::ControlModifier);
    const QTextBlock block = editorText()->document()->firstBlock();
    ASSERT_GT(block.layout()->lineCount(), 1);
    EXPECT_GT(block.layout()->lineAt(0).textLength(), 3);
    EXPECT_EQ(c->text().size(), 20'003);
}

TEST_F(ColumnCanvasFixture, RightToLeftTextStaysAtTheLeftWhereTheCanvasDrawsIt)
{
    c->setText(QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd, peace"));
    canvas->beginColumnEditing(c->id(), false);
    const QTextBlock block = editorText()->document()->firstBlock();
    ASSERT_EQ(block.layout()->lineCount(), 1);
    EXPECT_EQ(block.layout()->lineAt(0).naturalTextRect().left(), 0);
}

namespace {

// The darkest grey of each column of one 28-point row of the image.
std::vector<int> inkColumns(const QImage& image, int top)
{
    std::vector<int> columns(static_cast<size_t>(image.width()), 255);
    for (int y = top; y < std::min(top + 28, image.height()); ++y) {
        for (int x = 0; x < image.width(); ++x)
            columns[static_cast<size_t>(x)] = std::min(columns[static_cast<size_t>(x)], qGray(image.pixel(x, y)));
    }
    return columns;
}

} // namespace

// Chinese and Japanese, written without spaces, break into the same lines in the editor as on
// the canvas, each across the columns where the canvas draws it, and the node is as tall as they are.
TEST_F(ColumnCanvasFixture, TheEditorBreaksChineseAndJapaneseIntoTheLinesTheCanvasDraws)
{
    const QStringList texts {
        QStringLiteral("\u6211\u662f\u597d\u7267\u4eba\uff0c\u597d\u7267\u4eba\u4e3a\u7f8a\u820d\u547d\u3002"
                       "\u6211\u8ba4\u8bc6\u6211\u7684\u7f8a\uff0c\u6211\u7684\u7f8a\u4e5f\u8ba4\u8bc6\u6211"
                       "\uff0c\u6b63\u5982\u7236\u8ba4\u8bc6\u6211\uff0c\u6211\u4e5f\u8ba4\u8bc6\u7236\u3002"),
        QStringLiteral("\u308f\u305f\u3057\u306f\u826f\u3044\u7f8a\u98fc\u3044\u3067\u3042\u308b\u3002\u826f"
                       "\u3044\u7f8a\u98fc\u3044\u306f\u3001\u7f8a\u306e\u305f\u3081\u306b\u547d\u3092\u6368"
                       "\u3066\u308b\u3002"),
        QStringLiteral("\u6b63\u5982C.S.Lewis\u57281952\u5e74\u6240\u5199\u7684\uff0c\u57fa\u7763\u5f92\u7684"
                       "\u751f\u547d\u5c31\u662f\u8ddf\u968f\u90a3\u4f4d\u597d\u7267\u4eba\u3002"),
    };
    for (const QString& text : texts) {
        // A column of 240, and one whose line ends right before a comma or full stop, which
        // may not begin a line: the character before it goes down with it.
        qsizetype stop = 10;
        while (stop < text.size() && !QStringLiteral("\uff0c\u3002\u3001").contains(text[stop]))
            ++stop;
        QTextLayout measured(text.left(stop), ColumnMetrics::font(false));
        measured.beginLayout();
        measured.createLine().setLineWidth(1e6);
        measured.endLayout();
        // Without a font for these scripts their boxes are narrow, and a column no narrower than it may be.
        const qreal beforeStop
            = std::max(measured.lineAt(0).naturalTextWidth() + 0.5 + 28, ColumnMetrics::minColumnWidth);
        for (const qreal width : { qreal(240), beforeStop }) {
            preferences->setColumnWidths(QStringLiteral("[600,%1]").arg(width, 0, 'f', 4));
            c->setText(text);
            canvas->relayoutColumns(false);
            select(c);
            const QList<WrappedLine> lines = wrapColumnText(text, width, false);
            ASSERT_GT(lines.size(), 1) << text.toStdString();
            const ColumnNodeFrame frame = frameOf(c);
            ASSERT_EQ(frame.size.height(), 28.0 * static_cast<qreal>(lines.size())) << text.toStdString();
            const QRect box = QRectF(frame.origin + canvas->panOffset(), frame.size).toAlignedRect();
            const QImage drawn = canvas->grab(box).toImage();
            canvas->beginColumnEditing(c->id(), false);
            ASSERT_NE(editorText(), nullptr);
            editorText()->setCursorWidth(0);
            const QImage edited = canvas->grab(box).toImage();

            const QTextLayout* layout = editorText()->document()->firstBlock().layout();
            ASSERT_EQ(layout->lineCount(), lines.size()) << text.toStdString() << " at " << width;
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                EXPECT_EQ(text.mid(line.textStart(), line.textLength()), lines[i].string)
                    << text.toStdString() << " at " << width;
                // The same glyphs across the line; a line in another font than the columns'
                // sits as high as that font's ascent puts it.
                EXPECT_EQ(inkColumns(drawn, 28 * i), inkColumns(edited, 28 * i))
                    << text.toStdString() << " at " << width << " line " << i;
            }
            EXPECT_EQ(canvas->editorOverlay()->contentHeight(), frame.size.height());
            press(Qt::Key_Escape);
        }
    }
}

TEST_F(ColumnCanvasFixture, AnUnbrokenWordTheEditorWrapsCoversTheLinesBelowInsteadOfWritingOverThem)
{
    // Just too long for one line: the editor wraps its last letters onto the next line, over
    // the row of the node below, whose text must not show through.
    const QFontMetricsF metrics(ColumnMetrics::font(false));
    QString word(QStringLiteral("x"));
    while (metrics.horizontalAdvance(word) <= frameOf(b).size.width() - ColumnMetrics::textAllowance)
        word += u'x';
    b->setText(word + QStringLiteral("xx"));
    c->setText(QStringLiteral("Closing words written across the row"));
    canvas->relayoutColumns(false);
    canvas->beginColumnEditing(b->id(), false);
    ASSERT_EQ(frameOf(c).origin.y(), frameOf(b).origin.y() + 28);
    ASSERT_GE(canvas->editorOverlay()->height(), 56);

    const QPoint rowOfC = pointOn(c);
    const QImage row = canvas->grab(QRect(rowOfC.x() + 60, rowOfC.y() - 8, 150, 16)).toImage();
    int ink = 0;
    for (int y = 0; y < row.height(); ++y) {
        for (int x = 0; x < row.width(); ++x)
            ink += qGray(row.pixel(x, y)) < 128 ? 1 : 0;
    }
    EXPECT_EQ(ink, 0);
}

TEST_F(ColumnCanvasFixture, TheEditorShowsItsTextAloneOverTheCanvasInEitherAppearanceAtEitherPixelRatio)
{
    // b's row ends in the separator under it, with c's row right below.
    const auto render = [this](qreal ratio) {
        QImage image((QSizeF(canvas->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(canvas->palette().color(QPalette::Window));
        canvas->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    const auto restore = qScopeGuard([] { Appearance::shared().apply(AppAppearance::System); });
    for (AppAppearance appearance : { AppAppearance::Light, AppAppearance::Dark }) {
        Appearance::shared().apply(appearance);
        for (qreal ratio : { 1.0, 2.0 }) {
            select(b);
            const QImage still = render(ratio);
            canvas->beginColumnEditing(b->id(), false);
            ASSERT_NE(editorText(), nullptr);
            const QImage editing = render(ratio);
            canvas->commitPendingEdit();

            const ColumnNodeFrame frame = frameOf(b);
            const QRect text = QRectF((frame.origin + canvas->panOffset()) * ratio, frame.size * ratio).toRect();
            int differing = 0;
            for (int y = 0; y < still.height(); ++y) {
                for (int x = 0; x < still.width(); ++x)
                    differing += !text.contains(x, y) && still.pixel(x, y) != editing.pixel(x, y) ? 1 : 0;
            }
            EXPECT_EQ(differing, 0) << rawValue(appearance).toStdString() << " at " << ratio;
        }
    }
}

TEST_F(ColumnCanvasFixture, PendingEditIsCommittedAndMarksTheDocumentEdited)
{
    select(c);
    press(Qt::Key_Space);
    type(QStringLiteral(" today"));
    // A line break at the end is trimmed like a space.
    press(Qt::Key_Return, Qt::ShiftModifier);
    ASSERT_TRUE(c->text().endsWith(lineSeparator));
    ASSERT_TRUE(undoManager->isClean());
    canvas->commitPendingEdit();
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(c->text(), QStringLiteral("Closing words today"));
    EXPECT_FALSE(undoManager->isClean());
    EXPECT_TRUE(canvas->hasFocus());
    canvas->commitPendingEdit();
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(ColumnCanvasFixture, KeyboardTakenElsewhereCommitsTheEdit)
{
    QWidget window;
    canvas->setParent(&window);
    auto* field = new QLineEdit(&window);
    field->move(0, 600);
    window.resize(1000, 640);
    window.show();
    (void)QTest::qWaitForWindowActive(&window);
    select(c);
    canvas->setCanvasFocused(true);
    press(Qt::Key_Space);
    type(QStringLiteral(" kept"));
    field->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(c->text(), QStringLiteral("Closing words kept"));
    EXPECT_EQ(undoCount(), 1);
    EXPECT_TRUE(field->hasFocus());
    canvas->setParent(nullptr);
}

TEST_F(ColumnCanvasFixture, UndoFromTheMenuWhileEditingClosesTheEditor)
{
    select(a1);
    controller().deleteSelection();
    select(c);
    press(Qt::Key_Space);
    type(QStringLiteral(" typed"));
    undoManager->undo();
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(canvas->editorOverlay(), nullptr);
    EXPECT_EQ(document->root()->findNode(c->id())->text(), QStringLiteral("Closing words"));
    // The typed words come back with Redo.
    undoManager->redo();
    EXPECT_EQ(document->root()->findNode(c->id())->text(), QStringLiteral("Closing words typed"));
}

// Editing begins without the text moving: the editor breaks the text into the lines the canvas
// draws, their baselines 28 points apart whatever font a line falls back to, on the pixels the
// canvas draws them on, also at a width short of a whole point and with every kind of line break.
TEST_F(ColumnCanvasFixture, TheEditorShowsTheLinesTheCanvasDrawsWhereItDrawsThem)
{
    // A column just wide enough for the words, short of the next whole point: words whose width
    // in the font that resolved ends in a fraction of a point.
    const auto naturalWidth = [](const QString& text) {
        QTextLayout measured(text, ColumnMetrics::font(false));
        measured.beginLayout();
        measured.createLine().setLineWidth(1000);
        measured.endLayout();
        return measured.lineAt(0).naturalTextWidth();
    };
    QString words = QStringLiteral("Grace and peace to you from God");
    qreal natural = naturalWidth(words);
    for (const QString& more : { QStringLiteral(" our"), QStringLiteral(" Father"), QStringLiteral(" and") }) {
        const qreal fraction = natural - std::floor(natural);
        if (fraction > 0.02 && fraction < 0.98)
            break;
        words += more;
        natural = naturalWidth(words);
    }
    ASSERT_GT(natural - std::floor(natural), 0.02);
    ASSERT_LT(natural - std::floor(natural), 0.98);
    struct Case {
        QString text;
        qreal width;
        // A line in a font of other heights: the canvas draws it lower by the difference.
        int fallbackLine = -1;
    };
    const std::vector<Case> cases {
        { words, natural + 0.01 + 28 },
        { QStringLiteral("one\vtwo\u0085three\ffour"), 600 },
        { QStringLiteral("Grace\u2028\u2329 and peace \u232a\u2028from God"), 600, 1 },
    };
    for (const Case& each : cases) {
        // The node's column starts a fraction of a point into a pixel.
        preferences->setColumnWidths(QStringLiteral("[600.3,%1]").arg(each.width, 0, 'f', 4));
        c->setText(each.text);
        canvas->relayoutColumns(false);
        select(c);
        const ColumnNodeFrame frame = frameOf(c);
        const QRect box = QRectF(frame.origin + canvas->panOffset(), frame.size).toAlignedRect();
        const QImage drawn = canvas->grab(box).toImage();
        canvas->beginColumnEditing(c->id(), false);
        ASSERT_NE(editorText(), nullptr);
        editorText()->setCursorWidth(0);
        const QImage edited = canvas->grab(box).toImage();

        std::vector<qreal> baselines;
        QTextDocument* document = editorText()->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            for (int i = 0; i < block.layout()->lineCount(); ++i) {
                const QTextLine line = block.layout()->lineAt(i);
                baselines.push_back(block.layout()->position().y() + line.y() + line.ascent());
            }
        }
        ASSERT_EQ(static_cast<qreal>(baselines.size()) * 28, frame.size.height()) << each.text.toStdString();
        for (size_t i = 0; i < baselines.size(); ++i) {
            EXPECT_EQ(baselines[i] - baselines[0], 28.0 * static_cast<qreal>(i)) << each.text.toStdString();
            if (static_cast<int>(i) == each.fallbackLine)
                continue;
            const QRect band(0, 28 * static_cast<int>(i), box.width(), 28);
            EXPECT_TRUE(drawn.copy(band) == edited.copy(band)) << each.text.toStdString() << " line " << i;
        }
        press(Qt::Key_Escape);
    }
}
