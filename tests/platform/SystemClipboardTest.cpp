#include "platform/SystemClipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

using namespace kestrion;

TEST(SystemClipboardTest, WrittenTextReadsBackUnchanged)
{
    SystemClipboard clipboard;
    const QString text = QStringLiteral("# Title\n## Point\n> quoted\u2028line");
    clipboard.setText(text);
    ASSERT_TRUE(clipboard.text().has_value());
    EXPECT_EQ(*clipboard.text(), text);
}

TEST(SystemClipboardTest, ClipboardWithoutTextGivesNone)
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    SystemClipboard clipboard;
    EXPECT_FALSE(clipboard.text().has_value());
}

TEST(SystemClipboardTest, SettingTextReplacesOtherFormats)
{
    auto* data = new QMimeData;
    data->setHtml(QStringLiteral("<b>old</b>"));
    data->setText(QStringLiteral("old"));
    QGuiApplication::clipboard()->setMimeData(data);

    SystemClipboard clipboard;
    clipboard.setText(QStringLiteral("new"));
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(now, nullptr);
    EXPECT_FALSE(now->hasHtml());
    EXPECT_EQ(now->text(), QStringLiteral("new"));
}

TEST(SystemClipboardTest, SettingEmptyTextDropsTheOldText)
{
    SystemClipboard clipboard;
    clipboard.setText(QStringLiteral("old"));
    clipboard.setText(QString());
    // An emptied clipboard may report no text or empty text; it never reports old text.
    const auto text = clipboard.text();
    EXPECT_TRUE(!text.has_value() || text->isEmpty());
}
