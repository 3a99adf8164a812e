#include "document/YamlDate.h"

#include <QRegularExpression>

namespace kestrion {

std::optional<QDate> YamlDate::parse(const QString& text)
{
    // \z, not $: a block scalar ends in a line feed, before which $ would match too.
    static const QRegularExpression pattern(QStringLiteral("\\A([0-9]{4})-([0-9]{2})-([0-9]{2})\\z"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString YamlDate::format(const QDate& date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

std::optional<YamlDate> YamlDate::decode(const YamlNode& node, QString* error)
{
    const std::optional<QString> text = node.kind == YamlNode::Kind::Scalar ? std::optional(node.scalar) : std::nullopt;
    if (text) {
        if (const auto date = parse(*text))
            return YamlDate { *date };
    }
    if (error)
        *error = QStringLiteral("Expected yyyy-MM-dd, got \"%1\"").arg(text.value_or(QString()));
    return std::nullopt;
}

YamlNode YamlDate::encode() const
{
    return YamlNode::text(format(wrappedValue));
}

} // namespace kestrion
