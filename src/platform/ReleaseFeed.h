#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace kestrion {

// The releases of an AppStream feed: a metainfo file (a <component> with <releases>) or a
// release file of its own (<releases> at the top), each <release version="…"> optionally
// with a <url>. Development releases are passed over.
class ReleaseFeed {
public:
    struct Release {
        QString version;
        QUrl url;
    };

    // The newest release the feed lists; none, with the reason, when the text is not such a
    // feed or lists no usable release.
    static std::optional<Release> newestRelease(const QByteArray& feed, QString* reason = nullptr);

    // AppStream's version order: runs of digits compare as numbers, runs of letters as text,
    // a number is newer than letters, a "~" is older than anything, even the end, and of two
    // versions equal so far the longer is newer: 1.0~beta < 1.0 < 1.0a < 1.0.1 < 1.10.
    // Negative, zero or positive as a is older than, equal to or newer than b.
    static int compareVersions(const QString& a, const QString& b);
};

} // namespace kestrion
