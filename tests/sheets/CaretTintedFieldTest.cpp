#include "sheets/CaretTintedField.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kestrion;

TEST(CaretTintedFieldTest, KeepsOnlyAsciiDigitsOfWhatIsTypedOrPasted)
{
    struct Case {
        const char* name;
        QString start;
        int caret;
        QString input;
        QString text;
        int caretAfter;
    };
    const Case cases[] = {
        { "letter after two digits", QStringLiteral("12"), 2, QStringLiteral("a"), QStringLiteral("12"), 2 },
        { "mixed paste into empty", QString(), 0, QStringLiteral("1a2 3"), QStringLiteral("123"), 3 },
        { "letter between digits", QStringLiteral("12"), 1, QStringLiteral("x"), QStringLiteral("12"), 1 },
        { "signs, space and line break", QString(), 0, QStringLiteral("-4\n5+"), QStringLiteral("45"), 2 },
        { "full-width digits", QString(), 0, QStringLiteral("\uFF11\uFF12"), QString(), 0 },
        { "fraction and Arabic-Indic digit", QString(), 0, QStringLiteral("\u00BD\u0663"), QString(), 0 },
        { "digit with a combining mark", QString(), 0, QStringLiteral("7\u03018"), QStringLiteral("8"), 1 },
    };
    for (const Case& c : cases) {
        CaretTintedField field;
        field.setText(c.start);
        field.setCursorPosition(c.caret);
        QSignalSpy edited(&field, &CaretTintedField::digitsEdited);
        field.insert(c.input);
        EXPECT_EQ(field.text(), c.text) << c.name;
        EXPECT_EQ(field.cursorPosition(), c.caretAfter) << c.name;
        ASSERT_EQ(edited.count(), 1) << c.name;
        EXPECT_EQ(edited.at(0).at(0).toString(), c.text) << c.name;
    }
}

TEST(CaretTintedFieldTest, TypingAndPastingFromTheClipboardAreFiltered)
{
    CaretTintedField field;
    QSignalSpy edited(&field, &CaretTintedField::digitsEdited);
    QTest::keyClicks(&field, QStringLiteral("4a5"));
    EXPECT_EQ(field.text(), QStringLiteral("45"));
    // Nothing dropped: the owner still hears the text.
    EXPECT_EQ(edited.count(), 3);
    EXPECT_EQ(edited.last().at(0).toString(), QStringLiteral("45"));

    QGuiApplication::clipboard()->setText(QStringLiteral(" 7 min"));
    field.paste();
    EXPECT_EQ(field.text(), QStringLiteral("457"));
}

TEST(CaretTintedFieldTest, ReturnIsReportedOnceAndGoesNoFurther)
{
    QWidget parent;
    auto* field = new CaretTintedField(&parent);
    int submitted = 0;
    field->setOnSubmit([&] { ++submitted; });
    field->setText(QStringLiteral("72"));
    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &override);
    EXPECT_TRUE(override.isAccepted());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &press);
    EXPECT_TRUE(press.isAccepted());
    EXPECT_EQ(submitted, 1);
    EXPECT_EQ(field->text(), QStringLiteral("72"));
}

TEST(CaretTintedFieldTest, FocusFollowsTheOwnerOnTheNextTurnAndIsReportedOnce)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new CaretTintedField(&window);
    auto* other = new CaretTintedField(&window);
    layout->addWidget(field);
    layout->addWidget(other);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    QSignalSpy focused(field, &CaretTintedField::focusedChanged);
    field->setFocused(true);
    EXPECT_TRUE(field->isFocused());
    EXPECT_FALSE(field->hasFocus());
    EXPECT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    EXPECT_EQ(focused.count(), 1);

    // Clearing the flag of a field that is not being edited leaves the other field alone.
    other->setFocus();
    EXPECT_FALSE(field->isFocused());
    EXPECT_EQ(focused.count(), 2);
    other->setFocused(true);
    field->setFocused(false);
    QApplication::processEvents();
    EXPECT_TRUE(other->hasFocus());
    other->setFocused(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !other->hasFocus(); }));
    // The keyboard stays in the window, so that its keys still act.
    EXPECT_EQ(QApplication::focusWidget(), &window);
}
