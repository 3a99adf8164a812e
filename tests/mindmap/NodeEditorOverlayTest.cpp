#include "mindmap/NodeEditorOverlay.h"

#include "platform/EmojiText.h"
#include "platform/Typography.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace kestrion;

namespace {

const QChar lineSeparator(u'\u2028');

qreal lineHeight(qint64 depth)
{
    const QFontMetricsF m(Typography::nodeFont(depth));
    return std::ceil(m.ascent() + std::abs(m.descent()) + m.leading());
}

qreal lineWidth(const QString& line, qint64 depth)
{
    return std::ceil(QFontMetricsF(Typography::nodeFont(depth)).horizontalAdvance(line));
}

NodeLayout leafLayout(qint64 depth = 2)
{
    NodeLayout layout;
    layout.nodeID = QUuid::createUuid();
    layout.origin = QPointF(120, 80);
    layout.size = QSizeF(140, 24);
    layout.depth = depth;
    layout.isLeaf = true;
    return layout;
}

// A window standing in for the canvas, with an overlay over it and a second widget to move
// the keyboard to.
class NodeEditorOverlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(800, 600);
        window->setFocusPolicy(Qt::StrongFocus);
        other = new QLineEdit(window.get());
        other->setGeometry(700, 560, 90, 30);
        overlay = new NodeEditorOverlay(window.get());
        overlay->setNodeLayout(leafLayout());
        overlay->setOnTextEdited([this](const QString& text) { edits.append(text); });
        overlay->setOnCommit([this] { log.append("commit"); });
        overlay->setOnTab([this] { log.append("tab"); });
        overlay->setOnShiftTab([this] { log.append("shiftTab"); });
        overlay->setOnEnter([this] { log.append("enter"); });
        overlay->setOnCommandEnter([this] { log.append("commandEnter"); });
        overlay->setOnOptionEnter([this](qint64 caret) { log.append(QStringLiteral("optionEnter %1").arg(caret)); });
        overlay->setOnCancel([this] { log.append("cancel"); });
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents();
        editor = overlay->findChild<QPlainTextEdit*>(QStringLiteral("nodeEditor"));
        ASSERT_NE(editor, nullptr);
    }

    void TearDown() override { window.reset(); }

    void placeCaret(qsizetype position)
    {
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(static_cast<int>(position));
        editor->setTextCursor(cursor);
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* other = nullptr;
    NodeEditorOverlay* overlay = nullptr;
    QPlainTextEdit* editor = nullptr;
    QStringList log;
    QStringList edits;
};

} // namespace

TEST(NodeEditorOverlayGeometryTest, SizeComesFromTheNodeFontOfTheDepth)
{
    EXPECT_EQ(NodeEditorOverlay::measureEditorText(QString(), 0), lineWidth(" ", 0) + 20);
    EXPECT_EQ(NodeEditorOverlay::measureEditorHeight(QString(), 0), lineHeight(0));

    const QString text
        = QStringLiteral("Grace") + lineSeparator + QStringLiteral("upon grace and truth") + lineSeparator;
    for (qint64 depth : { 0, 1, 2, 5 }) {
        EXPECT_EQ(NodeEditorOverlay::measureEditorText(text, depth), lineWidth("upon grace and truth", depth) + 20);
        EXPECT_EQ(NodeEditorOverlay::measureEditorHeight(text, depth), 3 * lineHeight(depth));
    }
    // The editor is 12 narrower than the node box and carries none of its vertical margin.
    EXPECT_GT(NodeEditorOverlay::measureEditorText("Grace", 0), NodeEditorOverlay::measureEditorText("Grace", 2));
}

TEST(NodeEditorOverlayGeometryTest, PlacedOverTheNodeTextInContentCoordinates)
{
    NodeLayout leaf = leafLayout();
    const QSizeF size(100, 17);
    const auto g = NodeEditorOverlay::placement(leaf, size, 1, QPointF());
    EXPECT_EQ(g.editor, QRectF(131, 83, 100, 17));
    EXPECT_EQ(g.outline, QRectF(131 - 13, 83 - 5, 100 + 13 + 3, 17 + 10));
    EXPECT_EQ(g.bounds, g.outline.adjusted(-1, -1, 1, 1));
    // The text begins where the canvas draws it: 16 right of the box.
    EXPECT_EQ(g.editor.left() + NodeEditorOverlay::textInset, leaf.origin.x() + 16);

    NodeLayout parent = leaf;
    parent.isLeaf = false;
    EXPECT_EQ(NodeEditorOverlay::placement(parent, size, 1, QPointF()).editor.top(), 88);
}

TEST(NodeEditorOverlayGeometryTest, ZoomScalesAboutTheContentOriginThenPans)
{
    const NodeLayout leaf = leafLayout();
    const QSizeF size(200, 34);
    const auto g = NodeEditorOverlay::placement(leaf, size, 2, QPointF(-40, 25));
    EXPECT_EQ(g.editor, QRectF(131 * 2 - 40, 83 * 2 + 25, 200, 34));
    EXPECT_EQ(g.outline, g.editor.adjusted(-26, -10, 6, 10));
    EXPECT_EQ(g.bounds, g.outline.adjusted(-2, -2, 2, 2));
    EXPECT_EQ(NodeEditorOverlay::editorFont(2, 2).pixelSize(), 26);
    EXPECT_EQ(NodeEditorOverlay::editorFont(0, 1), Typography::nodeFont(0));
}

TEST_F(NodeEditorOverlayTest, ShowsStoredLineBreaksAsLinesAndStoresTypedBreaksAsLineSeparators)
{
    EXPECT_TRUE(overlay->setText(QStringLiteral("one") + lineSeparator + QStringLiteral("two")));
    EXPECT_EQ(editor->toPlainText(), "one\ntwo");
    EXPECT_EQ(editor->document()->blockCount(), 2);
    EXPECT_TRUE(edits.isEmpty());

    QTest::keyClicks(editor, " three");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(editor, "four");
    const QString expected
        = QStringLiteral("one") + lineSeparator + QStringLiteral("two three") + lineSeparator + QStringLiteral("four");
    EXPECT_EQ(overlay->text(), expected);
    ASSERT_FALSE(edits.isEmpty());
    EXPECT_EQ(edits.last(), expected);
    EXPECT_FALSE(overlay->text().contains(u'\n'));
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(NodeEditorOverlayTest, ShowsTheBlackAndWhiteMarkersInColourAndSizesForThem)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    const QString black = QString::fromUcs4(U"\u26AB Black");
    overlay->setText(black);
    const QList<QTextLayout::FormatRange> shown = editor->document()->firstBlock().layout()->formats();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.front().start, 0);
    EXPECT_EQ(shown.front().format.fontFamilies().toStringList(), QStringList { EmojiText::emojiFamily() });
    EXPECT_EQ(overlay->text(), black) << "the text stays as it is stored";
    const QFont font = Typography::nodeFont(2);
    EXPECT_EQ(NodeEditorOverlay::editorSize(black, 2, 1).width(),
        std::ceil(EmojiText::horizontalAdvance(font, QFontMetricsF(font), black)) + NodeEditorOverlay::widthSlack);
}

TEST_F(NodeEditorOverlayTest, KeepsNoBreakSpacesAndOtherCharactersAsTyped)
{
    overlay->setText(QStringLiteral("a"));
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_nobreakspace, QStringLiteral("\u00a0"), Qt::NoModifier);
    QTest::keyClick(editor, Qt::Key_B);
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_Eacute, QStringLiteral("\u00e9"), Qt::NoModifier);
    EXPECT_EQ(overlay->text(), QStringLiteral("a\u00a0b\u00e9"));
}

TEST_F(NodeEditorOverlayTest, SettingTheBoundTextReportsNothingBack)
{
    overlay->setText("first");
    overlay->setText("second");
    EXPECT_TRUE(edits.isEmpty());
    EXPECT_EQ(editor->textCursor().position(), 6);
    placeCaret(2);
    EXPECT_FALSE(overlay->setText("second"));
    EXPECT_EQ(editor->textCursor().position(), 2);
}

TEST_F(NodeEditorOverlayTest, RoutesTheEditingKeys)
{
    overlay->setText("Grace");
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* expected;
    };
    const Case cases[] = {
        { Qt::Key_Return, Qt::ControlModifier, "commandEnter" },
        { Qt::Key_Return, Qt::ControlModifier | Qt::AltModifier, "commandEnter" },
        { Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier, "commandEnter" },
        { Qt::Key_Return, Qt::NoModifier, "enter" },
        { Qt::Key_Enter, Qt::KeypadModifier, "enter" },
        { Qt::Key_Return, Qt::MetaModifier, "enter" },
        { Qt::Key_Backtab, Qt::ShiftModifier, "shiftTab" },
        { Qt::Key_Tab, Qt::ShiftModifier, "shiftTab" },
        { Qt::Key_Tab, Qt::NoModifier, "tab" },
        { Qt::Key_Tab, Qt::ControlModifier, "tab" },
        { Qt::Key_Tab, Qt::AltModifier, "tab" },
        { Qt::Key_Escape, Qt::NoModifier, "cancel" },
        { Qt::Key_Escape, Qt::ShiftModifier, "cancel" },
    };
    for (const Case& c : cases) {
        log.clear();
        QTest::keyClick(editor, c.key, c.modifiers);
        EXPECT_EQ(log, QStringList { c.expected }) << c.expected << " " << c.key << " " << int(c.modifiers);
        EXPECT_EQ(overlay->text(), "Grace") << c.expected;
    }
    EXPECT_TRUE(edits.isEmpty());
}

TEST_F(NodeEditorOverlayTest, OptionReturnReportsTheCaretAsAnOffsetIntoTheStoredText)
{
    const QString text = QStringLiteral("\U0001F534 Amen") + lineSeparator + QStringLiteral("Then we pray");
    overlay->setText(text);
    const qsizetype caret = text.indexOf(QStringLiteral("we"));
    placeCaret(caret);
    QTest::keyClick(editor, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(log, QStringList { QStringLiteral("optionEnter %1").arg(caret) });
    EXPECT_EQ(text.left(caret), QStringLiteral("\U0001F534 Amen") + lineSeparator + QStringLiteral("Then "));

    // With a selection the caret is where the selection begins.
    log.clear();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(9);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    QTest::keyClick(editor, Qt::Key_Return, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(log, QStringList { "optionEnter 3" });
    EXPECT_EQ(overlay->text(), text);
}

TEST_F(NodeEditorOverlayTest, HeldKeysActOnce)
{
    overlay->setText("Grace");
    QTest::keyClick(editor, Qt::Key_Return);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
        QApplication::sendEvent(editor, &repeat);
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"), true);
        QApplication::sendEvent(editor, &tab);
    }
    EXPECT_EQ(log, QStringList { "enter" });
    EXPECT_EQ(overlay->text(), "Grace");
}

TEST_F(NodeEditorOverlayTest, TheEditorSeesItsKeysBeforeAnyMenuShortcut)
{
    QStringList fired;
    const QList<QKeySequence> menuKeys = {
        QKeySequence(Qt::Key_Return),
        QKeySequence(Qt::Key_Enter),
        QKeySequence(Qt::Key_Tab),
        QKeySequence(Qt::SHIFT | Qt::Key_Backtab),
        QKeySequence(Qt::Key_Escape),
        QKeySequence(Qt::Key_Backspace),
        QKeySequence(Qt::Key_Delete),
        QKeySequence(Qt::Key_Space),
        QKeySequence(Qt::CTRL | Qt::Key_Return),
        QKeySequence(Qt::ALT | Qt::Key_Return),
        QKeySequence(Qt::Key_A),
        QKeySequence(Qt::SHIFT | Qt::Key_A),
        QKeySequence(Qt::CTRL | Qt::Key_Z),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
    };
    for (const QKeySequence& keys : menuKeys) {
        auto* action = new QAction(window.get());
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, [&fired, keys] { fired.append(keys.toString()); });
        window->addAction(action);
    }
    overlay->setText("ab");

    QTest::keyClick(editor, Qt::Key_Space);
    QTest::keyClick(editor, Qt::Key_A);
    QTest::keyClick(editor, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Backspace);
    placeCaret(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(overlay->text(), "b a");
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(overlay->text(), "ab a");

    placeCaret(0);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClick(editor, Qt::Key_Enter);
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Return, Qt::AltModifier);
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClick(editor, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(log, (QStringList { "enter", "enter", "commandEnter", "optionEnter 0", "tab", "shiftTab", "cancel" }));
    EXPECT_TRUE(fired.isEmpty()) << fired.join(", ").toStdString();

    // A command the editor has no use for still reaches the window.
    QTest::keyClick(editor, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(fired, QStringList { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K).toString() });
}

TEST_F(NodeEditorOverlayTest, GrowsWithItsTextAndNeverScrolls)
{
    overlay->setText("a");
    const QSize before = editor->size();
    QTest::keyClicks(editor, "nd the Word became flesh and dwelt among us");
    EXPECT_GT(editor->width(), before.width());
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(editor, "full of grace");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    const qint64 depth = overlay->nodeLayout().depth;
    EXPECT_GE(editor->height(), static_cast<int>(3 * lineHeight(depth)));
    EXPECT_LE(editor->height(), static_cast<int>(3 * lineHeight(depth)) + 2);
    EXPECT_GE(editor->width(), static_cast<int>(NodeEditorOverlay::measureEditorText(overlay->text(), depth)));
    EXPECT_EQ(editor->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(editor->horizontalScrollBar()->maximum(), 0);
    // The overlay reaches around the editor for its outline.
    EXPECT_TRUE(overlay->rect().contains(editor->geometry()));
    EXPECT_GE(editor->x(), 13);
}

TEST_F(NodeEditorOverlayTest, FollowsTheZoomAndPan)
{
    overlay->setText("Grace");
    overlay->setViewTransform(2, QPointF(30, -10));
    EXPECT_EQ(editor->font().pixelSize(), 2 * static_cast<int>(Typography::nodeFontSize(2)));
    const QSizeF size = NodeEditorOverlay::editorSize("Grace", 2, 2);
    const auto expected = NodeEditorOverlay::placement(overlay->nodeLayout(), size, 2, QPointF(30, -10));
    EXPECT_EQ(overlay->geometry(), expected.bounds.toAlignedRect());
    EXPECT_EQ(editor->verticalScrollBar()->maximum(), 0);

    NodeLayout root = leafLayout(0);
    root.isLeaf = false;
    overlay->setNodeLayout(root);
    EXPECT_EQ(editor->font().pixelSize(), 32);
    EXPECT_EQ(editor->font().weight(), QFont::Medium);
}

TEST_F(NodeEditorOverlayTest, CommitsWhenTheKeyboardMovesToAnotherWidget)
{
    overlay->setText("Grace");
    other->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(log, QStringList { "commit" });
    EXPECT_FALSE(overlay->isFocused());

    overlay->setFocused(true);
    EXPECT_TRUE(overlay->isFocused());
    overlay->setFocused(false);
    EXPECT_FALSE(overlay->isFocused());
    EXPECT_EQ(log, QStringList { "commit" });
}

TEST_F(NodeEditorOverlayTest, ACallbackThatMovesTheKeyboardIsNoCommit)
{
    overlay->setOnCancel([this] {
        log.append("cancel");
        window->setFocus();
        overlay->hide();
    });
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(log, QStringList { "cancel" });
    EXPECT_TRUE(window->hasFocus());
}

TEST_F(NodeEditorOverlayTest, HidingOrDestroyingTheOverlayIsNoCommit)
{
    overlay->hide();
    EXPECT_FALSE(overlay->isFocused());
    overlay->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(overlay->isFocused());
    delete overlay;
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(NodeEditorOverlayTest, ACallbackMayScheduleTheOverlaysDeletion)
{
    overlay->setOnEnter([this] {
        log.append("enter");
        overlay->hide();
        overlay->deleteLater();
    });
    QPointer<NodeEditorOverlay> guard(overlay);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(log, QStringList { "enter" });
}
