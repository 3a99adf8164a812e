#include "sheets/SingleLineField.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

TEST(SingleLineFieldTest, LineBreaksTypedOrPastedBecomeSpaces)
{
    struct Case {
        const char* name;
        QString input;
        QString text;
    };
    const Case cases[] = {
        { "line feed", QStringLiteral("Grace\nand peace"), QStringLiteral("Grace and peace") },
        { "CR LF is one break", QStringLiteral("Grace\r\nand peace\r\n"), QStringLiteral("Grace and peace ") },
        { "lone CR", QStringLiteral("a\rb"), QStringLiteral("a b") },
        { "separators and NEL", QStringLiteral("a\u2028b\u2029c\u0085d"), QStringLiteral("a b c d") },
        { "vertical tab and form feed", QStringLiteral("a\vb\fc"), QStringLiteral("a b c") },
        { "tab stays", QStringLiteral("a\tb"), QStringLiteral("a\tb") },
    };
    for (const Case& c : cases) {
        SingleLineField field;
        QSignalSpy edited(&field, &SingleLineField::lineEdited);
        field.insert(c.input);
        EXPECT_EQ(field.text(), c.text) << c.name;
        EXPECT_EQ(field.cursorPosition(), c.text.size()) << c.name;
        ASSERT_EQ(edited.count(), 1) << c.name;
        EXPECT_EQ(edited.at(0).at(0).toString(), c.text) << c.name;
    }
}

TEST(SingleLineFieldTest, OnlyWhatAnEditInsertsIsFlattened)
{
    // A title's own line separator, given to the field, stays when the user types elsewhere.
    SingleLineField field;
    field.setText(QStringLiteral("Grace\u2028Peace"));
    field.setCursorPosition(5);
    QGuiApplication::clipboard()->setText(QStringLiteral(" and\n"));
    field.paste();
    EXPECT_EQ(field.text(), QStringLiteral("Grace and \u2028Peace"));
    EXPECT_EQ(field.cursorPosition(), 10);
    QTest::keyClick(&field, Qt::Key_End);
    QTest::keyClicks(&field, QStringLiteral("!"));
    EXPECT_EQ(field.text(), QStringLiteral("Grace and \u2028Peace!"));
}

TEST(SingleLineFieldTest, ReturnGoesToTheOwnerOnlyWhenItAsks)
{
    QWidget parent;
    auto* field = new SingleLineField(&parent);
    QKeyEvent unclaimed(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &unclaimed);
    EXPECT_FALSE(unclaimed.isAccepted());

    int submitted = 0;
    field->setOnSubmit([&] { ++submitted; });
    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Enter, Qt::KeypadModifier);
    QApplication::sendEvent(field, &override);
    EXPECT_TRUE(override.isAccepted());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    QApplication::sendEvent(field, &press);
    EXPECT_TRUE(press.isAccepted());
    EXPECT_EQ(submitted, 1);
}
