#include "platform/ReleaseFeed.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

namespace kestrion {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isVersionCharacter(QChar c)
{
    return isAsciiDigit(c) || isAsciiLetter(c) || c == u'~';
}

QString tr(const char* text)
{
    return QCoreApplication::translate("kestrion::ReleaseFeed", text);
}

} // namespace

int ReleaseFeed::compareVersions(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    const qsizetype aSize = a.size();
    const qsizetype bSize = b.size();
    for (;;) {
        while (i < aSize && !isVersionCharacter(a[i]))
            ++i;
        while (j < bSize && !isVersionCharacter(b[j]))
            ++j;
        const bool aTilde = i < aSize && a[i] == u'~';
        const bool bTilde = j < bSize && b[j] == u'~';
        if (aTilde || bTilde) {
            if (!aTilde)
                return 1;
            if (!bTilde)
                return -1;
            ++i;
            ++j;
            continue;
        }
        if (i >= aSize || j >= bSize)
            break;

        const bool isNumber = isAsciiDigit(a[i]);
        const auto belongs = [isNumber](QChar c) { return isNumber ? isAsciiDigit(c) : isAsciiLetter(c); };
        qsizetype aEnd = i;
        while (aEnd < aSize && belongs(a[aEnd]))
            ++aEnd;
        qsizetype bEnd = j;
        while (bEnd < bSize && belongs(b[bEnd]))
            ++bEnd;
        // A number against letters: the number is newer.
        if (bEnd == j)
            return isNumber ? 1 : -1;

        QStringView aPart = QStringView(a).sliced(i, aEnd - i);
        QStringView bPart = QStringView(b).sliced(j, bEnd - j);
        if (isNumber) {
            // As numbers of any length: without leading zeros, the longer is larger.
            while (aPart.size() > 1 && aPart.front() == u'0')
                aPart = aPart.sliced(1);
            while (bPart.size() > 1 && bPart.front() == u'0')
                bPart = bPart.sliced(1);
            if (aPart.size() != bPart.size())
                return aPart.size() < bPart.size() ? -1 : 1;
        }
        if (const int order = aPart.compare(bPart); order != 0)
            return order < 0 ? -1 : 1;
        i = aEnd;
        j = bEnd;
    }
    if (i >= aSize && j >= bSize)
        return 0;
    return i >= aSize ? -1 : 1;
}

std::optional<ReleaseFeed::Release> ReleaseFeed::newestRelease(const QByteArray& feed, QString* reason)
{
    const auto fail = [reason](const QString& why) -> std::optional<Release> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };

    QXmlStreamReader xml(feed);
    std::optional<Release> newest;
    bool sawReleases = false;
    int releasesDepth = 0;
    std::optional<Release> current;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == u"releases") {
                sawReleases = true;
                ++releasesDepth;
            } else if (releasesDepth > 0 && name == u"release" && !current) {
                const QXmlStreamAttributes attributes = xml.attributes();
                const QString version = attributes.value(QLatin1StringView("version")).toString().trimmed();
                const bool isDevelopment = attributes.value(QLatin1StringView("type")) == u"development";
                current = (!version.isEmpty() && !isDevelopment) ? std::optional(Release { version, {} })
                                                                 : std::optional(Release {});
            } else if (current && name == u"url") {
                const QUrl url(xml.readElementText().trimmed(), QUrl::StrictMode);
                if (url.isValid() && (url.scheme() == u"https" || url.scheme() == u"http"))
                    current->url = url;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringView name = xml.name();
            if (name == u"releases") {
                --releasesDepth;
            } else if (name == u"release" && current) {
                if (!current->version.isEmpty() && (!newest || compareVersions(current->version, newest->version) > 0))
                    newest = current;
                current.reset();
            }
        }
    }
    if (xml.hasError())
        return fail(tr("The release feed is not well-formed XML: %1").arg(xml.errorString()));
    if (!sawReleases || !newest)
        return fail(tr("The release feed lists no release."));
    return newest;
}

} // namespace kestrion
