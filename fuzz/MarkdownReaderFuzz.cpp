// Reads any text as a sermon file. Besides crashes, hangs and sanitizer reports it traps on:
// a malformed tree, a written text that reads back with other details or other words, a
// front matter that could not be read and is not written back as it was, and a text that
// keeps changing from save to save.

#include "FuzzSupport.h"

#include "document/MarkdownCodec.h"

#include <cstddef>
#include <cstdint>

using namespace kestrion;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::quiet();
    return 0;
}

namespace {

bool isWellFormed(const SermonNodePtr& root)
{
    if (root->depth() != 0)
        return false;
    for (const SermonNodePtr& node : root->allNodes()) {
        if (node->isQuote() && node->hasChildren())
            return false;
        if (node->depth() > MarkdownCodec::deepestHeadingDepth + MarkdownCodec::maxBulletNesting + 1)
            return false;
        for (const SermonNodePtr& child : node->children()) {
            if (child->depth() <= node->depth())
                return false;
            if (child->depth() > node->depth() + 1 && child->depth() > MarkdownCodec::deepestHeadingDepth)
                return false;
        }
    }
    return true;
}

bool sameDetails(const SermonMetadata& a, const SermonMetadata& b)
{
    if (a.scripture != b.scripture || a.series != b.series || a.duration != b.duration
        || a.occasions.size() != b.occasions.size())
        return false;
    const auto sorted = sortedOccasionsForEncoding(b.occasions);
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (a.occasions[i].place != sorted[i].place || a.occasions[i].date != sorted[i].date)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
    SermonNodePtr root = MarkdownCodec::parseDocument(split.bodyLines);
    if (!isWellFormed(root))
        __builtin_trap();
    const QStringList firstWords = fuzz::words(fuzz::nodeTexts({ root }));
    const SermonMetadata firstDetails = split.metadata;
    const std::optional<UnreadableFrontMatter> kept = split.unreadableFrontMatter;

    // Empty leaves and headings left without children may reshape the text for a few
    // saves, and a line loses one carriage return per read; after that it must stay, and
    // no word may go. Many carriage returns would make that take quadratic time here, so
    // such texts only get one round.
    const qsizetype carriageReturns = text.count(u'\r');
    const qsizetype maxRounds = carriageReturns > 64 ? 1 : 12 + carriageReturns;
    for (qsizetype round = 0;; ++round) {
        const QString written = MarkdownCodec::serializeDocument(root, split.metadata, split.unreadableFrontMatter);
        if (!written.endsWith(u'\n') || (kept && !written.startsWith(kept->text + u'\n')))
            __builtin_trap();
        split = MarkdownCodec::splitFrontMatter(written);
        root = MarkdownCodec::parseDocument(split.bodyLines);
        if (!isWellFormed(root) || !sameDetails(split.metadata, firstDetails) || split.unreadableFrontMatter != kept
            || fuzz::words(fuzz::nodeTexts({ root })) != firstWords)
            __builtin_trap();
        if (written == text || (round == 0 && maxRounds == 1))
            break;
        if (round > maxRounds)
            __builtin_trap();
        text = written;
    }
    return 0;
}
